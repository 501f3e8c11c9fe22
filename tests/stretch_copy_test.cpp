// The resampler's pixels, pinned: seeded pictures painted over seeded rectangles (shrinking, enlarging,
// mirrored, clipped, whole) give exactly the pixels they have always given, on the vector path and on
// the plain one (the suite is built twice, once for each).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "platform/runtime/image.h"

namespace {

using platform::Image;

Image randomImage(std::mt19937& rng, int maxSide) {
  Image image;
  image.width = 1 + static_cast<int>(rng() % maxSide);
  image.height = 1 + static_cast<int>(rng() % maxSide);
  image.pixels.resize(static_cast<size_t>(image.width) * image.height);
  for (uint32_t& p : image.pixels) p = rng();
  return image;
}

// -20.00 .. 99.99 in hundredths: the engine's raw output is the same everywhere, a distribution's is not.
float coordinate(std::mt19937& rng) { return static_cast<float>(rng() % 12000) / 100.0f - 20.0f; }

TEST(StretchCopy, SeededPaintsGiveThePinnedPixels) {
  std::mt19937 rng(20240607u);
  uint64_t hash = 14695981039346656037ull;  // FNV-1a over every painted pixel
  for (int n = 0; n < 600; ++n) {
    const Image src = randomImage(rng, 60);
    Image dst = randomImage(rng, 80);
    float r[8];
    for (float& v : r) v = coordinate(rng);
    if (n % 3 == 0) {  // whole onto whole: the exact halves of integer ratios round to even
      r[0] = r[1] = r[4] = r[5] = 0;
      r[2] = static_cast<float>(src.width), r[3] = static_cast<float>(src.height);
      r[6] = static_cast<float>(dst.width), r[7] = static_cast<float>(dst.height);
    }
    platform::stretchCopy(src, r[0], r[1], r[2], r[3], dst, r[4], r[5], r[6], r[7]);
    for (uint32_t p : dst.pixels) {
      for (int k = 0; k < 4; ++k) hash = (hash ^ ((p >> (8 * k)) & 255)) * 1099511628211ull;
    }
  }
  EXPECT_EQ(hash, 0xf924945cc1005aa8ull);
}

}  // namespace
