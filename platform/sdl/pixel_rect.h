// Rectangles of real pixels as the renderer's parts pass them around, with the few set operations that
// damage tracking and clipping need (SDL's own rules: an empty rectangle meets nothing). The headers of
// the SDL backend name no SDL type, so the painters convert at the call.
#pragma once

#include "platform/runtime/control.h"

namespace platform {

struct PixelRect {
  int x = 0, y = 0, w = 0, h = 0;
  bool empty() const { return w <= 0 || h <= 0; }
  bool operator==(const PixelRect&) const = default;
};

// What a and b share; all zero when nothing.
PixelRect intersect(const PixelRect& a, const PixelRect& b);
// The smallest rectangle holding both; an empty one adds nothing.
PixelRect unite(const PixelRect& a, const PixelRect& b);
bool overlaps(const PixelRect& a, const PixelRect& b);
// inner is not empty and lies wholly inside outer.
bool covers(const PixelRect& outer, const PixelRect& inner);

// A rectangle of window pixels in real pixels, edges rounded so that neighbours share their edges.
PixelRect toPixels(const RectF& r, float scale);

}  // namespace platform
