// Pictures as pixel buffers: the hook through which a backend decodes picture files (the resampler behind
// PaintPicture is stretch_copy.cpp).
#include "platform/runtime/image.h"

#include <sys/stat.h>

namespace platform {

namespace {
PictureDecoder gDecoder = nullptr;
}  // namespace

void setPictureDecoder(PictureDecoder decoder) { gDecoder = decoder; }

std::optional<DecodedPicture> decodePictureFile(const std::string& utf8Path, int needWidth, int needHeight,
                                                std::string* error) {
  if (!gDecoder) {
    if (error) *error = "no picture decoder is installed";
    return std::nullopt;
  }
  return gDecoder(utf8Path, needWidth, needHeight, error);
}

std::string pictureFileIdentity(const std::string& utf8Path) {
  struct stat st {};
  if (::stat(utf8Path.c_str(), &st) != 0) return {};
  return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) +
         ":" + std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
}

}  // namespace platform
