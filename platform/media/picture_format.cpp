// What the picture decoders of both systems share: telling a foreign file from a JPEG, the reduced scale
// a picture is decoded at when it is shown smaller, and keeping it no larger than it is shown.
#include "platform/media/picture_format.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/media/image.h"

namespace platform {

namespace {

bool startsWith(const std::string& b, const char* magic, size_t n, size_t at = 0) {
  return b.size() >= at + n && std::memcmp(b.data() + at, magic, n) == 0;
}

}  // namespace

std::string foreignFormat(const std::string& b) {
  if (b.size() >= 3 && static_cast<unsigned char>(b[0]) == 0xFF && static_cast<unsigned char>(b[1]) == 0xD8 &&
      static_cast<unsigned char>(b[2]) == 0xFF) {
    return {};
  }
  if (b.empty()) return "empty";
  if (startsWith(b, "GIF8", 4)) return "a GIF";
  if (startsWith(b, "\x89PNG", 4)) return "a PNG";
  if (startsWith(b, "BM", 2)) return "a BMP";
  if (startsWith(b, "II*\0", 4) || startsWith(b, "MM\0*", 4)) return "a TIFF";
  if (startsWith(b, "RIFF", 4) && startsWith(b, "WEBP", 4, 8)) return "a WebP";
  if (startsWith(b, "ftyp", 4, 4)) return "an ISO media file (HEIF, AVIF or video)";
  if (startsWith(b, "\0\0\0\x0CjP  ", 8) || startsWith(b, "\xFF\x4F\xFF\x51", 4)) return "a JPEG 2000";
  if (startsWith(b, "\xFF\x0A", 2) || startsWith(b, "\0\0\0\x0CJXL ", 8)) return "a JPEG XL";
  if (startsWith(b, "gimp xcf", 8)) return "a GIMP XCF";
  if (startsWith(b, "8BPS", 4)) return "a Photoshop file";
  if (startsWith(b, "qoif", 4)) return "a QOI";
  if (startsWith(b, "\0\0\1\0", 4)) return "an icon";
  if (startsWith(b, "MThd", 4)) return "a MIDI file";
  if (b.size() >= 2 && b[0] == 'P' && b[1] >= '1' && b[1] <= '7') return "a PNM";
  if (static_cast<unsigned char>(b[0]) == 0x0A && b.size() >= 2 && static_cast<unsigned char>(b[1]) <= 5)
    return "a PCX";
  if (b.find("<svg") != std::string::npos || startsWith(b, "<?xml", 5)) return "an SVG or XML file";
  if (startsWith(b, "\xFF\xD8", 2)) return "a damaged JPEG";
  bool text = true;
  for (size_t i = 0; i < b.size() && i < 64; ++i) {
    const unsigned char c = static_cast<unsigned char>(b[i]);
    if (c < 0x09 || (c > 0x0D && c < 0x20)) text = false;
  }
  return text ? "text" : "not a picture format the game knows";
}

// The smallest of 1/1, 1/2, 1/4, 1/8 that leaves at least 7/8 of the shown size in both directions. A
// reduced picture a little smaller than its box is enlarged by at most 8/7, which the smooth resampler
// makes invisible (a 1920 x 1080 photograph at 1/2 painted over 600 x 600 differs from the whole decode
// by at most 3 of 255 levels), and it lets the common case of a wide picture in a square box decode at
// half size.
int pictureScaleDenominator(uint64_t width, uint64_t height, int needWidth, int needHeight) {
  if (needWidth <= 0 || needHeight <= 0) return 1;
  for (uint64_t d : {8, 4, 2}) {
    const uint64_t w = (width + d - 1) / d, h = (height + d - 1) / d;
    if (8 * w >= 7 * static_cast<uint64_t>(needWidth) && 8 * h >= 7 * static_cast<uint64_t>(needHeight)) {
      return static_cast<int>(d);
    }
  }
  return 1;
}

void keepAtShownSize(Image* image, int needWidth, int needHeight) {
  // Held at the size it is shown at, where that is smaller: the pixels and their texture cost no more
  // than the box, and a box of the same size draws them unstretched.
  const int keptWidth = needWidth > 0 ? std::min(image->width, needWidth) : image->width;
  const int keptHeight = needHeight > 0 ? std::min(image->height, needHeight) : image->height;
  if (keptWidth == image->width && keptHeight == image->height) return;
  Image kept{keptWidth, keptHeight, std::vector<uint32_t>(static_cast<size_t>(keptWidth) * keptHeight)};
  stretchCopy(*image, 0, 0, static_cast<float>(image->width), static_cast<float>(image->height), kept, 0, 0,
              static_cast<float>(keptWidth), static_cast<float>(keptHeight));
  *image = std::move(kept);
}

std::optional<Image> loadImageFile(const std::string& utf8Path, std::string* error) {
  std::optional<DecodedPicture> picture = loadPictureFile(utf8Path, 0, 0, error);
  if (!picture) return std::nullopt;
  return std::move(picture->image);
}

void installPictureDecoder() { setPictureDecoder(&loadPictureFile); }

}  // namespace platform
