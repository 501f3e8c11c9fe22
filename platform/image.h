// Pictures as plain pixel buffers: JPEG loading (SDL2_image) and the smooth stretch-copy that picture
// boxes use to paint one picture onto another. Called by the picture box and the content checker.
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

// Decode a JPEG (or any format SDL2_image reads) from a UTF-8 path. On failure returns nothing and puts
// a one-line reason in *error (never throws, never crashes on truncated or foreign files).
std::optional<Image> loadImageFile(const std::string& utf8Path, std::string* error = nullptr);

// Resample src's rectangle (sx, sy, sw, sh) onto dst's rectangle (dx, dy, dw, dh), both in pixels, with
// smooth (area/bilinear) filtering and the aspect ratio not kept. Parts outside either image are clipped;
// negative widths or heights mirror, as the old PaintPicture did. A plain copy: no blending.
void stretchCopy(const Image& src, float sx, float sy, float sw, float sh,
                 Image& dst, float dx, float dy, float dw, float dh);

}  // namespace platform
