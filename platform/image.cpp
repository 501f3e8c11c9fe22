// Pictures as pixel buffers: decoding through SDL2_image, and the separable resampler behind PaintPicture
// (area averaging where a direction shrinks, bilinear where it enlarges).
#include "platform/image.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform {

std::optional<Image> loadImageFile(const std::string& utf8Path, std::string* error) {
  auto fail = [&](const std::string& why) -> std::optional<Image> {
    if (error != nullptr) *error = why;
    return std::nullopt;
  };
  SDL_RWops* file = SDL_RWFromFile(utf8Path.c_str(), "rb");
  if (file == nullptr) return fail("cannot open " + utf8Path + ": " + SDL_GetError());
  SDL_Surface* decoded = IMG_Load_RW(file, 1);  // closes the file in every case
  if (decoded == nullptr) return fail("cannot decode " + utf8Path + ": " + IMG_GetError());
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(decoded, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(decoded);
  if (argb == nullptr) return fail("cannot convert " + utf8Path + ": " + SDL_GetError());
  if (argb->w <= 0 || argb->h <= 0) {
    SDL_FreeSurface(argb);
    return fail("empty picture " + utf8Path);
  }

  Image image;
  image.width = argb->w;
  image.height = argb->h;
  image.pixels.resize(static_cast<size_t>(image.width) * image.height);
  if (SDL_LockSurface(argb) == 0) {
    const auto* bytes = static_cast<const unsigned char*>(argb->pixels);
    for (int y = 0; y < image.height; ++y) {
      std::memcpy(&image.pixels[static_cast<size_t>(y) * image.width],
                  bytes + static_cast<size_t>(y) * argb->pitch,
                  static_cast<size_t>(image.width) * sizeof(uint32_t));
    }
    SDL_UnlockSurface(argb);
  } else {
    SDL_FreeSurface(argb);
    return fail("cannot read the pixels of " + utf8Path + ": " + SDL_GetError());
  }
  SDL_FreeSurface(argb);
  return image;
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

inline uint32_t channelByte(float v) {
  int n = static_cast<int>(v + 0.5f);
  return static_cast<uint32_t>(std::clamp(n, 0, 255));
}

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

  // One destination row at a time: first the vertical taps over the needed source columns, then the
  // horizontal taps over that row. Keeps the working set to one row of floats.
  const int cols = xs.maxSrc - xs.minSrc + 1;
  std::vector<float> row(static_cast<size_t>(cols) * 4);
  for (int j = 0; j < ys.count(); ++j) {
    int yBegin = ys.start[j], yEnd = ys.start[j + 1];
    if (yBegin == yEnd) continue;
    std::fill(row.begin(), row.end(), 0.0f);
    for (int t = yBegin; t < yEnd; ++t) {
      const float w = ys.taps[t].weight;
      const uint32_t* in = &src.pixels[static_cast<size_t>(ys.taps[t].index) * src.width + xs.minSrc];
      float* acc = row.data();
      for (int c = 0; c < cols; ++c, acc += 4) {
        uint32_t p = in[c];
        acc[0] += w * static_cast<float>(p >> 24);
        acc[1] += w * static_cast<float>((p >> 16) & 255);
        acc[2] += w * static_cast<float>((p >> 8) & 255);
        acc[3] += w * static_cast<float>(p & 255);
      }
    }
    uint32_t* out = &dst.pixels[static_cast<size_t>(ys.firstDst + j) * dst.width];
    for (int i = 0; i < xs.count(); ++i) {
      int xBegin = xs.start[i], xEnd = xs.start[i + 1];
      if (xBegin == xEnd) continue;
      float a = 0, r = 0, g = 0, b = 0;
      for (int t = xBegin; t < xEnd; ++t) {
        const float w = xs.taps[t].weight;
        const float* p = &row[static_cast<size_t>(xs.taps[t].index - xs.minSrc) * 4];
        a += w * p[0];
        r += w * p[1];
        g += w * p[2];
        b += w * p[3];
      }
      out[xs.firstDst + i] =
          (channelByte(a) << 24) | (channelByte(r) << 16) | (channelByte(g) << 8) | channelByte(b);
    }
  }
}

}  // namespace platform
