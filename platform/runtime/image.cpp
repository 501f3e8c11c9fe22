// Pictures as pixel buffers: the hooks through which a backend decodes picture files and tells them apart
// (the resampler behind PaintPicture is stretch_copy.cpp).
#include "platform/runtime/image.h"

namespace platform {

namespace {
PictureDecoder gDecoder = nullptr;
FileIdentity gIdentity = nullptr;
}  // namespace

void setPictureDecoder(PictureDecoder decoder) { gDecoder = decoder; }

void setFileIdentity(FileIdentity identity) { gIdentity = identity; }

std::optional<DecodedPicture> decodePictureFile(const std::string& utf8Path, int needWidth, int needHeight,
                                                std::string* error) {
  if (!gDecoder) {
    if (error) *error = "no picture decoder is installed";
    return std::nullopt;
  }
  return gDecoder(utf8Path, needWidth, needHeight, error);
}

std::string pictureFileIdentity(const std::string& utf8Path) {
  return gIdentity ? gIdentity(utf8Path) : std::string();
}

}  // namespace platform
