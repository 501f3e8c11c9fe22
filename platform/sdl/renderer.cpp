// The renderer: one frame of the control tree, with caches so that a frame where little changed costs
// little (fonts by face and pixel size, text lines by text, font and colour, pictures by content), and on
// a target that keeps its pixels, only the rectangles of the controls that changed drawn again.
#include "platform/sdl/renderer.h"

#include <SDL.h>
#include <SDL_ttf.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "platform/runtime/app.h"
#include "platform/runtime/form.h"
#include "platform/runtime/label.h"
#include "platform/runtime/option_button.h"
#include "platform/runtime/picture_box.h"
#include "platform/runtime/text_layout.h"
#include "platform/sdl/font.h"
#include "platform/sdl/fonts.h"

namespace platform {

namespace {

constexpr Color kTooltipBack = rgb(255, 255, 225);
constexpr Color kTooltipText = rgb(0, 0, 0);
constexpr const char* kTooltipFont = "MS UI Gothic";
constexpr float kTooltipPointSize = 9.0f;
constexpr int kRadioDiameterPx = 13;  // the classic radio mark at 96 dpi
constexpr size_t kLineCacheLimit = 512;
// Dragging the window's edge makes a new pixel size of every font at nearly every step.
constexpr size_t kFontCacheLimit = 12;
// More separate changed rectangles than this are drawn as the one rectangle around them all.
constexpr size_t kDamageRectLimit = 6;

// 64-bit content hash of a picture, four lanes so that it runs at memory speed.
uint64_t hashPixels(const Image& image) {
  const uint32_t* p = image.pixels.data();
  const size_t n = image.pixels.size();
  uint64_t h[4] = {0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull,
                   0x27D4EB2F165667C5ull};
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    for (int lane = 0; lane < 4; ++lane) {
      uint64_t v;
      std::memcpy(&v, p + i + 2 * lane, sizeof v);
      h[lane] = (h[lane] ^ v) * 0x100000001B3ull;
    }
  }
  uint64_t out = h[0] ^ (h[1] << 1) ^ (h[2] << 2) ^ (h[3] << 3);
  for (; i < n; ++i) out = (out ^ p[i]) * 0x100000001B3ull;
  return out ^ (static_cast<uint64_t>(image.width) << 32) ^ static_cast<uint64_t>(image.height);
}

void setColor(SDL_Renderer* r, Color c) {
  SDL_SetRenderDrawColor(r, static_cast<Uint8>(redOf(c)), static_cast<Uint8>(greenOf(c)),
                         static_cast<Uint8>(blueOf(c)), 255);
}

SDL_Rect intersect(const SDL_Rect& a, const SDL_Rect& b) {
  SDL_Rect out;
  if (!SDL_IntersectRect(&a, &b, &out)) return SDL_Rect{0, 0, 0, 0};
  return out;
}

struct FontKey {
  std::string path;
  int index;
  int pixelSize;
  bool bold;
  bool operator<(const FontKey& o) const {
    return std::tie(path, index, pixelSize, bold) < std::tie(o.path, o.index, o.pixelSize, o.bold);
  }
};

struct LoadedFont {
  std::unique_ptr<Font> font;  // null: this face does not open at this size
  std::string key;             // text cache prefix
  uint64_t lastFrame = 0;
};

struct LineTexture {
  SDL_Texture* texture = nullptr;
  int w = 0, h = 0;
  uint64_t lastFrame = 0;
  const Control* owner = nullptr;  // the control that drew it last (null: the tooltip); never read through
};

struct PictureTexture {
  SDL_Texture* texture = nullptr;
  int w = 0, h = 0;
  std::shared_ptr<const Image> source;  // the picture a painting's texture holds (kept, so never reused)
  uint64_t hash = 0;
  uint64_t stamp = 0;  // the box's change stamp when the pixels were last compared
  uint64_t lastFrame = 0;
};

// A control as the last frame placed it: the part of the window it covers (empty when hidden) and its
// change stamp. Kept in drawing order for the whole tree, hidden controls included.
struct Placed {
  const Control* control = nullptr;
  SDL_Rect clip{0, 0, 0, 0};
  uint64_t stamp = 0;
};

bool sameRect(const SDL_Rect& a, const SDL_Rect& b) {
  return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

// Adds r to a set of rectangles to redraw, joining it with those it overlaps: each pixel is drawn once.
void addDamage(std::vector<SDL_Rect>& damage, SDL_Rect r) {
  if (r.w <= 0 || r.h <= 0) return;
  for (size_t i = 0; i < damage.size();) {
    if (SDL_HasIntersection(&damage[i], &r)) {
      SDL_UnionRect(&damage[i], &r, &r);
      damage.erase(damage.begin() + static_cast<std::ptrdiff_t>(i));
      i = 0;
    } else {
      ++i;
    }
  }
  damage.push_back(r);
  if (damage.size() > kDamageRectLimit) {
    SDL_Rect all = damage[0];
    for (const SDL_Rect& d : damage) SDL_UnionRect(&all, &d, &all);
    damage.assign(1, all);
  }
}

}  // namespace

struct Renderer::Impl {
  SDL_Renderer* sdl;
  std::map<FontKey, LoadedFont> fonts;
  std::unordered_map<std::string, LineTexture> lines;
  std::unordered_map<const Control*, PictureTexture> pictures;
  uint64_t frame = 0;
  uint64_t lastSerial = 0;
  float scale = 1;
  FrameStats stats;
  std::vector<std::string> reportedFonts;

  // Partial frames. Only the software renderer keeps the last frame's pixels in its target; other
  // drivers may hand back any old buffer after a present, so they always draw the whole window.
  bool keepsPixels = false;
  bool haveFrame = false;  // the target holds a whole frame drawn by us
  int outW = 0, outH = 0;
  bool hadTooltip = false;
  std::vector<Placed> placed;
  uint64_t lastWholeFrame = 0;
  std::unordered_map<const Control*, uint64_t> drawnAt;  // frame each control was last drawn in
  const Control* drawing = nullptr;                      // owner of the lines drawn now

  // The format of picture textures: the window's own where our 0xAARRGGBB pixels read the same in it
  // (an X server's 24-bit visual is XRGB8888). A stretched copy between two formats goes through
  // temporary surfaces in SDL, one of them the size of the box: megabytes cleared and faulted in for
  // every frame that draws the picture.
  Uint32 pictureFormat = SDL_PIXELFORMAT_ARGB8888;

  explicit Impl(SDL_Renderer* r) : sdl(r) {
    SDL_RendererInfo info;
    keepsPixels =
        r && SDL_GetRendererInfo(r, &info) == 0 && info.name && std::strcmp(info.name, "software") == 0;
    if (SDL_Window* window = r ? SDL_RenderGetWindow(r) : nullptr) {
      if (SDL_GetWindowPixelFormat(window) == SDL_PIXELFORMAT_RGB888) pictureFormat = SDL_PIXELFORMAT_RGB888;
    }
  }

  ~Impl() {
    for (auto& [k, l] : lines) SDL_DestroyTexture(l.texture);
    for (auto& [k, p] : pictures) SDL_DestroyTexture(p.texture);
  }

  SDL_Rect toPixels(const RectF& r) const {
    const int x0 = static_cast<int>(std::lround(r.x * scale));
    const int y0 = static_cast<int>(std::lround(r.y * scale));
    const int x1 = static_cast<int>(std::lround((r.x + r.w) * scale));
    const int y1 = static_cast<int>(std::lround((r.y + r.h) * scale));
    return SDL_Rect{x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0)};
  }

  // The font for a family, weight and point size at the real pixel size of this frame; null when none.
  LoadedFont* font(const std::string& family, bool bold, float points) {
    const FontFace face = findFont(family, bold);
    if (face.path.empty()) return nullptr;
    const int px = fontPixelSize(points, scale);
    FontKey key{face.path, face.index, px, face.synthesizeBold};
    auto it = fonts.find(key);
    if (it == fonts.end()) {
      LoadedFont loaded;
      std::string error;
      loaded.font = Font::open(face, px, &error);
      if (!loaded.font) {
        if (std::find(reportedFonts.begin(), reportedFonts.end(), face.path) == reportedFonts.end()) {
          reportedFonts.push_back(face.path);
          reportProblem(error);
        }
      }
      loaded.key = face.path + "#" + std::to_string(face.index) + "@" + std::to_string(px) +
                   (face.synthesizeBold ? "b" : "") + "|";
      it = fonts.emplace(key, std::move(loaded)).first;
    }
    it->second.lastFrame = frame;
    return it->second.font ? &it->second : nullptr;
  }

  // Draw one line of text with its top-left corner at (x, y).
  void drawLine(LoadedFont& f, std::string_view text, Color color, int x, int y) {
    if (text.empty()) return;
    std::string key = f.key;
    key += std::to_string(color);
    key += '|';
    key.append(text);
    auto it = lines.find(key);
    if (it == lines.end()) {
      LineTexture made;
      const std::string owned(text);
      SDL_Color c{static_cast<Uint8>(redOf(color)), static_cast<Uint8>(greenOf(color)),
                  static_cast<Uint8>(blueOf(color)), 255};
      if (SDL_Surface* s = TTF_RenderUTF8_Blended(f.font->ttf(), owned.c_str(), c)) {
        made.texture = SDL_CreateTextureFromSurface(sdl, s);
        made.w = s->w;
        made.h = s->h;
        SDL_FreeSurface(s);
        if (made.texture) SDL_SetTextureBlendMode(made.texture, SDL_BLENDMODE_BLEND);
      }
      ++stats.linesRasterised;
      it = lines.emplace(std::move(key), made).first;
    }
    it->second.lastFrame = frame;
    it->second.owner = drawing;
    if (!it->second.texture) return;
    SDL_Rect dst{x, y, it->second.w, it->second.h};
    SDL_RenderCopy(sdl, it->second.texture, nullptr, &dst);
  }

  // Lay out and draw a caption in a box. With vcenter the block of lines is centred vertically (option
  // buttons), otherwise it starts at the top (labels).
  void drawCaption(const std::string& caption, const std::string& family, bool bold, float points,
                   Color color, const SDL_Rect& box, bool vcenter) {
    if (caption.empty() || box.w <= 0 || box.h <= 0) return;
    LoadedFont* f = font(family, bold, points);
    if (!f) return;
    const int skip = std::max(1, f->font->lineSkip());
    // Only the lines whose top lies inside the box can be seen.
    const size_t maxLines = static_cast<size_t>((box.h + skip - 1) / skip);
    const auto laid = layoutText(caption, static_cast<float>(box.w), maxLines,
                                 [f](char32_t c) { return f->font->advance(c); });
    int y = box.y;
    if (vcenter) y += (box.h - static_cast<int>(laid.size()) * skip) / 2;
    for (const LaidLine& l : laid) {
      drawLine(*f, std::string_view(caption).substr(l.begin, l.end - l.begin), color, box.x, y);
      y += skip;
    }
  }

  // The pixels into the texture, made anew only when their size changed.
  void upload(PictureTexture& pt, const Image& image) {
    if (!pt.texture || pt.w != image.width || pt.h != image.height) {
      SDL_DestroyTexture(pt.texture);
      pt.texture = SDL_CreateTexture(sdl, pictureFormat, SDL_TEXTUREACCESS_STATIC, image.width, image.height);
      if (pt.texture) {
        // A picture is a plain copy: opaque whatever its alpha bytes say.
        SDL_SetTextureBlendMode(pt.texture, SDL_BLENDMODE_NONE);
        SDL_SetTextureScaleMode(pt.texture, SDL_ScaleModeLinear);
      }
      pt.w = image.width;
      pt.h = image.height;
    }
    if (pt.texture) {
      SDL_UpdateTexture(pt.texture, nullptr, image.pixels.data(), image.width * 4);
      ++stats.picturesUploaded;
    }
  }

  // What the box shows as a texture: the picture it was painted from, at that picture's size, when it
  // keeps a painting (uploaded once per picture), otherwise its retained pixels (uploaded when they
  // changed); null when it shows nothing. *from is the part of the texture to draw (whole when null).
  SDL_Texture* pictureTexture(const PictureBox& box, SDL_Rect* from) {
    if (const PictureBox::Painting* painting = box.painting()) return paintingTexture(box, *painting, from);
    const Image& image = box.retained();
    auto it = pictures.find(&box);
    if (it != pictures.end() && it->second.source) {  // it held a painting's picture before
      SDL_DestroyTexture(it->second.texture);
      pictures.erase(it);
      it = pictures.end();
    }
    if (image.empty()) {
      if (it != pictures.end()) {
        SDL_DestroyTexture(it->second.texture);
        pictures.erase(it);
      }
      return nullptr;
    }
    if (it == pictures.end()) it = pictures.emplace(&box, PictureTexture{}).first;
    PictureTexture& pt = it->second;
    // Pictures change only with their box; an exposed window or a change elsewhere redraws without
    // looking at the pixels again.
    if (!pt.texture || pt.stamp != box.changeStamp()) {
      pt.stamp = box.changeStamp();
      const uint64_t h = hashPixels(image);
      if (!pt.texture || h != pt.hash || pt.w != image.width || pt.h != image.height) {
        upload(pt, image);
        pt.hash = h;
      }
    }
    pt.lastFrame = frame;
    return pt.texture;
  }

  SDL_Texture* paintingTexture(const PictureBox& box, const PictureBox::Painting& painting, SDL_Rect* from) {
    const Image& image = *painting.source;
    PictureTexture& pt = pictures[&box];
    if (pt.source != painting.source) {
      upload(pt, image);
      pt.source = painting.source;
      pt.hash = 0;
      pt.stamp = 0;
    }
    pt.lastFrame = frame;
    const int x0 = std::clamp(static_cast<int>(std::lround(painting.sx)), 0, image.width);
    const int y0 = std::clamp(static_cast<int>(std::lround(painting.sy)), 0, image.height);
    const int x1 = std::clamp(static_cast<int>(std::lround(painting.sx + painting.sw)), x0, image.width);
    const int y1 = std::clamp(static_cast<int>(std::lround(painting.sy + painting.sh)), y0, image.height);
    *from = SDL_Rect{x0, y0, x1 - x0, y1 - y0};
    return from->w > 0 && from->h > 0 ? pt.texture : nullptr;
  }

  // A control that paints every pixel of its rectangle.
  static bool opaque(const Control& c) {
    if (c.kind() == ControlKind::Label) return static_cast<const Label&>(c).BackStyleOpaque();
    return c.kind() == ControlKind::PictureBox || c.kind() == ControlKind::OptionButton;
  }

  // The front-most visible child of the window that paints all of r, or the number of children when
  // none does. Neither the window's background nor any child behind it shows there, so they are not
  // drawn: on the title, the picture in front spares the captions behind it, and their fonts.
  size_t frontmostCover(const Form& form, const SDL_Rect& r) const {
    const auto& children = form.children();
    for (size_t i = children.size(); i-- > 0;) {
      const Control* child = children[i];
      if (!child->Visible() || !opaque(*child)) continue;
      const SDL_Rect area = toPixels(child->windowRect());
      SDL_Rect common;
      if (SDL_IntersectRect(&r, &area, &common) && sameRect(common, r)) return i;
    }
    return children.size();
  }

  // True when the window's child i, within r, lies wholly under one opaque child in front of it.
  bool hiddenBehind(const Form& form, size_t i, const SDL_Rect& r) const {
    const auto& children = form.children();
    const SDL_Rect own = intersect(toPixels(children[i]->windowRect()), r);
    if (own.w <= 0 || own.h <= 0) return false;  // drawControl has nothing to draw anyway
    for (size_t j = i + 1; j < children.size(); ++j) {
      const Control* front = children[j];
      if (!front->Visible() || !opaque(*front)) continue;
      const SDL_Rect area = toPixels(front->windowRect());
      SDL_Rect common;
      if (SDL_IntersectRect(&own, &area, &common) && sameRect(common, own)) return true;
    }
    return false;
  }

  void drawBorder(const SDL_Rect& r) {
    setColor(sdl, rgb(0, 0, 0));
    SDL_RenderDrawRect(sdl, &r);
  }

  void drawRadio(const OptionButton& button, int x, int cy) {
    const int d = std::max(5, static_cast<int>(std::lround(kRadioDiameterPx * scale)));
    const float r = d / 2.0f;
    const float cx = x + r;
    const float top = cy - r;
    for (int row = 0; row < d; ++row) {
      const float dy = row + 0.5f - r;
      const float half = std::sqrt(std::max(0.0f, r * r - dy * dy));
      const int x0 = static_cast<int>(std::lround(cx - half));
      const int x1 = static_cast<int>(std::lround(cx + half)) - 1;
      const int y = static_cast<int>(top) + row;
      if (x1 < x0) continue;
      setColor(sdl, rgb(128, 128, 128));
      SDL_RenderDrawPoint(sdl, x0, y);
      SDL_RenderDrawPoint(sdl, x1, y);
      if (row == 0 || row == d - 1) {
        SDL_RenderDrawLine(sdl, x0, y, x1, y);
      } else if (x1 - 1 >= x0 + 1) {
        setColor(sdl, rgb(255, 255, 255));
        SDL_RenderDrawLine(sdl, x0 + 1, y, x1 - 1, y);
      }
    }
    if (button.Value()) {
      const float dot = r * 0.45f;
      setColor(sdl, rgb(0, 0, 0));
      for (int row = 0; row < d; ++row) {
        const float dy = row + 0.5f - r;
        if (std::fabs(dy) >= dot) continue;
        const float half = std::sqrt(dot * dot - dy * dy);
        const int y = static_cast<int>(top) + row;
        SDL_RenderDrawLine(sdl, static_cast<int>(std::lround(cx - half)), y,
                           static_cast<int>(std::lround(cx + half)) - 1, y);
      }
    }
  }

  void drawControl(const Control& c, const SDL_Rect& parentClip) {
    if (!c.Visible()) return;
    const SDL_Rect rect = toPixels(c.windowRect());
    const SDL_Rect clip = intersect(rect, parentClip);
    // An empty clip rectangle would switch clipping off in SDL: there is nothing to draw anyway.
    if (clip.w <= 0 || clip.h <= 0) return;
    SDL_RenderSetClipRect(sdl, &clip);
    drawnAt[&c] = frame;
    drawing = &c;

    switch (c.kind()) {
      case ControlKind::PictureBox: {
        const auto& box = static_cast<const PictureBox&>(c);
        SDL_Rect from{0, 0, 0, 0};
        SDL_Texture* picture = pictureTexture(box, &from);
        // The picture is stretched over the whole client area and copied opaque: without a border no
        // background shows, and filling it first would only double the frame's memory traffic.
        if (!picture || box.BorderStyle()) {
          setColor(sdl, box.BackColor());
          SDL_RenderFillRect(sdl, &rect);
        }
        if (picture) {
          const SDL_Rect client = clientRect(box);
          SDL_RenderCopy(sdl, picture, from.w > 0 ? &from : nullptr, &client);
        }
        if (box.BorderStyle()) drawBorder(rect);
        break;
      }
      case ControlKind::Label: {
        const auto& label = static_cast<const Label&>(c);
        if (label.BackStyleOpaque()) {
          setColor(sdl, label.BackColor());
          SDL_RenderFillRect(sdl, &rect);
        }
        drawCaption(label.Caption(), label.FontName(), label.FontBold(), label.FontSize(), label.ForeColor(),
                    rect, false);
        if (label.BorderStyle()) drawBorder(rect);
        break;
      }
      case ControlKind::OptionButton: {
        const auto& button = static_cast<const OptionButton&>(c);
        setColor(sdl, button.BackColor());
        SDL_RenderFillRect(sdl, &rect);
        const int d = std::max(5, static_cast<int>(std::lround(kRadioDiameterPx * scale)));
        const int pad = static_cast<int>(std::lround(2 * scale));
        drawRadio(button, rect.x + pad, rect.y + rect.h / 2);
        const int textX = rect.x + pad + d + static_cast<int>(std::lround(4 * scale));
        const SDL_Rect textBox{textX, rect.y, std::max(0, rect.x + rect.w - textX - pad), rect.h};
        drawCaption(button.Caption(), button.FontName(), false, button.FontSize(), button.ForeColor(),
                    textBox, true);
        if (button.BorderStyle()) drawBorder(rect);
        break;
      }
      case ControlKind::Form:
        break;
    }
    for (const Control* child : c.children()) drawControl(*child, clip);
  }

  void drawTooltip(const TooltipView& tip, const SDL_Rect& window) {
    if (tip.text.empty()) return;
    LoadedFont* f = font(kTooltipFont, false, kTooltipPointSize);
    if (!f) return;
    const auto laid = layoutText(tip.text, 1e9f, 64, [f](char32_t c) { return f->font->advance(c); });
    float widest = 0;
    for (const LaidLine& l : laid) widest = std::max(widest, l.width);
    const int pad = static_cast<int>(std::lround(3 * scale));
    const int skip = std::max(1, f->font->lineSkip());
    const int w = static_cast<int>(std::ceil(widest)) + 2 * pad + 2;
    const int h = static_cast<int>(laid.size()) * skip + 2 * pad;
    // Below and slightly right of the pointer, as desktop tooltips sit; above it when there is no room
    // below; never outside the window.
    int x = static_cast<int>(std::lround(tip.pointerX * scale));
    int y = static_cast<int>(std::lround((tip.pointerY + 20) * scale));
    if (y + h > window.h) y = static_cast<int>(std::lround((tip.pointerY - 4) * scale)) - h;
    x = std::clamp(x, 0, std::max(0, window.w - w));
    y = std::clamp(y, 0, std::max(0, window.h - h));
    const SDL_Rect box{x, y, w, h};
    SDL_RenderSetClipRect(sdl, &window);
    setColor(sdl, kTooltipBack);
    SDL_RenderFillRect(sdl, &box);
    drawBorder(box);
    int ly = y + pad;
    for (const LaidLine& l : laid) {
      drawLine(*f, std::string_view(tip.text).substr(l.begin, l.end - l.begin), kTooltipText, x + pad + 1,
               ly);
      ly += skip;
    }
  }

  // Every control in drawing order with the part of the window it covers now.
  void place(const Control& c, const SDL_Rect& parentClip, bool visible, std::vector<Placed>& out) const {
    const bool shown = visible && c.Visible();
    SDL_Rect clip{0, 0, 0, 0};
    if (shown) clip = intersect(toPixels(c.windowRect()), parentClip);
    if (clip.w <= 0 || clip.h <= 0) clip = SDL_Rect{0, 0, 0, 0};
    out.push_back(Placed{&c, clip, c.changeStamp()});
    for (const Control* child : c.children()) place(*child, clip, shown && clip.w > 0, out);
  }

  // The rectangles that differ from the last frame, or false when the whole window must be drawn.
  bool changedRects(const Form& form, const std::vector<Placed>& now, std::vector<SDL_Rect>& damage) const {
    if (form.changeStamp() > lastSerial || now.size() != placed.size()) return false;
    bool any = false;
    for (size_t i = 0; i < now.size(); ++i) {
      if (now[i].control != placed[i].control) return false;  // the tree itself changed
      if (now[i].stamp > lastSerial || !sameRect(now[i].clip, placed[i].clip)) {
        any = true;
        addDamage(damage, placed[i].clip);
        addDamage(damage, now[i].clip);
      }
    }
    // A change no control owns (or a caller that bumped the serial itself): the whole window.
    if (!any) return form.changeSerial() == lastSerial;
    // SDL samples a stretched copy differently when only part of it is drawn, a step of one in a colour
    // channel along the cut: a picture drawn stretched is drawn whole or not at all.
    for (bool grew = true; grew;) {
      grew = false;
      for (const Placed& p : now) {
        if (p.clip.w <= 0 || p.control->kind() != ControlKind::PictureBox) continue;
        if (!drawnStretched(*static_cast<const PictureBox*>(p.control))) continue;
        for (const SDL_Rect& d : damage) {
          SDL_Rect common;
          if (!SDL_IntersectRect(&d, &p.clip, &common) || sameRect(common, p.clip)) continue;
          addDamage(damage, p.clip);
          grew = true;
          break;
        }
        if (grew) break;
      }
    }
    return true;
  }

  // The box's client area in real pixels, as drawControl places it.
  SDL_Rect clientRect(const PictureBox& box) const {
    const SDL_Rect rect = toPixels(box.windowRect());
    const int inset = box.BorderStyle() ? static_cast<int>(std::lround(PictureBox::kBorderPx * scale)) : 0;
    return SDL_Rect{rect.x + inset, rect.y + inset, std::max(0, rect.w - 2 * inset),
                    std::max(0, rect.h - 2 * inset)};
  }

  // Whether the box's picture is drawn at another size than its pixels: false when it shows none.
  bool drawnStretched(const PictureBox& box) const {
    const SDL_Rect client = clientRect(box);
    if (const PictureBox::Painting* painting = box.painting()) {
      return client.w != static_cast<int>(std::lround(painting->sw)) ||
             client.h != static_cast<int>(std::lround(painting->sh));
    }
    const Image& image = box.retained();
    return !image.empty() && (client.w != image.width || client.h != image.height);
  }

  // A texture is a whole copy of its picture: the title's alone is some 3.5 MiB in a large window. Boxes
  // that are hidden (or gone) give theirs back; showing one again uploads it afresh.
  void dropHiddenPictures() {
    bool dropped = false;
    for (auto it = pictures.begin(); it != pictures.end();) {
      const bool onScreen = std::any_of(placed.begin(), placed.end(), [&](const Placed& p) {
        return p.control == it->first && p.clip.w > 0;
      });
      if (onScreen) {
        ++it;
      } else {
        SDL_DestroyTexture(it->second.texture);
        it = pictures.erase(it);
        dropped = true;
      }
    }
#if defined(__GLIBC__)
    // The allocator would keep the freed pages (and those of the pictures decoded before) for itself,
    // some 4 MiB once the title is gone; this happens only when a picture leaves the screen.
    if (dropped) malloc_trim(0);
#else
    (void)dropped;
#endif
  }

  void evict() {
    // Fonts: those the last whole frame used or any frame since. A resize drag makes whole frames.
    if (fonts.size() > kFontCacheLimit) {
      for (auto it = fonts.begin(); it != fonts.end();) {
        if (it->second.lastFrame < lastWholeFrame) {
          it = fonts.erase(it);
        } else {
          ++it;
        }
      }
    }
    // Lines: those on screen now, drawn when their control was last drawn. A caption that changes with
    // every frame would otherwise pile up its old lines between whole frames.
    if (lines.size() > kLineCacheLimit) {
      for (auto it = lines.begin(); it != lines.end();) {
        const auto owner = drawnAt.find(it->second.owner);
        const uint64_t ownerFrame = owner == drawnAt.end() ? 0 : owner->second;
        if (it->second.lastFrame != ownerFrame) {
          SDL_DestroyTexture(it->second.texture);
          it = lines.erase(it);
        } else {
          ++it;
        }
      }
    }
  }
};

void fixLargeBufferPolicy() {
#if defined(__GLIBC__)
  // glibc raises its mapping threshold, and with it the point at which it gives the top of the heap back,
  // each time a large buffer is freed; what start-up frees then stays with the process (some 15 MiB on a
  // 4K screen). A fixed threshold keeps both where they were. 4 MiB keeps a picture of ordinary size and
  // its texture in the heap, whose pages the next picture reuses: a fresh mapping costs a page fault per
  // 4 KiB touched, 16 us each on a virtual machine, five times the decoding of a 600 x 600 scene.
  static const bool kThresholdFixed = mallopt(M_MMAP_THRESHOLD, 4 << 20) == 1;
  (void)kThresholdFixed;
#endif
}

Renderer::Renderer(SDL_Renderer* target) : impl_(std::make_unique<Impl>(target)) { fixLargeBufferPolicy(); }
Renderer::~Renderer() = default;

Renderer::FrameStats Renderer::lastFrame() const { return impl_->stats; }

void Renderer::redrawAll() { impl_->haveFrame = false; }

void Renderer::draw(const Form& form, const TooltipView* tooltip, float pixelScale) {
  Impl& d = *impl_;
  if (!d.sdl) return;
  ++d.frame;
  d.stats = FrameStats{};
  const float scale = pixelScale > 0 ? pixelScale : 1.0f;
  int outW = 0, outH = 0;
  SDL_GetRendererOutputSize(d.sdl, &outW, &outH);
  // A tooltip lies over everything: frames that show or hide one draw the whole window.
  bool whole = !d.keepsPixels || !d.haveFrame || scale != d.scale || outW != d.outW || outH != d.outH ||
               tooltip != nullptr || d.hadTooltip;
  d.scale = scale;
  d.outW = outW;
  d.outH = outH;
  const SDL_Rect window{0, 0, outW, outH};

  std::vector<Placed> placed;
  placed.reserve(d.placed.size());
  for (const Control* child : form.children()) d.place(*child, window, true, placed);
  std::vector<SDL_Rect> damage;
  if (!whole && !d.changedRects(form, placed, damage)) whole = true;
  if (whole) {
    damage.assign(1, window);
    d.lastWholeFrame = d.frame;
    d.stats.wholeWindow = true;
  }

  for (const SDL_Rect& r : damage) {
    if (r.w <= 0 || r.h <= 0) continue;
    SDL_RenderSetClipRect(d.sdl, &r);
    const auto& children = form.children();
    size_t first = d.frontmostCover(form, r);
    if (first == children.size()) {
      first = 0;
      setColor(d.sdl, form.BackColor());
      SDL_RenderFillRect(d.sdl, &r);
    }
    for (size_t i = first; i < children.size(); ++i) {
      if (!d.hiddenBehind(form, i, r)) d.drawControl(*children[i], r);
    }
    d.stats.pixelsRedrawn += static_cast<int64_t>(r.w) * r.h;
  }
  if (tooltip) {
    d.drawing = nullptr;
    d.drawnAt[nullptr] = d.frame;
    d.drawTooltip(*tooltip, window);
  }
  d.hadTooltip = tooltip != nullptr;
  d.placed = std::move(placed);
  d.dropHiddenPictures();
  d.lastSerial = form.changeSerial();
  d.haveFrame = true;
  // Nothing changed on screen (say, the caption of a hidden label): nothing to show either.
  if (d.stats.pixelsRedrawn > 0 || tooltip) {
    SDL_RenderSetClipRect(d.sdl, nullptr);
    SDL_RenderPresent(d.sdl);
  }
  d.evict();
}

// ---- Off-screen target ----

struct OffscreenTarget::Impl {
  SDL_Surface* surface = nullptr;
  SDL_Renderer* sdl = nullptr;
  std::unique_ptr<Renderer> renderer;
};

OffscreenTarget::OffscreenTarget(int width, int height) : impl_(std::make_unique<Impl>()) {
  impl_->surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
  if (impl_->surface) impl_->sdl = SDL_CreateSoftwareRenderer(impl_->surface);
  impl_->renderer = std::make_unique<Renderer>(impl_->sdl);
}

OffscreenTarget::~OffscreenTarget() {
  impl_->renderer.reset();
  if (impl_->sdl) SDL_DestroyRenderer(impl_->sdl);
  if (impl_->surface) SDL_FreeSurface(impl_->surface);
}

bool OffscreenTarget::ok() const { return impl_->sdl != nullptr; }

Renderer& OffscreenTarget::renderer() { return *impl_->renderer; }

Color OffscreenTarget::pixel(int x, int y) const {
  const SDL_Surface* s = impl_->surface;
  if (!s || x < 0 || y < 0 || x >= s->w || y >= s->h) return 0;
  uint32_t v;
  std::memcpy(&v, static_cast<const uint8_t*>(s->pixels) + static_cast<size_t>(y) * s->pitch + x * 4, 4);
  return rgb(static_cast<int>((v >> 16) & 255), static_cast<int>((v >> 8) & 255), static_cast<int>(v & 255));
}

}  // namespace platform
