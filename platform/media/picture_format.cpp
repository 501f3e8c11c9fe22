// Telling a foreign file from a JPEG by its first bytes, for the picture decoders of both systems
// (libjpeg-turbo on Linux, WIC on Windows) and the content checker.
#include <cstring>
#include <string>

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

std::string notAJpeg(const std::string& utf8Path, const std::string& firstBytes) {
  const std::string foreign = foreignFormat(firstBytes);
  if (foreign.empty()) return {};
  if (foreign == "empty") return utf8Path + " is empty";
  return utf8Path + " is " + foreign + ", not a JPEG";
}

}  // namespace platform
