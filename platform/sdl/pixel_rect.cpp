// Rectangle arithmetic on real pixels.
#include "platform/sdl/pixel_rect.h"

#include <algorithm>
#include <cmath>

namespace platform {

PixelRect intersect(const PixelRect& a, const PixelRect& b) {
  if (a.empty() || b.empty()) return PixelRect{};
  const int x0 = std::max(a.x, b.x), x1 = std::min(a.x + a.w, b.x + b.w);
  const int y0 = std::max(a.y, b.y), y1 = std::min(a.y + a.h, b.y + b.h);
  if (x1 <= x0 || y1 <= y0) return PixelRect{};
  return PixelRect{x0, y0, x1 - x0, y1 - y0};
}

PixelRect unite(const PixelRect& a, const PixelRect& b) {
  if (a.empty()) return b.empty() ? PixelRect{} : b;
  if (b.empty()) return a;
  const int x0 = std::min(a.x, b.x), x1 = std::max(a.x + a.w, b.x + b.w);
  const int y0 = std::min(a.y, b.y), y1 = std::max(a.y + a.h, b.y + b.h);
  return PixelRect{x0, y0, x1 - x0, y1 - y0};
}

bool overlaps(const PixelRect& a, const PixelRect& b) { return !intersect(a, b).empty(); }

bool covers(const PixelRect& outer, const PixelRect& inner) {
  return !inner.empty() && intersect(outer, inner) == inner;
}

PixelRect toPixels(const RectF& r, float scale) {
  const int x0 = static_cast<int>(std::lround(r.x * scale));
  const int y0 = static_cast<int>(std::lround(r.y * scale));
  const int x1 = static_cast<int>(std::lround((r.x + r.w) * scale));
  const int y1 = static_cast<int>(std::lround((r.y + r.h) * scale));
  return PixelRect{x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0)};
}

}  // namespace platform
