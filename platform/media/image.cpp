// Picture files: JPEG decoding through SDL2_image into the runtime's pixel buffers, with the checks that
// keep a damaged or foreign file from costing more than a refusal.
#include "platform/media/image.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>
#include <string>

#include "platform/runtime/app.h"

namespace platform {

namespace {

// Larger than any picture the game shows by far; a damaged header claiming more would have the decoder
// allocate and fill gigabytes.
constexpr uint64_t kMaxPicturePixels = uint64_t{1} << 26;

uint32_t bigEndian16(const unsigned char* p) { return (uint32_t{p[0]} << 8) | p[1]; }
uint32_t bigEndian32(const unsigned char* p) { return (bigEndian16(p) << 16) | bigEndian16(p + 2); }

// The size a JPEG or PNG header declares, read before decoding. False when not found.
bool declaredSize(const std::string& bytes, uint64_t& width, uint64_t& height) {
  const auto* d = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  if (n >= 24 && std::memcmp(d, "\x89PNG\r\n\x1a\n", 8) == 0) {
    width = bigEndian32(d + 16);
    height = bigEndian32(d + 20);
    return true;
  }
  if (n < 4 || d[0] != 0xFF || d[1] != 0xD8) return false;
  size_t pos = 2;
  while (pos + 4 <= n) {
    if (d[pos] != 0xFF) return false;
    const unsigned marker = d[pos + 1];
    if (marker == 0xFF) {
      ++pos;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
      pos += 2;
      continue;
    }
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (pos + 9 > n) return false;
      height = bigEndian16(d + pos + 5);
      width = bigEndian16(d + pos + 7);
      return true;
    }
    if (marker == 0xDA) return false;  // scan data before any frame header
    pos += 2 + bigEndian16(d + pos + 2);
  }
  return false;
}

// A JPEG ends with its end-of-image marker. The decoder shows a file cut short as far as it goes (the
// rest grey) and says nothing, so the loader looks for the marker near the end itself. Within the
// compressed data a 0xFF byte is always followed by 0x00 or a restart marker, so FF D9 there is the end;
// a little padding after it is allowed.
bool jpegCutShort(const std::string& bytes) {
  constexpr size_t kTailBytes = 1024;
  if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
      static_cast<unsigned char>(bytes[1]) != 0xD8) {
    return false;
  }
  const size_t from = bytes.size() > kTailBytes ? bytes.size() - kTailBytes : 2;
  return bytes.find("\xFF\xD9", from) == std::string::npos;
}

}  // namespace

std::optional<Image> loadImageFile(const std::string& utf8Path, std::string* error) {
  auto fail = [&](const std::string& why) -> std::optional<Image> {
    if (error != nullptr) *error = why;
    return std::nullopt;
  };
  SDL_RWops* file = SDL_RWFromFile(utf8Path.c_str(), "rb");
  if (file == nullptr) return fail("cannot open " + utf8Path + ": " + SDL_GetError());
  std::string fileBytes;
  const Sint64 size = SDL_RWsize(file);
  if (size > 0 && static_cast<uint64_t>(size) < (uint64_t{1} << 31)) {
    fileBytes.resize(static_cast<size_t>(size));
    fileBytes.resize(SDL_RWread(file, fileBytes.data(), 1, fileBytes.size()));
  }
  SDL_RWclose(file);
  if (fileBytes.empty()) return fail("empty or unreadable file " + utf8Path);
  uint64_t width = 0, height = 0;
  if (declaredSize(fileBytes, width, height) && width * height > kMaxPicturePixels) {
    return fail("picture too large (" + std::to_string(width) + " x " + std::to_string(height) +
                "): " + utf8Path);
  }
  SDL_RWops* memory = SDL_RWFromConstMem(fileBytes.data(), static_cast<int>(fileBytes.size()));
  if (memory == nullptr) return fail("cannot read " + utf8Path + ": " + SDL_GetError());
  SDL_Surface* decoded = IMG_Load_RW(memory, 1);
  if (decoded == nullptr) return fail("cannot decode " + utf8Path + ": " + IMG_GetError());
  if (jpegCutShort(fileBytes)) {
    reportProblem("picture " + utf8Path + " is cut short; shown as far as it goes");
  }
  if (decoded->w <= 0 || decoded->h <= 0) {
    SDL_FreeSurface(decoded);
    return fail("empty picture " + utf8Path);
  }
  // JPEGs arrive as RGB24: unpack those here in one pass (SDL's generic converter takes longer than the
  // decode); anything else goes through SDL's converter.
  SDL_Surface* source = decoded;
  if (decoded->format->format != SDL_PIXELFORMAT_RGB24) {
    source = SDL_ConvertSurfaceFormat(decoded, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(decoded);
    if (source == nullptr) return fail("cannot convert " + utf8Path + ": " + SDL_GetError());
  }
  if (SDL_LockSurface(source) != 0) {
    SDL_FreeSurface(source);
    return fail("cannot read the pixels of " + utf8Path + ": " + SDL_GetError());
  }
  Image image;
  image.width = source->w;
  image.height = source->h;
  try {
    image.pixels.resize(static_cast<size_t>(image.width) * image.height);
  } catch (const std::bad_alloc&) {
    SDL_UnlockSurface(source);
    SDL_FreeSurface(source);
    return fail("picture too large: " + utf8Path);
  }
  const auto* bytes = static_cast<const unsigned char*>(source->pixels);
  for (int y = 0; y < image.height; ++y) {
    const unsigned char* row = bytes + static_cast<size_t>(y) * source->pitch;
    uint32_t* out = &image.pixels[static_cast<size_t>(y) * image.width];
    if (source->format->format == SDL_PIXELFORMAT_RGB24) {
      // Four bytes read at once hold R, G, B and the next pixel's R; byte-swapped and shifted they are
      // 0x00RRGGBB. The last pixel of a row is read byte by byte: its fourth byte may lie past the buffer.
      const int whole = image.width - 1;
      for (int x = 0; x < whole; ++x, row += 3) {
        uint32_t v;
        std::memcpy(&v, row, sizeof v);
        out[x] = 0xFF000000u | (__builtin_bswap32(v) >> 8);
      }
      out[whole] = 0xFF000000u | (uint32_t{row[0]} << 16) | (uint32_t{row[1]} << 8) | uint32_t{row[2]};
    } else {
      std::memcpy(out, row, static_cast<size_t>(image.width) * sizeof(uint32_t));
    }
  }
  SDL_UnlockSurface(source);
  SDL_FreeSurface(source);
  return image;
}

void installPictureDecoder() { setPictureDecoder(&loadImageFile); }

}  // namespace platform
