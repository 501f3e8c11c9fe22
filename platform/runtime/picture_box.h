// The picture box: a retained image that keeps what was painted into it until cleared or painted anew
// (the old AutoRedraw), JPEG loading with the box taking the picture's size, and PaintPicture, the
// stretch-copy of another box's picture. Coordinates of PaintPicture are in each box's own scale units.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/runtime/control.h"
#include "platform/runtime/image.h"

namespace platform {

class PictureBox : public Control {
 public:
  PictureBox(Control* parent, std::string name);

  // A single-line border takes this many pixels on every side of the client area.
  static constexpr int kBorderPx = 1;

  float clientWidthPx() const override;
  float clientHeightPx() const override;

  // Clear the retained image: the box shows its background colour.
  void Cls();
  // Load a picture file into the box; the box takes the picture's size in pixels (its client area is the
  // picture). The picture is the source of PaintPicture, not what the box shows: a box that is loaded
  // into is meant as a hidden buffer. On failure (missing, undecodable) the box keeps what it had, false is
  // returned and *error says why. A caller that knows the picture will be painted no larger than shownWidth ×
  // shownHeight pixels may say so: the box still takes the picture's whole size, but may hold its pixels
  // reduced to no more than that, and at least 7/8 of it, in each direction.
  bool LoadPicture(const std::string& utf8Path, std::string* error = nullptr, int shownWidth = 0,
                   int shownHeight = 0);
  // The pixels of the picture loaded (the source PaintPicture copies from); they may be a reduced decode,
  // so the picture's own size is PictureWidth × PictureHeight.
  const Image& Picture() const { return picture_ ? *picture_ : kNoPicture; }
  bool hasPicture() const { return picture_ && !picture_->empty(); }
  // Take a picture decoded before (pixels possibly reduced, as above; shared, never copied) with its own
  // size width × height, exactly as LoadPicture would have.
  void setPicture(std::shared_ptr<const Image> pixels, int width, int height);
  int PictureWidth() const { return pictureWidth_; }
  int PictureHeight() const { return pictureHeight_; }

  // Paint src's picture, rectangle (x2, y2, w2, h2) in src's scale, onto this box's rectangle
  // (x1, y1, w1, h1) in this box's scale. The result is retained, sized to the box's client area (what was
  // retained before is kept, resampled if the box changed size). A source without a picture paints nothing.
  void PaintPicture(const PictureBox& src, float x1, float y1, float w1, float h1, float x2, float y2,
                    float w2, float h2);

  // What the box shows over its background: the retained image (empty after Cls), drawn stretched to the
  // box's current size. A box painted whole from one picture keeps only that painting (below) and makes
  // these pixels when first asked for them.
  const Image& retained() const;

  // A paint that covered the whole box from within one picture replaces everything the box showed, so the
  // box keeps the painting instead of its result: the picture (shared with the box it came from, never
  // copied) and the two rectangles, in that picture's held pixels and in this box's pixels. Pixels of the
  // box's own size are made only when something needs them (retained(), a later partial paint): a box as
  // large as the window would otherwise hold megabytes that say nothing the picture does not. Null when
  // the box holds pixels or nothing.
  struct Painting {
    std::shared_ptr<const Image> source;
    float sx, sy, sw, sh;
    float dx, dy, dw, dh;
    int width, height;  // the client area's size in pixels when painted: the size of retained()
    Color back;
  };
  const Painting* painting() const { return painting_ ? &*painting_ : nullptr; }

  // Mouse button down over the box: button 1 left, 2 right, 4 middle; shift state; position in scale units.
  std::function<void(int16_t button, int16_t shift, float x, float y)> onMouseDown;

 protected:
  float clientInsetPx() const override { return BorderStyle() ? float(kBorderPx) : 0.0f; }

 private:
  static const Image kNoPicture;
  std::shared_ptr<const Image> picture_;
  int pictureWidth_ = 0;
  int pictureHeight_ = 0;
  Image retained_;
  std::optional<Painting> painting_;
  mutable Image made_;  // retained() of a painting, made on first request
  mutable bool madeCurrent_ = false;

  const Image& heldPixels();  // retained_, made from the painting first when there is one
};

}  // namespace platform
