// Pictures as pixel buffers: the separable resampler behind PaintPicture (area averaging where a direction
// shrinks, bilinear where it enlarges), and the hook through which a backend decodes picture files.
#include "platform/runtime/image.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <utility>

namespace platform {

namespace {
PictureDecoder gDecoder = nullptr;
}  // namespace

void setPictureDecoder(PictureDecoder decoder) { gDecoder = decoder; }

std::optional<DecodedPicture> decodePictureFile(const std::string& utf8Path, int needWidth, int needHeight,
                                                std::string* error) {
  if (!gDecoder) {
    if (error) *error = "no picture decoder is installed";
    return std::nullopt;
  }
  return gDecoder(utf8Path, needWidth, needHeight, error);
}

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

// Destination pixel i covers [i, i + 1); it maps to source coordinate s0 + (t - d0) * sLen / dLen. Pixels
// whose centre falls outside the destination rectangle, or whose footprint misses the source rectangle
// and image, get no taps and are left alone (clipped). Negative lengths mirror.
AxisMap buildAxis(float s0, float sLen, int srcSize, float d0, float dLen, int dstSize) {
  AxisMap m;
  m.start.push_back(0);
  if (!(sLen != 0) || !(dLen != 0) || !std::isfinite(s0 + sLen + d0 + dLen)) return m;

  float dMin = std::min(d0, d0 + dLen), dMax = std::max(d0, d0 + dLen);
  int lo = std::max(0, static_cast<int>(std::ceil(dMin - 0.5f)));
  int hi = std::min(dstSize, static_cast<int>(std::ceil(dMax - 0.5f)));
  if (lo >= hi) return m;

  float cMin = std::max(0.0f, std::min(s0, s0 + sLen));
  float cMax = std::min(static_cast<float>(srcSize), std::max(s0, s0 + sLen));
  if (cMin >= cMax) return m;
  int kLo = static_cast<int>(std::floor(cMin));
  int kHi = std::min(srcSize - 1, static_cast<int>(std::ceil(cMax)) - 1);

  double scale = static_cast<double>(sLen) / dLen;
  auto srcAt = [&](double t) { return s0 + (t - d0) * scale; };
  bool shrinking = std::fabs(sLen) > std::fabs(dLen);

  m.firstDst = lo;
  m.minSrc = kHi;
  m.maxSrc = kLo;
  m.start.reserve(static_cast<size_t>(hi - lo) + 1);
  for (int i = lo; i < hi; ++i) {
    size_t first = m.taps.size();
    if (shrinking) {
      double a = srcAt(i), b = srcAt(i + 1.0);
      if (a > b) std::swap(a, b);
      a = std::max(a, static_cast<double>(cMin));
      b = std::min(b, static_cast<double>(cMax));
      if (a < b) {
        for (int k = std::max(kLo, static_cast<int>(std::floor(a))); k <= kHi && k < b; ++k) {
          double overlap = std::min(b, k + 1.0) - std::max(a, static_cast<double>(k));
          if (overlap > 0) m.taps.push_back({k, static_cast<float>(overlap)});
        }
      }
    } else {
      double centre = srcAt(i + 0.5);
      if (centre >= cMin && centre <= cMax) {
        double c = std::clamp(centre - 0.5, static_cast<double>(kLo), static_cast<double>(kHi));
        int k0 = static_cast<int>(std::floor(c));
        float f = static_cast<float>(c - k0);
        m.taps.push_back({k0, 1.0f - f});
        if (f > 0 && k0 + 1 <= kHi) m.taps.push_back({k0 + 1, f});
      }
    }
    float total = 0;
    for (size_t t = first; t < m.taps.size(); ++t) total += m.taps[t].weight;
    if (total > 0) {
      for (size_t t = first; t < m.taps.size(); ++t) {
        m.taps[t].weight /= total;
        m.minSrc = std::min(m.minSrc, m.taps[t].index);
        m.maxSrc = std::max(m.maxSrc, m.taps[t].index);
      }
    } else {
      m.taps.resize(first);
    }
    m.start.push_back(static_cast<int>(m.taps.size()));
  }
  return m;
}

// A pixel as four floats in one register (blue, green, red, alpha: the byte order of 0xAARRGGBB in
// memory), so that one multiply-add weighs all four channels of a tap.
#if defined(__SSE2__)
struct Px {
  __m128 v;
};
inline Px zeroPx() { return {_mm_setzero_ps()}; }
inline Px widen(uint32_t p) {
  const __m128i zero = _mm_setzero_si128();
  __m128i v = _mm_cvtsi32_si128(static_cast<int>(p));
  v = _mm_unpacklo_epi16(_mm_unpacklo_epi8(v, zero), zero);
  return {_mm_cvtepi32_ps(v)};
}
inline Px madd(Px acc, float w, Px v) { return {_mm_add_ps(acc.v, _mm_mul_ps(_mm_set1_ps(w), v.v))}; }
inline uint32_t narrow(Px v) {  // rounds to nearest and saturates to 0..255
  __m128i i = _mm_cvtps_epi32(v.v);
  i = _mm_packs_epi32(i, i);
  i = _mm_packus_epi16(i, i);
  return static_cast<uint32_t>(_mm_cvtsi128_si32(i));
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
inline uint32_t narrow(Px v) {
  uint32_t out = 0;
  for (int k = 0; k < 4; ++k) {
    long n = std::lround(v.c[k]);
    out |= static_cast<uint32_t>(n < 0 ? 0 : (n > 255 ? 255 : n)) << (8 * k);
  }
  return out;
}
#endif

}  // namespace

void stretchCopy(const Image& src, float sx, float sy, float sw, float sh, Image& dst, float dx, float dy,
                 float dw, float dh) {
  if (src.empty() || dst.empty()) return;
  if (&src == &dst) {
    Image copy = src;
    stretchCopy(copy, sx, sy, sw, sh, dst, dx, dy, dw, dh);
    return;
  }
  AxisMap xs = buildAxis(sx, sw, src.width, dx, dw, dst.width);
  AxisMap ys = buildAxis(sy, sh, src.height, dy, dh, dst.height);
  if (xs.taps.empty() || ys.taps.empty()) return;

  // Across first, into rows as wide as the destination, then down. A source row is resampled across
  // when first needed and kept in a small ring: neighbouring destination rows share their source rows, and
  // the rows go by in order (downward, or upward when mirrored).
  constexpr int kRing = 8;
  const int width = xs.count();
  std::vector<Px> line(static_cast<size_t>(xs.maxSrc - xs.minSrc + 1));
  std::vector<Px> ring(static_cast<size_t>(kRing) * width);
  int ringRow[kRing];
  std::fill(std::begin(ringRow), std::end(ringRow), -1);
  auto across = [&](int k) -> const Px* {
    Px* out = &ring[static_cast<size_t>(k % kRing) * width];
    if (ringRow[k % kRing] == k) return out;
    ringRow[k % kRing] = k;
    const uint32_t* in = &src.pixels[static_cast<size_t>(k) * src.width + xs.minSrc];
    for (size_t c = 0; c < line.size(); ++c) line[c] = widen(in[c]);
    for (int i = 0; i < width; ++i) {
      Px sum = zeroPx();
      for (int t = xs.start[i]; t < xs.start[i + 1]; ++t) {
        sum = madd(sum, xs.taps[t].weight, line[xs.taps[t].index - xs.minSrc]);
      }
      out[i] = sum;
    }
    return out;
  };

  std::vector<Px> sum(static_cast<size_t>(width));
  for (int j = 0; j < ys.count(); ++j) {
    if (ys.start[j] == ys.start[j + 1]) continue;
    std::fill(sum.begin(), sum.end(), zeroPx());
    for (int t = ys.start[j]; t < ys.start[j + 1]; ++t) {
      const float w = ys.taps[t].weight;
      const Px* row = across(ys.taps[t].index);
      for (int i = 0; i < width; ++i) sum[i] = madd(sum[i], w, row[i]);
    }
    uint32_t* out = &dst.pixels[static_cast<size_t>(ys.firstDst + j) * dst.width + xs.firstDst];
    for (int i = 0; i < width; ++i) {
      if (xs.start[i] != xs.start[i + 1]) out[i] = narrow(sum[i]);  // no taps: clipped, left as it was
    }
  }
}

}  // namespace platform
