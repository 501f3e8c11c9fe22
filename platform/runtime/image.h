// Pictures as plain pixel buffers, the smooth stretch-copy that picture boxes use to paint one picture onto
// another, and the one service the runtime needs from a backend to fill them: decoding a picture file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// 0xAARRGGBB per pixel, rows top to bottom, no padding.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  bool empty() const { return width <= 0 || height <= 0; }
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// A decoded picture file: the picture's own size, and its pixels. When the caller said how large it will
// be shown, the pixels may come reduced: no larger than that size and at least 7/8 of it in either
// direction (a larger picture), so that painting it there looks the same as from the whole picture.
struct DecodedPicture {
  int width = 0;
  int height = 0;
  Image image;
};

// Decoding a picture file from a UTF-8 path, for showing at most needWidth × needHeight pixels (0: the
// whole picture). On failure: nothing, and a one-line reason in *error; never throws. The program installs
// the media backend's decoder at start-up (installPictureDecoder); until one is installed every file
// fails with "no picture decoder is installed".
using PictureDecoder = std::optional<DecodedPicture> (*)(const std::string& utf8Path, int needWidth,
                                                         int needHeight, std::string* error);
void setPictureDecoder(PictureDecoder decoder);
std::optional<DecodedPicture> decodePictureFile(const std::string& utf8Path, int needWidth = 0,
                                                int needHeight = 0, std::string* error = nullptr);

// What tells one file from another and an edited file from itself (for files on disk: device, inode, size
// and modification time), as text; empty when the path names nothing, or when no backend has installed
// the function that knows (installPictureDecoder does). Two paths to the same unchanged file give the same.
using FileIdentity = std::string (*)(const std::string& utf8Path);
void setFileIdentity(FileIdentity identity);
std::string pictureFileIdentity(const std::string& utf8Path);

// Resample src's rectangle (sx, sy, sw, sh) onto dst's rectangle (dx, dy, dw, dh), both in pixels, with
// smooth (area/bilinear) filtering and the aspect ratio not kept. Parts outside either image are clipped;
// negative widths or heights mirror, as the old PaintPicture did. A plain copy: no blending.
void stretchCopy(const Image& src, float sx, float sy, float sw, float sh, Image& dst, float dx, float dy,
                 float dw, float dh);

}  // namespace platform
