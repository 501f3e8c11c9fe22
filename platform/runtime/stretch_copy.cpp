// The separable resampler behind PaintPicture: area averaging where a direction shrinks, bilinear where it
// enlarges, written in plain C++ that compilers turn into vector code on their own.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <utility>
#include <vector>

#include "platform/runtime/image.h"

namespace platform {

namespace {

struct Tap {
  int index;
  float weight;
};

// For one direction: which source pixels, with which weights, make each destination pixel.
struct AxisMap {
  int firstDst = 0;
  std::vector<int> start;  // into taps, one per destination pixel from firstDst on, plus one end marker
  std::vector<Tap> taps;
  int minSrc = 0, maxSrc = -1;
  int count() const { return static_cast<int>(start.size()) - 1; }
};

// The source span of one direction, clipped to the image: [cMin, cMax) in coordinates, pixels kLo..kHi.
struct SourceSpan {
  float cMin, cMax;
  int kLo, kHi;
};

// Shrinking: every source pixel under the destination pixel's footprint [a, b), weighed by its overlap.
void areaTaps(double a, double b, const SourceSpan& s, std::vector<Tap>& taps) {
  if (a > b) std::swap(a, b);
  a = std::max(a, static_cast<double>(s.cMin));
  b = std::min(b, static_cast<double>(s.cMax));
  if (a >= b) return;
  for (int k = std::max(s.kLo, static_cast<int>(std::floor(a))); k <= s.kHi && k < b; ++k) {
    const double overlap = std::min(b, k + 1.0) - std::max(a, static_cast<double>(k));
    if (overlap > 0) taps.push_back({k, static_cast<float>(overlap)});
  }
}

// Enlarging: the two source pixels around the destination pixel's centre, linearly.
void bilinearTaps(double centre, const SourceSpan& s, std::vector<Tap>& taps) {
  if (centre < s.cMin || centre > s.cMax) return;
  const double c = std::clamp(centre - 0.5, static_cast<double>(s.kLo), static_cast<double>(s.kHi));
  const int k0 = static_cast<int>(std::floor(c));
  const float f = static_cast<float>(c - k0);
  taps.push_back({k0, 1.0f - f});
  if (f > 0 && k0 + 1 <= s.kHi) taps.push_back({k0 + 1, f});
}

// The taps of one destination pixel, from `first` on, made to sum to 1 (or dropped when they weigh
// nothing), and the map's source range widened to cover them.
void normaliseTaps(AxisMap& m, size_t first) {
  float total = 0;
  for (size_t t = first; t < m.taps.size(); ++t) total += m.taps[t].weight;
  if (!(total > 0)) {
    m.taps.resize(first);
    return;
  }
  for (size_t t = first; t < m.taps.size(); ++t) {
    m.taps[t].weight /= total;
    m.minSrc = std::min(m.minSrc, m.taps[t].index);
    m.maxSrc = std::max(m.maxSrc, m.taps[t].index);
  }
}

// Destination pixel i covers [i, i + 1); it maps to source coordinate s0 + (t - d0) * sLen / dLen. Pixels
// whose centre falls outside the destination rectangle, or whose footprint misses the source rectangle
// and image, get no taps and are left alone (clipped). Negative lengths mirror.
AxisMap buildAxis(float s0, float sLen, int srcSize, float d0, float dLen, int dstSize) {
  AxisMap m;
  m.start.push_back(0);
  if (!(sLen != 0) || !(dLen != 0) || !std::isfinite(s0 + sLen + d0 + dLen)) return m;

  const float dMin = std::min(d0, d0 + dLen), dMax = std::max(d0, d0 + dLen);
  const int lo = std::max(0, static_cast<int>(std::ceil(dMin - 0.5f)));
  const int hi = std::min(dstSize, static_cast<int>(std::ceil(dMax - 0.5f)));
  if (lo >= hi) return m;

  SourceSpan span;
  span.cMin = std::max(0.0f, std::min(s0, s0 + sLen));
  span.cMax = std::min(static_cast<float>(srcSize), std::max(s0, s0 + sLen));
  if (span.cMin >= span.cMax) return m;
  span.kLo = static_cast<int>(std::floor(span.cMin));
  span.kHi = std::min(srcSize - 1, static_cast<int>(std::ceil(span.cMax)) - 1);

  const double scale = static_cast<double>(sLen) / dLen;
  auto srcAt = [&](double t) { return s0 + (t - d0) * scale; };
  const bool shrinking = std::fabs(sLen) > std::fabs(dLen);

  m.firstDst = lo;
  m.minSrc = span.kHi;
  m.maxSrc = span.kLo;
  m.start.reserve(static_cast<size_t>(hi - lo) + 1);
  for (int i = lo; i < hi; ++i) {
    const size_t first = m.taps.size();
    if (shrinking) {
      areaTaps(srcAt(i), srcAt(i + 1.0), span, m.taps);
    } else {
      bilinearTaps(srcAt(i + 0.5), span, m.taps);
    }
    normaliseTaps(m, first);
    m.start.push_back(static_cast<int>(m.taps.size()));
  }
  return m;
}

// A pixel as four floats (blue, green, red, alpha: the byte order of 0xAARRGGBB in memory), so that one
// multiply-add weighs all four channels of a tap. Where the compiler has generic vectors, the four lie in
// one vector register and the code below becomes the processor's own vector instructions, whatever the
// processor; elsewhere they are four plain floats. Both give the same pixels: products and sums in the
// same order, rounded to nearest with ties to even, saturated to 0..255. The build compiles this file with
// -ffp-contract=off: a fused multiply-add rounds once where these round twice, and would make the pixels
// depend on the machine. LANTERNFALL_PLAIN_PIXELS asks for the plain path, so that a test can hold it to
// the same pixels.
#if defined(__has_builtin) && !defined(LANTERNFALL_PLAIN_PIXELS)
// The vector path reads a pixel's bytes in memory order, which is channel order on little-endian machines.
#if __has_builtin(__builtin_shufflevector) && __has_builtin(__builtin_convertvector) && \
    defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define LANTERNFALL_VECTOR_PIXELS 1
#endif
#endif

// 2^23: a float of 0..255 plus this is a whole number, rounded in the default rounding mode, held in the
// low bits of the float's representation.
constexpr float kRoundingBias = 8388608.0f;
static_assert(std::numeric_limits<float>::is_iec559, "the rounding relies on IEEE single precision");

#if defined(LANTERNFALL_VECTOR_PIXELS)
typedef float F32x4 __attribute__((vector_size(16)));
typedef int32_t I32x4 __attribute__((vector_size(16)));
typedef uint16_t U16x8 __attribute__((vector_size(16)));
typedef uint8_t U8x16 __attribute__((vector_size(16)));

struct Px {
  F32x4 v;
};

inline Px zeroPx() { return Px{F32x4{0, 0, 0, 0}}; }

inline Px widen(uint32_t p) {
  // The four bytes zero-extended to 16 and then 32 bits: two interleaves with zero.
  const I32x4 word = {static_cast<int32_t>(p), 0, 0, 0};
  const U8x16 bytes = std::bit_cast<U8x16>(word), noBytes = {};
  const U8x16 halves =
      __builtin_shufflevector(bytes, noBytes, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
  const U16x8 noHalves = {};
  const U16x8 words =
      __builtin_shufflevector(std::bit_cast<U16x8>(halves), noHalves, 0, 8, 1, 9, 2, 10, 3, 11);
  return Px{__builtin_convertvector(std::bit_cast<I32x4>(words), F32x4)};
}

inline Px madd(Px acc, float w, Px v) { return Px{acc.v + w * v.v}; }

inline uint32_t narrow(Px p) {
  const F32x4 zero = {0, 0, 0, 0}, top = {255, 255, 255, 255};
  F32x4 v = p.v > zero ? p.v : zero;  // NaN: 0
  v = v < top ? v : top;
  v += kRoundingBias;
  const I32x4 bytes = std::bit_cast<I32x4>(v) & 255;
  const I32x4 pairs = bytes | __builtin_shufflevector(bytes, bytes, 1, 0, 3, 0) << 8;
  return static_cast<uint32_t>(pairs[0]) | static_cast<uint32_t>(pairs[2]) << 16;
}
#else
struct Px {
  float c[4];
};

inline Px zeroPx() { return Px{{0, 0, 0, 0}}; }

inline Px widen(uint32_t p) {
  return Px{{static_cast<float>(p & 255), static_cast<float>((p >> 8) & 255),
             static_cast<float>((p >> 16) & 255), static_cast<float>(p >> 24)}};
}

inline Px madd(Px acc, float w, Px v) {
  for (int k = 0; k < 4; ++k) acc.c[k] += w * v.c[k];
  return acc;
}

inline uint32_t toByte(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 255.0f) return 255;
  return static_cast<uint32_t>((v + kRoundingBias) - kRoundingBias);
}

inline uint32_t narrow(Px v) {
  return toByte(v.c[0]) | toByte(v.c[1]) << 8 | toByte(v.c[2]) << 16 | toByte(v.c[3]) << 24;
}
#endif

// A source row resampled across, kept in a small ring: neighbouring destination rows share their source
// rows, and the rows go by in order (downward, or upward when mirrored).
class AcrossRows {
 public:
  AcrossRows(const Image& src, const AxisMap& xs)
      : src_(src),
        xs_(xs),
        width_(xs.count()),
        line_(static_cast<size_t>(xs.maxSrc - xs.minSrc + 1)),
        ring_(static_cast<size_t>(kRing) * width_) {
    std::fill(std::begin(ringRow_), std::end(ringRow_), -1);
  }

  const Px* row(int k) {
    Px* out = &ring_[static_cast<size_t>(k % kRing) * width_];
    if (ringRow_[k % kRing] == k) return out;
    ringRow_[k % kRing] = k;
    const uint32_t* in = &src_.pixels[static_cast<size_t>(k) * src_.width + xs_.minSrc];
    for (size_t c = 0; c < line_.size(); ++c) line_[c] = widen(in[c]);
    for (int i = 0; i < width_; ++i) {
      Px sum = zeroPx();
      for (int t = xs_.start[i]; t < xs_.start[i + 1]; ++t) {
        sum = madd(sum, xs_.taps[t].weight, line_[xs_.taps[t].index - xs_.minSrc]);
      }
      out[i] = sum;
    }
    return out;
  }

 private:
  static constexpr int kRing = 8;
  const Image& src_;
  const AxisMap& xs_;
  int width_;
  std::vector<Px> line_;
  std::vector<Px> ring_;
  int ringRow_[kRing];
};

}  // namespace

void stretchCopy(const Image& src, float sx, float sy, float sw, float sh, Image& dst, float dx, float dy,
                 float dw, float dh) {
  if (src.empty() || dst.empty()) return;
  if (&src == &dst) {
    Image copy = src;
    stretchCopy(copy, sx, sy, sw, sh, dst, dx, dy, dw, dh);
    return;
  }
  const AxisMap xs = buildAxis(sx, sw, src.width, dx, dw, dst.width);
  const AxisMap ys = buildAxis(sy, sh, src.height, dy, dh, dst.height);
  if (xs.taps.empty() || ys.taps.empty()) return;

  // Across first, into rows as wide as the destination, then down.
  AcrossRows across(src, xs);
  const int width = xs.count();
  std::vector<Px> sum(static_cast<size_t>(width));
  for (int j = 0; j < ys.count(); ++j) {
    if (ys.start[j] == ys.start[j + 1]) continue;
    std::fill(sum.begin(), sum.end(), zeroPx());
    for (int t = ys.start[j]; t < ys.start[j + 1]; ++t) {
      const float w = ys.taps[t].weight;
      const Px* row = across.row(ys.taps[t].index);
      for (int i = 0; i < width; ++i) sum[i] = madd(sum[i], w, row[i]);
    }
    uint32_t* out = &dst.pixels[static_cast<size_t>(ys.firstDst + j) * dst.width + xs.firstDst];
    for (int i = 0; i < width; ++i) {
      if (xs.start[i] != xs.start[i + 1]) out[i] = narrow(sum[i]);  // no taps: clipped, left as it was
    }
  }
}

}  // namespace platform
