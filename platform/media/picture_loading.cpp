// Loading pictures for the game and the tools over either system's decoder: a file cut short is named
// each time it is shown, and pictures a scene shows again come from the cache of decoded pictures.
#include <optional>
#include <string>

#include "platform/media/content_file.h"
#include "platform/media/decoded_picture_cache.h"
#include "platform/media/image.h"
#include "platform/media/picture_decode.h"
#include "platform/runtime/problems.h"

namespace platform {

namespace {

void nameCutShort(const std::string& utf8Path) {
  reportProblem("picture " + utf8Path + " is cut short; shown as far as it goes");
}

// The decoder the runtime calls: a picture shown a third time at the same size, from the same unchanged
// file, comes from the cache (the second showing keeps it).
std::optional<DecodedPicture> loadCachedPicture(const std::string& utf8Path, int needWidth, int needHeight,
                                                std::string* error) {
  static DecodedPictureCache cache(kDecodedPictureCacheBytes);
  const std::string identity = fileIdentity(utf8Path);
  if (identity.empty()) return loadPictureFile(utf8Path, needWidth, needHeight, error);
  const std::string key = identity + "@" + std::to_string(needWidth) + "x" + std::to_string(needHeight);
  std::optional<DecodedPictureCache::Entry> entry = cache.find(key);
  if (!entry) {
    bool cutShort = false;
    std::optional<DecodedPicture> picture = decodePicture(utf8Path, needWidth, needHeight, error, &cutShort);
    if (!picture) return std::nullopt;
    entry = DecodedPictureCache::Entry{std::move(*picture), cutShort};
    // Kept once it comes back, and only if the file did not change while it was read.
    if (cache.cameBack(key) && fileIdentity(utf8Path) == identity) cache.keep(key, *entry);
  }
  if (entry->cutShort) nameCutShort(utf8Path);
  return std::move(entry->picture);
}

}  // namespace

std::optional<DecodedPicture> loadPictureFile(const std::string& utf8Path, int needWidth, int needHeight,
                                              std::string* error) {
  bool cutShort = false;
  std::optional<DecodedPicture> picture = decodePicture(utf8Path, needWidth, needHeight, error, &cutShort);
  if (picture && cutShort) nameCutShort(utf8Path);
  return picture;
}

std::optional<Image> loadImageFile(const std::string& utf8Path, std::string* error) {
  std::optional<DecodedPicture> picture = loadPictureFile(utf8Path, 0, 0, error);
  if (!picture) return std::nullopt;
  return std::move(picture->image);
}

void installPictureDecoder() {
  setPictureDecoder(&loadCachedPicture);
  setFileIdentity(&fileIdentity);
}

}  // namespace platform
