// The picture box: its client area inside the border, the loaded picture and the retained image that
// PaintPicture paints into and Cls clears.
#include "platform/runtime/picture_box.h"

#include <cmath>

namespace platform {

namespace {

uint32_t opaquePixel(Color c) {
  return 0xFF000000u | (static_cast<uint32_t>(redOf(c)) << 16) | (static_cast<uint32_t>(greenOf(c)) << 8) |
         static_cast<uint32_t>(blueOf(c));
}

}  // namespace

PictureBox::PictureBox(Control* parent, std::string name)
    : Control(ControlKind::PictureBox, parent, std::move(name)) {}

float PictureBox::clientWidthPx() const {
  float w = pixelRect().w - (BorderStyle() ? 2.0f * kBorderPx : 0.0f);
  return w > 0 ? w : 0.0f;
}

float PictureBox::clientHeightPx() const {
  float h = pixelRect().h - (BorderStyle() ? 2.0f * kBorderPx : 0.0f);
  return h > 0 ? h : 0.0f;
}

void PictureBox::Cls() {
  if (retained_.empty()) return;
  retained_ = Image{};
  invalidate();
}

const Image PictureBox::kNoPicture;

bool PictureBox::LoadPicture(const std::string& utf8Path, std::string* error, int shownWidth,
                             int shownHeight) {
  std::optional<DecodedPicture> loaded = decodePictureFile(utf8Path, shownWidth, shownHeight, error);
  if (!loaded) return false;
  setPicture(std::make_shared<const Image>(std::move(loaded->image)), loaded->width, loaded->height);
  return true;
}

void PictureBox::setPicture(std::shared_ptr<const Image> pixels, int width, int height) {
  picture_ = std::move(pixels);  // the picture held before is released here
  pictureWidth_ = width;
  pictureHeight_ = height;
  float frame = BorderStyle() ? 2.0f * kBorderPx : 0.0f;
  RectF r = pixelRect();
  r.w = static_cast<float>(pictureWidth_) + frame;
  r.h = static_cast<float>(pictureHeight_) + frame;
  setPixelRect(r);
  invalidate();
}

void PictureBox::PaintPicture(const PictureBox& src, float x1, float y1, float w1, float h1, float x2,
                              float y2, float w2, float h2) {
  if (!src.hasPicture()) return;
  int width = static_cast<int>(std::lround(clientWidthPx()));
  int height = static_cast<int>(std::lround(clientHeightPx()));
  if (width <= 0 || height <= 0) return;

  if (retained_.width != width || retained_.height != height) {
    Image fresh;
    fresh.width = width;
    fresh.height = height;
    fresh.pixels.assign(static_cast<size_t>(width) * height, opaquePixel(BackColor()));
    if (!retained_.empty()) {
      stretchCopy(retained_, 0, 0, static_cast<float>(retained_.width), static_cast<float>(retained_.height),
                  fresh, 0, 0, static_cast<float>(width), static_cast<float>(height));
    }
    retained_ = std::move(fresh);
  }

  // The source rectangle is in the picture's own pixels; its pixels may be held at a reduced scale.
  const Image& pixels = *src.picture_;
  const float kx = static_cast<float>(pixels.width) / static_cast<float>(src.pictureWidth_);
  const float ky = static_cast<float>(pixels.height) / static_cast<float>(src.pictureHeight_);
  stretchCopy(pixels, kx * src.toPixelsX(x2 - src.ScaleLeft()), ky * src.toPixelsY(y2 - src.ScaleTop()),
              kx * src.toPixelsX(w2), ky * src.toPixelsY(h2), retained_, toPixelsX(x1 - ScaleLeft()),
              toPixelsY(y1 - ScaleTop()), toPixelsX(w1), toPixelsY(h1));
  invalidate();
}

}  // namespace platform
