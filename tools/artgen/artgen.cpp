// The picture generator: paints the title picture and every scene picture of the bundled story from
// code (skies, hills, the great tree, lanterns, leaves, rain, silhouettes) and saves them as JPEG files.
// Usage: lanternfall-artgen <output folder> [font file]   (rebuilds content/img/*.jpg when run on it)
#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr float kPi = 3.14159265f;
constexpr int kSupersample = 3;             // each output pixel is the mean of 3 × 3 painted samples
constexpr long kMaxFileBytes = 190 * 1024;  // the content rule is under 200 KB; keep a margin
constexpr const char* kDefaultFont = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf";

struct Rgb {
  float r = 0, g = 0, b = 0;
};
Rgb rgb(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f}; }
Rgb mix(Rgb a, Rgb b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb scale(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }
float smoothstep(float e0, float e1, float x) {
  float t = clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

// A fixed xorshift generator, so that a rebuild paints the same stars and lanterns on any library.
struct Rng {
  uint64_t s;
  explicit Rng(uint64_t seed) : s(seed * 2654435761u + 88172645463325252ull) {}
  float next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return static_cast<float>(s >> 40) / 16777216.0f;
  }
  float range(float a, float b) { return a + (b - a) * next(); }
};

// A colour stop of a vertical gradient, at a fraction of the picture height.
struct Stop {
  float at;
  Rgb color;
};
Rgb gradientAt(const std::vector<Stop>& stops, float t) {
  if (t <= stops.front().at) return stops.front().color;
  for (size_t i = 1; i < stops.size(); ++i) {
    if (t <= stops[i].at) {
      float k = (t - stops[i - 1].at) / (stops[i].at - stops[i - 1].at);
      return mix(stops[i - 1].color, stops[i].color, smoothstep(0, 1, k));
    }
  }
  return stops.back().color;
}

// The painting surface. Every drawing call takes coordinates in output pixels; the canvas paints at
// kSupersample times that resolution and averages on the way out, which smooths every edge.
class Canvas {
 public:
  Canvas(int width, int height)
      : w_(width * kSupersample),
        h_(height * kSupersample),
        outW_(width),
        outH_(height),
        px_(static_cast<size_t>(w_) * h_) {}
  int width() const { return outW_; }
  int height() const { return outH_; }

  // Calls f(x, y, colour) for every sample in the box (output pixel units), letting it change the colour.
  void shade(float x0, float y0, float x1, float y1, const std::function<void(float, float, Rgb&)>& f) {
    int sx0 = std::max(0, static_cast<int>(std::floor(x0 * kSupersample)));
    int sy0 = std::max(0, static_cast<int>(std::floor(y0 * kSupersample)));
    int sx1 = std::min(w_, static_cast<int>(std::ceil(x1 * kSupersample)));
    int sy1 = std::min(h_, static_cast<int>(std::ceil(y1 * kSupersample)));
    for (int y = sy0; y < sy1; ++y) {
      float fy = (y + 0.5f) / kSupersample;
      for (int x = sx0; x < sx1; ++x) f((x + 0.5f) / kSupersample, fy, px_[static_cast<size_t>(y) * w_ + x]);
    }
  }
  void shadeAll(const std::function<void(float, float, Rgb&)>& f) {
    shade(0, 0, static_cast<float>(outW_), static_cast<float>(outH_), f);
  }

  void sky(const std::vector<Stop>& stops) {
    shadeAll([&](float, float y, Rgb& c) { c = gradientAt(stops, y / outH_); });
  }

  // Paints colour c with opacity a where inside(x, y) holds, within the bounding box.
  void fill(float x0, float y0, float x1, float y1, const std::function<bool(float, float)>& inside, Rgb c,
            float a = 1.0f) {
    shade(x0, y0, x1, y1, [&](float x, float y, Rgb& p) {
      if (inside(x, y)) p = mix(p, c, a);
    });
  }
  void circle(float cx, float cy, float r, Rgb c, float a = 1.0f) {
    fill(
        cx - r, cy - r, cx + r, cy + r,
        [&](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; }, c, a);
  }
  void ellipse(float cx, float cy, float rx, float ry, Rgb c, float a = 1.0f) {
    fill(
        cx - rx, cy - ry, cx + rx, cy + ry,
        [&](float x, float y) {
          float u = (x - cx) / rx, v = (y - cy) / ry;
          return u * u + v * v <= 1;
        },
        c, a);
  }
  void rect(float x0, float y0, float x1, float y1, Rgb c, float a = 1.0f) {
    fill(
        x0, y0, x1, y1, [](float, float) { return true; }, c, a);
  }
  // A filled polygon (even-odd rule).
  void polygon(const std::vector<std::pair<float, float>>& pts, Rgb c, float a = 1.0f) {
    float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
    for (auto [x, y] : pts) {
      x0 = std::min(x0, x);
      y0 = std::min(y0, y);
      x1 = std::max(x1, x);
      y1 = std::max(y1, y);
    }
    fill(
        x0, y0, x1, y1,
        [&](float x, float y) {
          bool in = false;
          for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
            auto [xi, yi] = pts[i];
            auto [xj, yj] = pts[j];
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
          }
          return in;
        },
        c, a);
  }
  // A straight stroke of the given width, with round ends.
  void line(float xa, float ya, float xb, float yb, float width, Rgb c, float a = 1.0f) {
    float r = width / 2;
    float dx = xb - xa, dy = yb - ya, len2 = std::max(dx * dx + dy * dy, 1e-6f);
    fill(
        std::min(xa, xb) - r, std::min(ya, yb) - r, std::max(xa, xb) + r, std::max(ya, yb) + r,
        [&](float x, float y) {
          float t = clamp01(((x - xa) * dx + (y - ya) * dy) / len2);
          float ex = xa + t * dx - x, ey = ya + t * dy - y;
          return ex * ex + ey * ey <= r * r;
        },
        c, a);
  }
  // Additive light: a soft round glow whose strength falls off like a Gaussian of the given radius.
  void glow(float cx, float cy, float radius, Rgb c, float strength) {
    float reach = radius * 3;
    shade(cx - reach, cy - reach, cx + reach, cy + reach, [&](float x, float y, Rgb& p) {
      float d2 = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) / (radius * radius);
      float k = strength * std::exp(-d2);
      p.r += c.r * k;
      p.g += c.g * k;
      p.b += c.b * k;
    });
  }
  // Darkens the corners, which keeps the eye (and the white text) on the middle.
  void vignette(float strength) {
    shadeAll([&](float x, float y, Rgb& p) {
      float u = x / outW_ - 0.5f, v = y / outH_ - 0.5f;
      p = scale(p, 1 - strength * smoothstep(0.2f, 0.75f, std::sqrt(u * u + v * v)));
    });
  }

  // Alpha-composites a text image (white glyphs in the alpha channel) with a glow under it.
  void text(TTF_Font* font, const std::string& utf8, float centerX, float centerY, Rgb color, Rgb glowColor,
            float glowRadius) {
    SDL_Color white{255, 255, 255, 255};
    SDL_Surface* raw = TTF_RenderUTF8_Blended(font, utf8.c_str(), white);
    if (!raw) return;
    SDL_Surface* s = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(raw);
    if (!s) return;
    // The alpha is copied into a margin wide enough for the halo, which spreads past the glyphs.
    int blur = std::max(1, static_cast<int>(glowRadius * kSupersample));
    int pad = blur * 3;
    int tw = s->w + 2 * pad, th = s->h + 2 * pad;
    std::vector<float> alpha(static_cast<size_t>(tw) * th, 0.0f);
    for (int y = 0; y < s->h; ++y) {
      const auto* row =
          reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(s->pixels) + y * s->pitch);
      for (int x = 0; x < s->w; ++x)
        alpha[static_cast<size_t>(y + pad) * tw + x + pad] = (row[x] >> 24) / 255.0f;
    }
    SDL_FreeSurface(s);
    // The font was opened at kSupersample times its size, so one text pixel is one canvas sample.
    int ox = static_cast<int>(centerX * kSupersample) - tw / 2;
    int oy = static_cast<int>(centerY * kSupersample) - th / 2;
    std::vector<float> halo = boxBlur(boxBlur(alpha, tw, th, blur), tw, th, blur);
    for (int y = 0; y < th; ++y) {
      for (int x = 0; x < tw; ++x) {
        int cx = ox + x, cy = oy + y;
        if (cx < 0 || cy < 0 || cx >= w_ || cy >= h_) continue;
        Rgb& p = px_[static_cast<size_t>(cy) * w_ + cx];
        float h = halo[static_cast<size_t>(y) * tw + x];
        p.r += glowColor.r * h;
        p.g += glowColor.g * h;
        p.b += glowColor.b * h;
        p = mix(p, color, alpha[static_cast<size_t>(y) * tw + x]);
      }
    }
  }

  // Averages the samples into an SDL surface for saving.
  SDL_Surface* toSurface() const {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, outW_, outH_, 24, SDL_PIXELFORMAT_RGB24);
    if (!s) return nullptr;
    for (int y = 0; y < outH_; ++y) {
      auto* row = static_cast<uint8_t*>(s->pixels) + y * s->pitch;
      for (int x = 0; x < outW_; ++x) {
        Rgb sum;
        for (int j = 0; j < kSupersample; ++j)
          for (int i = 0; i < kSupersample; ++i) {
            const Rgb& p = px_[static_cast<size_t>(y * kSupersample + j) * w_ + x * kSupersample + i];
            sum.r += p.r;
            sum.g += p.g;
            sum.b += p.b;
          }
        float n = kSupersample * kSupersample;
        // Half a step of ordered dither keeps the slow gradients of the dark skies from banding.
        static constexpr float kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
        const float d = (kBayer[y & 3][x & 3] + 0.5f) / 16.0f;
        row[x * 3 + 0] = static_cast<uint8_t>(std::min(255.0f, clamp01(sum.r / n) * 255 + d));
        row[x * 3 + 1] = static_cast<uint8_t>(std::min(255.0f, clamp01(sum.g / n) * 255 + d));
        row[x * 3 + 2] = static_cast<uint8_t>(std::min(255.0f, clamp01(sum.b / n) * 255 + d));
      }
    }
    return s;
  }

 private:
  static std::vector<float> boxBlur(const std::vector<float>& src, int w, int h, int r) {
    std::vector<float> tmp(src.size()), out(src.size());
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        float s = 0;
        for (int k = -r; k <= r; ++k) s += src[static_cast<size_t>(y) * w + std::clamp(x + k, 0, w - 1)];
        tmp[static_cast<size_t>(y) * w + x] = s / (2 * r + 1);
      }
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        float s = 0;
        for (int k = -r; k <= r; ++k) s += tmp[static_cast<size_t>(std::clamp(y + k, 0, h - 1)) * w + x];
        out[static_cast<size_t>(y) * w + x] = s / (2 * r + 1);
      }
    return out;
  }

  int w_, h_, outW_, outH_;
  std::vector<Rgb> px_;
};

// ---------------------------------------------------------------------------------------------------
// Motifs shared by several pictures.

const Rgb kLanternDeep = rgb(214, 92, 38);
const Rgb kLanternLight = rgb(255, 214, 130);
const Rgb kGlowWarm = rgb(255, 160, 70);

// A sky lantern: a paper body wider at the top, lit from the flame at its open bottom.
void skyLantern(Canvas& c, float cx, float cy, float w, float brightness = 1.0f) {
  float h = w * 1.35f;
  c.glow(cx, cy + h * 0.1f, w * 1.6f, kGlowWarm, 0.55f * brightness);
  c.shade(cx - w, cy - h, cx + w, cy + h, [&](float x, float y, Rgb& p) {
    float v = (y - (cy - h / 2)) / h;  // 0 at the top, 1 at the bottom
    if (v < 0 || v > 1) return;
    float half = w / 2 * (1.0f - 0.28f * v) * (v < 0.12f ? std::sqrt(v / 0.12f) * 0.3f + 0.7f : 1.0f);
    if (std::fabs(x - cx) > half) return;
    float edge = std::fabs(x - cx) / half;
    Rgb body = mix(kLanternDeep, kLanternLight, v * 0.8f + 0.2f * (1 - edge));
    p = mix(p, scale(body, 0.75f + 0.35f * brightness), 1.0f);
  });
  c.glow(cx, cy + h * 0.42f, w * 0.25f, rgb(255, 240, 200), 0.8f * brightness);
}

// A hanging paper lantern of the streets: a red oval with ribs and black caps.
void streetLantern(Canvas& c, float cx, float cy, float r) {
  c.glow(cx, cy, r * 2.2f, kGlowWarm, 0.45f);
  c.ellipse(cx, cy, r * 0.8f, r, rgb(222, 70, 45));
  c.glow(cx, cy, r * 0.6f, rgb(255, 200, 120), 0.6f);
  for (int i = -2; i <= 2; ++i) {
    float y = cy + i * r * 0.33f;
    float half = r * 0.8f * std::sqrt(std::max(0.0f, 1 - (y - cy) * (y - cy) / (r * r)));
    c.line(cx - half, y, cx + half, y, std::max(0.6f, r * 0.06f), rgb(150, 40, 30), 0.6f);
  }
  c.rect(cx - r * 0.35f, cy - r * 1.08f, cx + r * 0.35f, cy - r * 0.88f, rgb(25, 20, 20));
  c.rect(cx - r * 0.35f, cy + r * 0.88f, cx + r * 0.35f, cy + r * 1.08f, rgb(25, 20, 20));
}

// A leaf along the direction angle: a pointed oval with a midrib and side veins; optionally glowing.
void leaf(Canvas& c, float cx, float cy, float length, float angle, Rgb body, Rgb vein, float glowStrength,
          float bite = 0.0f) {
  if (glowStrength > 0) c.glow(cx, cy, length * 0.7f, rgb(255, 200, 90), glowStrength);
  float ca = std::cos(angle), sa = std::sin(angle);
  float reach = length * 0.6f;
  c.shade(cx - reach, cy - reach, cx + reach, cy + reach, [&](float x, float y, Rgb& p) {
    float dx = x - cx, dy = y - cy;
    float u = (dx * ca + dy * sa) / length + 0.5f;  // 0 at the stem, 1 at the tip
    float v = (-dx * sa + dy * ca) / length;
    if (u < 0 || u > 1) return;
    float half = 0.23f * std::pow(std::sin(kPi * std::pow(u, 0.8f)), 0.9f);
    if (std::fabs(v) > half) return;
    // A dry leaf has ragged gaps bitten out of one edge.
    if (bite > 0 && v > 0 && v > half * (1 - bite * (0.5f + 0.5f * std::sin(u * 40)))) return;
    float shade = 0.85f + 0.25f * (1 - std::fabs(v) / std::max(half, 1e-3f)) - 0.1f * u;
    Rgb col = scale(body, shade);
    float rib = std::fabs(v);
    bool vein1 = rib < 0.008f;
    float side = std::fmod(u * 9 + std::fabs(v) * 14, 1.0f);
    bool vein2 = std::fabs(v) > 0.02f && side < 0.08f;
    if (vein1 || vein2) col = mix(col, vein, vein1 ? 0.9f : 0.45f);
    p = col;
  });
  // The stem.
  c.line(cx - ca * length * 0.5f, cy - sa * length * 0.5f, cx - ca * length * 0.62f, cy - sa * length * 0.62f,
         std::max(1.0f, length * 0.02f), scale(body, 0.6f));
}

// Rolling hills: the region below y = base + the sum of a few waves is filled.
void hills(Canvas& c, float base, float amp, float freq, float phase, Rgb col) {
  c.fill(
      0, base - amp * 2, static_cast<float>(c.width()), static_cast<float>(c.height()),
      [&](float x, float y) {
        float t = x / c.width();
        float h = base + amp * (std::sin(t * freq + phase) + 0.5f * std::sin(t * freq * 2.3f + phase * 1.7f));
        return y >= h;
      },
      col);
}

// The great camphor tree: a trunk with two boughs under a crown of many overlapping rounds.
void greatTree(Canvas& c, float baseX, float baseY, float size, Rgb col, uint64_t seed, int glowLeaves = 0) {
  Rng rng(seed);
  c.polygon({{baseX - size * 0.07f, baseY},
             {baseX - size * 0.035f, baseY - size * 0.45f},
             {baseX + size * 0.035f, baseY - size * 0.45f},
             {baseX + size * 0.08f, baseY}},
            col);
  c.line(baseX, baseY - size * 0.35f, baseX - size * 0.25f, baseY - size * 0.6f, size * 0.035f, col);
  c.line(baseX, baseY - size * 0.38f, baseX + size * 0.28f, baseY - size * 0.62f, size * 0.035f, col);
  for (int i = 0; i < 110; ++i) {
    float a = rng.range(0, 2 * kPi), d = std::sqrt(rng.next());
    float x = baseX + std::cos(a) * d * size * 0.58f;
    float y = baseY - size * 0.66f + std::sin(a) * d * size * 0.2f - (1 - d) * size * 0.06f;
    c.circle(x, y, size * rng.range(0.05f, 0.12f) * (1.2f - 0.5f * d), col);
  }
  for (int i = 0; i < glowLeaves; ++i) {
    float a = rng.range(0, 2 * kPi), d = std::sqrt(rng.next());
    c.glow(baseX + std::cos(a) * d * size * 0.5f, baseY - size * 0.66f + std::sin(a) * d * size * 0.18f,
           size * 0.012f, rgb(255, 210, 120), 0.9f);
  }
}

void stars(Canvas& c, int count, float maxY, uint64_t seed, float brightness = 1.0f) {
  Rng rng(seed);
  for (int i = 0; i < count; ++i) {
    float x = rng.range(0, static_cast<float>(c.width())), y = rng.range(0, maxY);
    float b = rng.next() * rng.next() * brightness * (1 - y / maxY * 0.6f);
    c.glow(x, y, rng.range(0.5f, 1.1f), rgb(230, 235, 255), b * 1.4f);
  }
}

// A row of houses along a base line, with a few lit windows.
void houses(Canvas& c, float baseY, float minH, float maxH, Rgb col, uint64_t seed, float litShare) {
  Rng rng(seed);
  float x = -10;
  while (x < c.width()) {
    float w = rng.range(28, 60), h = rng.range(minH, maxH);
    float roof = w * rng.range(0.25f, 0.45f);
    c.rect(x, baseY - h, x + w, baseY + 1, col);
    c.polygon({{x - 3, baseY - h}, {x + w / 2, baseY - h - roof}, {x + w + 3, baseY - h}}, col);
    for (float wy = baseY - h + 6; wy < baseY - 8; wy += 12)
      for (float wx = x + 6; wx < x + w - 8; wx += 12)
        if (rng.next() < litShare) {
          c.rect(wx, wy, wx + 5, wy + 6, rgb(255, 196, 110));
          c.glow(wx + 2.5f, wy + 3, 5, kGlowWarm, 0.25f);
        }
    x += w + rng.range(2, 10);
  }
}

// A standing figure seen from the side, in silhouette; long hair and a skirt for her.
void figure(Canvas& c, float footX, float footY, float height, bool her, Rgb col) {
  float head = height * 0.085f;
  float headY = footY - height + head;
  if (her) c.ellipse(footX + head * 0.15f, headY + head * 0.9f, head * 0.95f, head * 1.6f, col);
  c.circle(footX, headY, head, col);
  float shoulder = footY - height * 0.8f;
  if (her) {
    c.polygon({{footX - height * 0.09f, shoulder},
               {footX + height * 0.09f, shoulder},
               {footX + height * 0.17f, footY - height * 0.32f},
               {footX - height * 0.17f, footY - height * 0.32f}},
              col);
    c.rect(footX - height * 0.07f, footY - height * 0.33f, footX - height * 0.03f, footY, col);
    c.rect(footX + height * 0.03f, footY - height * 0.33f, footX + height * 0.07f, footY, col);
  } else {
    c.polygon({{footX - height * 0.12f, shoulder},
               {footX + height * 0.12f, shoulder},
               {footX + height * 0.09f, footY - height * 0.45f},
               {footX - height * 0.09f, footY - height * 0.45f}},
              col);
    c.rect(footX - height * 0.085f, footY - height * 0.46f, footX - height * 0.01f, footY, col);
    c.rect(footX + height * 0.01f, footY - height * 0.46f, footX + height * 0.085f, footY, col);
  }
}

void rain(Canvas& c, int count, uint64_t seed, float alpha) {
  Rng rng(seed);
  for (int i = 0; i < count; ++i) {
    float x = rng.range(-60, static_cast<float>(c.width())),
          y = rng.range(-40, static_cast<float>(c.height()));
    float len = rng.range(10, 26);
    c.line(x, y, x + len * 0.3f, y + len, 0.8f, rgb(190, 205, 230), alpha * rng.range(0.4f, 1.0f));
  }
}

// ---------------------------------------------------------------------------------------------------
// The pictures. Scene pictures are square, like the scene picture box; the title is 4:3, like the window.

constexpr int kScene = 600;

// The hill with the great tree, at dusk, the town's lights below.
Canvas paintOka() {
  Canvas c(kScene, kScene);
  c.sky({{0.0f, rgb(22, 30, 70)},
         {0.38f, rgb(92, 70, 122)},
         {0.62f, rgb(232, 150, 108)},
         {0.7f, rgb(250, 196, 130)}});
  c.glow(170, 405, 70, rgb(255, 190, 110), 0.7f);
  stars(c, 60, 200, 11, 0.6f);
  hills(c, 420, 14, 5, 1.0f, rgb(88, 62, 96));
  hills(c, 455, 10, 7, 2.0f, rgb(58, 40, 70));
  c.fill(
      0, 300, kScene, kScene,
      [](float x, float y) { return y > 500 - 110 * std::exp(-std::pow((x - 400) / 170.0f, 2)); },
      rgb(30, 22, 40));
  greatTree(c, 400, 395, 300, rgb(26, 19, 34), 7, 14);
  Rng rng(5);
  for (int i = 0; i < 40; ++i) {
    float x = rng.range(0, kScene), y = rng.range(525, 595);
    c.glow(x, y, 1.6f, rgb(255, 200, 120), 1.0f);
  }
  c.vignette(0.35f);
  return c;
}

// One glowing leaf held against the dark, soft lights behind it.
Canvas paintHa() {
  Canvas c(kScene, kScene);
  c.sky({{0.0f, rgb(10, 24, 30)}, {0.5f, rgb(18, 40, 42)}, {1.0f, rgb(8, 18, 22)}});
  Rng rng(21);
  for (int i = 0; i < 26; ++i) {
    float x = rng.range(0, kScene), y = rng.range(0, kScene), r = rng.range(14, 48);
    Rgb col = mix(rgb(255, 170, 80), rgb(120, 200, 170), rng.next());
    c.circle(x, y, r, col, rng.range(0.05f, 0.14f));
  }
  c.glow(300, 300, 150, rgb(255, 180, 80), 0.35f);
  leaf(c, 300, 300, 330, -0.6f, rgb(206, 190, 70), rgb(255, 240, 170), 0.6f);
  c.glow(300, 300, 40, rgb(255, 230, 160), 0.35f);
  for (int i = 0; i < 40; ++i) {
    float a = rng.range(0, 2 * kPi), d = rng.range(90, 260);
    c.glow(300 + std::cos(a) * d, 300 + std::sin(a) * d, 1.5f, rgb(255, 230, 160), rng.range(0.4f, 1.0f));
  }
  c.vignette(0.5f);
  return c;
}

// A moonless night: stars over the hill, one lantern rising.
Canvas paintYozora() {
  Canvas c(kScene, kScene);
  c.sky({{0.0f, rgb(6, 10, 30)}, {0.6f, rgb(20, 32, 70)}, {0.85f, rgb(40, 52, 92)}});
  // A faint band of the milky way across the sky.
  c.shadeAll([](float x, float y, Rgb& p) {
    float d = std::fabs((y - 90) - (x * 0.45f)) / 60.0f;
    float k = 0.12f * std::exp(-d * d);
    p.r += k * 0.7f;
    p.g += k * 0.75f;
    p.b += k;
  });
  stars(c, 420, 470, 31);
  hills(c, 505, 12, 4, 0.4f, rgb(10, 12, 24));
  greatTree(c, 120, 512, 170, rgb(10, 12, 24), 3);
  figure(c, 330, 500, 48, false, rgb(10, 12, 24));
  skyLantern(c, 360, 230, 34);
  skyLantern(c, 420, 110, 10, 0.6f);
  c.vignette(0.3f);
  return c;
}

// The river at dusk: the far bank's houses, their lights trembling on the water, her on the near bank.
Canvas paintKawa() {
  Canvas c(kScene, kScene);
  std::vector<Stop> sky = {{0.0f, rgb(48, 42, 96)}, {0.25f, rgb(150, 96, 130)}, {0.42f, rgb(246, 160, 100)}};
  c.sky(sky);
  c.glow(420, 250, 60, rgb(255, 200, 120), 0.8f);
  houses(c, 262, 26, 60, rgb(40, 30, 52), 41, 0.3f);
  // The water mirrors the sky, darker, broken into ripples.
  c.shade(0, 262, kScene, kScene, [&](float x, float y, Rgb& p) {
    float depth = (y - 262) / (kScene - 262.0f);
    float ripple = std::sin(y * 0.9f + std::sin(x * 0.05f) * 2.0f) * 6 * depth;
    float mirrored = std::clamp(262 - (y - 262) * 0.9f + ripple, 0.0f, 262.0f);
    p = scale(gradientAt(sky, mirrored / kScene), 0.55f - 0.25f * depth);
  });
  Rng rng(43);
  for (int i = 0; i < 26; ++i) {
    float x = rng.range(0, kScene);
    for (float y = 268; y < 470; y += rng.range(5, 9))
      c.line(x - 4, y, x + 4 + rng.range(0, 6), y, 1.2f, rgb(255, 190, 110), 0.35f * (1 - (y - 262) / 260));
  }
  c.glow(420, 300, 40, rgb(255, 180, 100), 0.3f);
  // The near bank and the grass.
  c.fill(
      0, 430, kScene, kScene, [](float x, float y) { return y > 520 - x * 0.12f + std::sin(x * 0.03f) * 6; },
      rgb(18, 16, 26));
  for (int i = 0; i < 160; ++i) {
    float x = rng.range(0, kScene), base = 520 - x * 0.12f + std::sin(x * 0.03f) * 6 + 4;
    c.line(x, base, x + rng.range(-6, 6), base - rng.range(8, 26), 1.2f, rgb(18, 16, 26));
  }
  // Her, sitting, seen from behind.
  c.ellipse(150, 478, 26, 20, rgb(18, 16, 26));
  c.circle(150, 445, 13, rgb(18, 16, 26));
  c.ellipse(152, 458, 12, 18, rgb(18, 16, 26));
  c.vignette(0.3f);
  return c;
}

// The shopping street at evening, lanterns hung on lines across it.
Canvas paintMachi() {
  Canvas c(kScene, kScene);
  c.sky({{0.0f, rgb(30, 40, 90)}, {0.35f, rgb(80, 84, 140)}, {0.5f, rgb(190, 130, 130)}});
  const float vx = 300, vy = 300;  // the street's vanishing point
  c.shade(0, vy, kScene, kScene, [&](float, float y, Rgb& p) {
    float t = (y - vy) / (kScene - vy);
    p = mix(rgb(70, 56, 70), rgb(36, 28, 38), t);
  });
  // The two rows of shop fronts, receding.
  Rgb wall = rgb(34, 26, 40);
  c.polygon({{0, 60}, {vx - 40, vy - 40}, {vx - 40, vy + 20}, {0, 560}}, wall);
  c.polygon({{kScene, 40}, {vx + 40, vy - 40}, {vx + 40, vy + 20}, {kScene, 560}}, wall);
  Rng rng(51);
  for (int i = 0; i < 7; ++i) {
    float t = i / 7.0f, x = (vx - 40) * t;
    float top = 60 + (vy - 40 - 60) * t, bottom = 560 + (vy + 20 - 560) * t;
    float h = bottom - top;
    if (rng.next() < 0.7f) {
      c.rect(x + 8 * (1 - t), top + h * 0.55f, x + 34 * (1 - t) + 3, top + h * 0.8f, rgb(255, 190, 110),
             0.45f);
      c.glow(x + 22 * (1 - t), top + h * 0.65f, 20 * (1 - t) + 4, kGlowWarm, 0.35f);
    }
    float xr = kScene - x;
    if (rng.next() < 0.7f) {
      c.rect(xr - 34 * (1 - t) - 3, top + h * 0.55f, xr - 8 * (1 - t), top + h * 0.8f, rgb(255, 190, 110),
             0.45f);
      c.glow(xr - 22 * (1 - t), top + h * 0.65f, 20 * (1 - t) + 4, kGlowWarm, 0.35f);
    }
  }
  // Lines of lanterns across the street, nearer lines lower and larger.
  for (int row = 0; row < 5; ++row) {
    float t = row / 5.0f;
    float lx = (vx - 40) * t, rx = kScene - lx;
    float y = 90 + (vy - 90 - 30) * t;
    float sag = 40 * (1 - t);
    for (float x = lx; x <= rx; x += 2) {
      float u = (x - lx) / (rx - lx);
      c.circle(x, y + sag * 4 * u * (1 - u), 0.6f, rgb(20, 16, 24));
    }
    int n = 7 - row;
    for (int k = 1; k <= n; ++k) {
      float u = k / (n + 1.0f);
      streetLantern(c, lx + (rx - lx) * u, y + sag * 4 * u * (1 - u) + 14 * (1 - t) + 4, 14 * (1 - t) + 4);
    }
  }
  c.vignette(0.35f);
  return c;
}

// The workshop at night: planked walls, lantern frames hanging, a candle on the bench.
Canvas paintKoubou() {
  Canvas c(kScene, kScene);
  c.sky({{0.0f, rgb(40, 24, 18)}, {0.7f, rgb(70, 44, 28)}, {1.0f, rgb(30, 18, 14)}});
  Rng rng(61);
  for (float x = 0; x < kScene; x += 46) {
    Rgb plank = scale(rgb(78, 50, 32), rng.range(0.8f, 1.1f));
    c.rect(x, 0, x + 44, 470, plank, 0.6f);
    c.rect(x + 44, 0, x + 46, 470, rgb(24, 14, 10));
  }
  c.rect(0, 140, kScene, 152, rgb(36, 22, 14));  // a beam
  // Unfinished frames hanging from the beam: rings joined by ribs.
  for (int i = 0; i < 4; ++i) {
    float cx = 90 + i * 140, cy = 230 + (i % 2) * 30, r = 42 - (i % 2) * 8;
    c.line(cx, 152, cx, cy - r * 1.2f, 1.5f, rgb(180, 150, 110));
    for (int ring = 0; ring < 4; ++ring) {
      float y = cy - r + ring * r * 0.66f;
      float half = r * (0.8f + 0.2f * std::sin(ring * 1.2f));
      for (float a = 0; a < 2 * kPi; a += 0.05f)
        c.circle(cx + std::cos(a) * half, y + std::sin(a) * half * 0.22f, 1.1f, rgb(200, 170, 120));
    }
    for (int rib = -2; rib <= 2; ++rib)
      c.line(cx + rib * r * 0.38f, cy - r, cx + rib * r * 0.4f, cy + r, 1.2f, rgb(200, 170, 120));
  }
  // The bench, the candle and its light.
  c.rect(0, 470, kScene, kScene, rgb(44, 28, 18));
  c.rect(0, 466, kScene, 474, rgb(90, 60, 38));
  c.glow(420, 420, 140, rgb(255, 170, 80), 0.45f);
  c.rect(412, 420, 428, 470, rgb(236, 220, 190));
  c.ellipse(420, 408, 5, 11, rgb(255, 236, 170));
  c.glow(420, 405, 16, rgb(255, 220, 150), 0.9f);
  // Tools and shavings on the bench.
  c.line(120, 488, 230, 478, 5, rgb(150, 110, 70));
  c.line(226, 478, 262, 475, 3, rgb(200, 200, 210));
  for (int i = 0; i < 30; ++i) {
    float x = rng.range(260, 380), y = rng.range(480, 520);
    c.line(x, y, x + rng.range(6, 14), y + rng.range(-3, 3), 1.2f, rgb(190, 150, 100), 0.8f);
  }
  c.vignette(0.45f);
  return c;
}

// A rainy night: blurred lights, roofs, streaks of rain and wet ground.
Canvas paintAme() {
  Canvas c(kScene, kScene);
  c.sky({{0.0f, rgb(22, 28, 40)}, {0.6f, rgb(40, 48, 62)}, {1.0f, rgb(16, 20, 28)}});
  Rng rng(71);
  for (int i = 0; i < 18; ++i)
    c.circle(rng.range(0, kScene), rng.range(250, 420), rng.range(10, 30), rgb(255, 190, 120),
             rng.range(0.05f, 0.15f));
  houses(c, 430, 50, 120, rgb(16, 18, 26), 73, 0.12f);
  c.shade(0, 430, kScene, kScene, [](float x, float y, Rgb& p) {
    float k = 0.5f + 0.5f * std::sin(x * 0.02f + y * 0.1f);
    p = mix(rgb(22, 26, 36), rgb(40, 46, 60), k * 0.6f);
  });
  for (int i = 0; i < 14; ++i) {
    float x = rng.range(0, kScene);
    c.line(x, 440, x, rng.range(500, 590), rng.range(3, 8), rgb(255, 190, 120), 0.12f);
  }
  rain(c, 700, 79, 0.35f);
  c.vignette(0.45f);
  return c;
}

// A window at night seen from a dark room, a finished lantern on the sill.
Canvas paintMado() {
  Canvas c(kScene, kScene);
  c.sky({{0.0f, rgb(34, 26, 30)}, {1.0f, rgb(18, 14, 18)}});
  const float x0 = 140, y0 = 70, x1 = 520, y1 = 400;
  c.shade(x0, y0, x1, y1,
          [&](float, float y, Rgb& p) { p = mix(rgb(16, 22, 58), rgb(60, 60, 110), (y - y0) / (y1 - y0)); });
  Rng rng(81);
  for (int i = 0; i < 90; ++i)
    c.glow(rng.range(x0, x1), rng.range(y0, y1 - 80), 0.8f, rgb(230, 235, 255), rng.next() * 0.9f);
  c.fill(
      x0, y1 - 90, x1, y1,
      [&](float x, float y) { return y > y1 - 40 - 25 * std::exp(-std::pow((x - 420) / 60, 2)); },
      rgb(14, 14, 30));
  for (int i = 0; i < 5; ++i)
    skyLantern(c, rng.range(x0 + 30, x1 - 30), rng.range(y0 + 30, y1 - 120), rng.range(5, 9), 0.6f);
  // The frame and its cross bars.
  Rgb frame = rgb(52, 36, 30);
  c.rect(x0 - 14, y0 - 14, x1 + 14, y0, frame);
  c.rect(x0 - 14, y1, x1 + 14, y1 + 26, rgb(70, 48, 36));
  c.rect(x0 - 14, y0, x0, y1, frame);
  c.rect(x1, y0, x1 + 14, y1, frame);
  c.rect((x0 + x1) / 2 - 5, y0, (x0 + x1) / 2 + 5, y1, frame);
  c.rect(x0, (y0 + y1) / 2 - 4, x1, (y0 + y1) / 2 + 4, frame);
  // The lantern on the sill lights the room.
  c.glow(230, 330, 160, rgb(255, 160, 80), 0.35f);
  skyLantern(c, 230, 352, 62);
  c.rect(0, 430, kScene, kScene, rgb(26, 18, 16));
  c.vignette(0.4f);
  return c;
}

// The festival: the crowd on the hill, the tree hung with lights, lanterns filling the sky.
Canvas paintMatsuri() {
  Canvas c(kScene, kScene);
  c.sky({{0.0f, rgb(10, 12, 40)}, {0.55f, rgb(44, 36, 90)}, {0.8f, rgb(96, 60, 100)}});
  stars(c, 200, 420, 91, 0.7f);
  Rng rng(93);
  for (int i = 0; i < 60; ++i) {
    float t = rng.next();
    float y = 40 + t * 420;
    float w = 5 + t * t * 22;
    skyLantern(c, rng.range(10, kScene - 10), y, w, 0.5f + 0.5f * t);
  }
  hills(c, 500, 10, 3, 2.2f, rgb(14, 12, 26));
  greatTree(c, 470, 505, 240, rgb(14, 12, 26), 97);
  for (int i = 0; i < 10; ++i) streetLantern(c, rng.range(380, 560), rng.range(300, 370), 5);
  for (float x = 10; x < kScene; x += rng.range(14, 24)) {
    float h = rng.range(44, 60);
    figure(c, x, 560 + rng.range(-4, 6), h, rng.next() < 0.5f, rgb(10, 9, 20));
  }
  c.rect(0, 560, kScene, kScene, rgb(10, 9, 20));
  c.vignette(0.3f);
  return c;
}

// Before dawn the lanterns come down as light over the town.
Canvas paintRakka() {
  Canvas c(kScene, kScene);
  c.sky({{0.0f, rgb(20, 28, 70)},
         {0.5f, rgb(110, 90, 140)},
         {0.78f, rgb(236, 150, 140)},
         {0.9f, rgb(250, 200, 150)}});
  stars(c, 80, 220, 101, 0.5f);
  Rng rng(103);
  for (int i = 0; i < 110; ++i) {
    float x = rng.range(0, kScene), y = rng.range(30, 500), trail = rng.range(20, 60);
    for (int k = 0; k < 10; ++k)
      c.glow(x, y - trail * k / 10.0f, 1.2f, rgb(255, 220, 150), 0.06f * (10 - k) / 10.0f);
    c.glow(x, y, rng.range(1.5f, 3.0f), rgb(255, 220, 150), 0.9f);
    c.glow(x, y, 10, kGlowWarm, 0.1f);
  }
  houses(c, 560, 30, 80, rgb(40, 30, 52), 107, 0.2f);
  c.rect(0, 559, kScene, kScene, rgb(40, 30, 52));
  c.vignette(0.25f);
  return c;
}

// A withered leaf in the grey of morning, crumbling.
Canvas paintKareha() {
  Canvas c(kScene, kScene);
  c.sky({{0.0f, rgb(70, 74, 84)}, {0.6f, rgb(110, 108, 112)}, {1.0f, rgb(60, 58, 62)}});
  Rng rng(111);
  for (int i = 0; i < 20; ++i)
    c.circle(rng.range(0, kScene), rng.range(0, kScene), rng.range(20, 60), rgb(140, 138, 140),
             rng.range(0.04f, 0.1f));
  leaf(c, 290, 300, 300, 0.5f, rgb(120, 86, 52), rgb(70, 48, 30), 0.0f, 0.45f);
  for (int i = 0; i < 36; ++i) {
    float x = rng.range(330, 520), y = rng.range(340, 560), s = rng.range(3, 9);
    c.polygon({{x, y}, {x + s, y + s * 0.4f}, {x + s * 0.3f, y + s}}, rgb(110, 80, 50), 0.9f);
  }
  c.vignette(0.5f);
  return c;
}

// Morning after the festival: the two of them under the tree, the last lights coming down.
Canvas paintFutari() {
  Canvas c(kScene, kScene);
  c.sky({{0.0f, rgb(60, 70, 130)}, {0.45f, rgb(200, 140, 150)}, {0.7f, rgb(255, 200, 140)}});
  c.glow(330, 430, 120, rgb(255, 220, 150), 0.6f);
  Rng rng(121);
  for (int i = 0; i < 40; ++i)
    c.glow(rng.range(0, kScene), rng.range(20, 380), rng.range(1.5f, 2.5f), rgb(255, 230, 170), 0.8f);
  hills(c, 470, 8, 3, 0.5f, rgb(60, 44, 70));
  greatTree(c, 150, 480, 330, rgb(36, 26, 44), 127, 6);
  c.fill(
      0, 440, kScene, kScene, [](float x, float y) { return y > 480 + 0.05f * x; }, rgb(36, 26, 44));
  figure(c, 360, 500, 92, true, rgb(36, 26, 44));
  figure(c, 400, 503, 104, false, rgb(36, 26, 44));
  leaf(c, 470, 160, 30, -1.0f, rgb(220, 200, 90), rgb(255, 240, 180), 0.5f);
  c.vignette(0.3f);
  return c;
}

// The title: night sky full of lanterns over the hill, the name and the subtitle.
Canvas paintTitle(const std::string& fontPath) {
  Canvas c(640, 480);
  c.sky({{0.0f, rgb(8, 10, 36)}, {0.6f, rgb(36, 32, 84)}, {0.85f, rgb(90, 60, 100)}});
  stars(c, 260, 360, 131);
  Rng rng(133);
  for (int i = 0; i < 45; ++i) {
    float t = rng.next();
    skyLantern(c, rng.range(10, 630), 30 + t * 330, 4 + t * t * 16, 0.45f + 0.4f * t);
  }
  hills(c, 420, 8, 3, 1.0f, rgb(12, 10, 26));
  greatTree(c, 500, 425, 200, rgb(12, 10, 26), 137, 10);
  figure(c, 300, 428, 40, true, rgb(12, 10, 26));
  figure(c, 322, 429, 45, false, rgb(12, 10, 26));
  c.rect(0, 428, 640, 480, rgb(12, 10, 26));
  c.vignette(0.25f);
  // A dark band behind the name keeps it readable over the lanterns.
  c.shade(0, 90, 640, 250, [](float, float y, Rgb& p) {
    float k = 0.55f * std::exp(-std::pow((y - 165) / 55.0f, 2));
    p = scale(p, 1 - k);
  });
  if (TTF_Font* big = TTF_OpenFont(fontPath.c_str(), 78 * kSupersample)) {
    TTF_SetFontStyle(big, TTF_STYLE_BOLD);
    c.text(big, "Lanternfall", 320, 150, rgb(255, 244, 220), rgb(255, 150, 60), 6);
    TTF_CloseFont(big);
  } else {
    std::fprintf(stderr, "artgen: cannot open font %s: %s\n", fontPath.c_str(), TTF_GetError());
  }
  if (TTF_Font* sub = TTF_OpenFont(fontPath.c_str(), 28 * kSupersample)) {
    c.text(sub, "～ 灯りの降る町で ～", 320, 218, rgb(255, 232, 200), rgb(255, 140, 60), 3);
    TTF_CloseFont(sub);
  }
  if (TTF_Font* small = TTF_OpenFont(fontPath.c_str(), 15 * kSupersample)) {
    c.text(small, "左クリック：EASY　／　右クリック：HARD", 320, 458, rgb(220, 220, 240), rgb(80, 80, 160),
           2);
    TTF_CloseFont(small);
  }
  return c;
}

// Saves as JPEG, lowering the quality until the file is under the size limit.
bool save(const Canvas& c, const std::string& path) {
  SDL_Surface* s = c.toSurface();
  if (!s) return false;
  bool ok = false;
  for (int quality = 95; quality >= 50; quality -= 5) {
    if (IMG_SaveJPG(s, path.c_str(), quality) != 0) break;
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && st.st_size <= kMaxFileBytes) {
      std::printf("%s  %dx%d  quality %d  %ld bytes\n", path.c_str(), c.width(), c.height(), quality,
                  static_cast<long>(st.st_size));
      ok = true;
      break;
    }
  }
  SDL_FreeSurface(s);
  if (!ok)
    std::fprintf(stderr, "artgen: could not write %s under the size limit: %s\n", path.c_str(),
                 IMG_GetError());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <output folder> [font file]\n", argv[0]);
    return 2;
  }
  std::string out = argv[1];
  if (!out.empty() && out.back() != '/') out += '/';
  std::string font = argc > 2 ? argv[2] : kDefaultFont;
  if (TTF_Init() != 0 || (IMG_Init(IMG_INIT_JPG) & IMG_INIT_JPG) == 0) {
    std::fprintf(stderr, "artgen: cannot start SDL_ttf / SDL_image: %s\n", SDL_GetError());
    return 1;
  }
  struct Job {
    const char* name;
    std::function<Canvas()> paint;
  };
  const std::vector<Job> jobs = {
      {"ttl", [&] { return paintTitle(font); }},
      {"oka", paintOka},
      {"ha", paintHa},
      {"yozora", paintYozora},
      {"kawa", paintKawa},
      {"machi", paintMachi},
      {"koubou", paintKoubou},
      {"ame", paintAme},
      {"mado", paintMado},
      {"matsuri", paintMatsuri},
      {"rakka", paintRakka},
      {"kareha", paintKareha},
      {"futari", paintFutari},
  };
  bool ok = true;
  for (const Job& job : jobs) {
    if (argc > 3 && std::string(argv[3]) != job.name) continue;  // one picture only, while drawing it
    ok = save(job.paint(), out + job.name + ".jpg") && ok;
  }
  IMG_Quit();
  TTF_Quit();
  return ok ? 0 : 1;
}
