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
  if (retained_.empty() && !painting_) return;
  retained_ = Image{};
  painting_.reset();
  made_ = Image{};
  madeCurrent_ = false;
  invalidate();
}

namespace {

// The pixels a painting stands for: what PaintPicture would have made in a box of that size.
Image paintingPixels(const PictureBox::Painting& p) {
  Image out;
  out.width = p.width;
  out.height = p.height;
  out.pixels.assign(static_cast<size_t>(p.width) * p.height, opaquePixel(p.back));
  stretchCopy(*p.source, p.sx, p.sy, p.sw, p.sh, out, p.dx, p.dy, p.dw, p.dh);
  return out;
}

// True when a stretch of the rectangle (sx, sy, sw, sh) of src onto (dx, dy, dw, dh) writes every pixel of
// a width × height image: the source rectangle lies within the picture, nothing is mirrored, and the
// destination reaches every pixel centre (the resampler's own rule).
bool coversWhole(const Image& src, float sx, float sy, float sw, float sh, float dx, float dy, float dw,
                 float dh, int width, int height) {
  constexpr float kSlack = 1e-3f;
  if (!std::isfinite(sx + sy + sw + sh + dx + dy + dw + dh)) return false;
  if (!(sw > 0 && sh > 0 && dw > 0 && dh > 0)) return false;
  if (sx < -kSlack || sy < -kSlack || sx + sw > src.width + kSlack || sy + sh > src.height + kSlack) {
    return false;
  }
  return std::ceil(dx - 0.5f) <= 0 && std::ceil(dy - 0.5f) <= 0 && std::ceil(dx + dw - 0.5f) >= width &&
         std::ceil(dy + dh - 0.5f) >= height;
}

}  // namespace

const Image& PictureBox::retained() const {
  if (!painting_) return retained_;
  if (!madeCurrent_) {
    made_ = paintingPixels(*painting_);
    madeCurrent_ = true;
  }
  return made_;
}

const Image& PictureBox::heldPixels() {
  if (painting_) {
    retained_ = madeCurrent_ ? std::move(made_) : paintingPixels(*painting_);
    painting_.reset();
    made_ = Image{};
    madeCurrent_ = false;
  }
  return retained_;
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

  // The source rectangle is in the picture's own pixels; its pixels may be held at a reduced scale.
  const Image& pixels = *src.picture_;
  const float kx = static_cast<float>(pixels.width) / static_cast<float>(src.pictureWidth_);
  const float ky = static_cast<float>(pixels.height) / static_cast<float>(src.pictureHeight_);
  const float sx = kx * src.toPixelsX(x2 - src.ScaleLeft()), sy = ky * src.toPixelsY(y2 - src.ScaleTop());
  const float sw = kx * src.toPixelsX(w2), sh = ky * src.toPixelsY(h2);
  const float dx = toPixelsX(x1 - ScaleLeft()), dy = toPixelsY(y1 - ScaleTop());
  const float dw = toPixelsX(w1), dh = toPixelsY(h1);

  if (coversWhole(pixels, sx, sy, sw, sh, dx, dy, dw, dh, width, height)) {
    retained_ = Image{};
    made_ = Image{};
    madeCurrent_ = false;
    painting_ = Painting{src.picture_, sx, sy, sw, sh, dx, dy, dw, dh, width, height, BackColor()};
    invalidate();
    return;
  }

  heldPixels();
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

  stretchCopy(pixels, sx, sy, sw, sh, retained_, dx, dy, dw, dh);
  invalidate();
}

}  // namespace platform
