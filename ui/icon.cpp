// The lantern, described on a 32 × 32 design grid and sampled at any pixel size.
#include "ui/icon.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979;
constexpr double kGrid = 32.0;  // design units across the icon
constexpr int kSamples = 4;     // per pixel edge

struct Rgba {
  double r = 0, g = 0, b = 0, a = 0;  // 0..255, a 0 or 1
};

constexpr Rgba kBronze{92, 58, 26, 1};
constexpr Rgba kBronzeLight{150, 100, 45, 1};
constexpr Rgba kTasselRed{200, 40, 40, 1};

bool within(double v, double lo, double hi) { return v >= lo && v < hi; }

// The half-width of the body at height v: it bulges in the middle.
double bodyHalfWidth(double v) { return 5 + 3 * std::sin((v - 10) * kPi / 15.5); }

// The colour at design point (u, v); a = 0 where the ground shows. Later parts lie over earlier ones.
Rgba colourAt(double u, double v) {
  if (within(u, 16, 17) && within(v, 29, 32)) return kTasselRed;
  if (within(u, 13, 19) && within(v, 28, 29)) return kBronze;  // the tassel's knot
  if (within(u, 9, 23) && within(v, 25, 28)) return v < 26 ? kBronzeLight : kBronze;
  if (within(v, 10, 25)) {
    const double half = bodyHalfWidth(v);
    if (std::abs(u - 16) < half) {
      const double dx = (u - 16) / (half + 0.5), dy = (v - 17.5) / 8.0;
      const double glow = std::clamp(1.0 - std::sqrt(dx * dx + dy * dy), 0.0, 1.0);
      Rgba c{225 + 30 * glow, 105 + 130 * glow, 30 + 110 * glow * glow, 1};
      const double ribLeft = 16 - half / 2 - 1, ribRight = 16 + half / 2;
      const bool rib = within(u, ribLeft, ribLeft + 1) || within(u, ribRight, ribRight + 1) ||
                       static_cast<int>(std::floor(v)) % 4 == 1;
      if (rib) c.r -= 40, c.g -= 40, c.b = std::max(0.0, c.b - 20);
      return c;
    }
  }
  if (within(u, 9, 23) && within(v, 7, 10)) return v < 8 ? kBronzeLight : kBronze;
  // The handle: the upper half of a ring over the top cap.
  const double ringDistance = std::hypot(u - 16.5, v - 7.5);
  if (v <= 8 && std::abs(ringDistance - 4.5) < 0.6) return kBronze;
  return {};
}

uint32_t pack(double a, double r, double g, double b) {
  auto byte = [](double x) { return static_cast<uint32_t>(std::clamp(std::lround(x), 0L, 255L)); };
  return (byte(a) << 24) | (byte(r) << 16) | (byte(g) << 8) | byte(b);
}

}  // namespace

platform::Image lanternIcon(int size) {
  size = std::max(size, 1);
  platform::Image icon;
  icon.width = size;
  icon.height = size;
  icon.pixels.assign(static_cast<size_t>(size) * size, 0);
  const double unitsPerSample = kGrid / (size * kSamples);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      // Colours are summed weighted by coverage, so a half-covered edge pixel keeps its colour at half
      // opacity instead of darkening towards the transparent ground.
      double r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const Rgba c = colourAt((x * kSamples + sx + 0.5) * unitsPerSample,
                                  (y * kSamples + sy + 0.5) * unitsPerSample);
          r += c.r * c.a, g += c.g * c.a, b += c.b * c.a, a += c.a;
        }
      }
      if (a == 0) continue;
      icon.pixels[static_cast<size_t>(y) * size + x] =
          pack(255.0 * a / (kSamples * kSamples), r / a, g / a, b / a);
    }
  }
  return icon;
}
