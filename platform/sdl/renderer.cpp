// The renderer: one frame of the control tree, with caches so that a frame where little changed costs
// little (fonts by face and pixel size, text lines by text, font and colour, pictures by content), and on
// a target that keeps its pixels, only the rectangles of the controls that changed drawn again.
#include "platform/sdl/renderer.h"

#include <SDL.h>

#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/runtime/form.h"
#include "platform/runtime/label.h"
#include "platform/runtime/option_button.h"
#include "platform/runtime/picture_box.h"
#include "platform/runtime/shade.h"
#include "platform/sdl/damage.h"
#include "platform/sdl/font_cache.h"
#include "platform/sdl/line_cache.h"
#include "platform/sdl/painter.h"
#include "platform/sdl/picture_cache.h"

namespace platform {

struct Renderer::Impl {
  SDL_Renderer* sdl;
  FontCache fonts;
  LineCache lines;
  PictureCache pictures;
  uint64_t frame = 0;
  uint64_t lastSerial = 0;
  float scale = 1;
  FrameStats stats;

  // Partial frames. Only the software renderer keeps the last frame's pixels in its target; other
  // drivers may hand back any old buffer after a present, so they always draw the whole window.
  bool keepsPixels = false;
  bool haveFrame = false;  // the target holds a whole frame drawn by us
  int outW = 0, outH = 0;
  bool hadTooltip = false;
  std::vector<Placed> placed;
  uint64_t lastWholeFrame = 0;
  std::unordered_map<const Control*, uint64_t> drawnAt;  // frame each control was last drawn in

  explicit Impl(SDL_Renderer* r) : sdl(r), lines(r), pictures(r) {
    SDL_RendererInfo info;
    keepsPixels =
        r && SDL_GetRendererInfo(r, &info) == 0 && info.name && std::strcmp(info.name, "software") == 0;
  }

  Painter painter() { return Painter{sdl, scale, frame, fonts, lines, pictures, stats, nullptr}; }

  void drawControl(const Control& c, const PixelRect& parentClip) {
    if (!c.Visible()) return;
    const PixelRect rect = toPixels(c.windowRect(), scale);
    const PixelRect clip = intersect(rect, parentClip);
    // An empty clip rectangle would switch clipping off in SDL: there is nothing to draw anyway.
    if (clip.empty()) return;
    const SDL_Rect sdlClip{clip.x, clip.y, clip.w, clip.h};
    SDL_RenderSetClipRect(sdl, &sdlClip);
    drawnAt[&c] = frame;
    Painter p = painter();
    p.owner = &c;
    switch (c.kind()) {
      case ControlKind::PictureBox:
        paintPictureBox(p, static_cast<const PictureBox&>(c), rect);
        break;
      case ControlKind::Label:
        paintLabel(p, static_cast<const Label&>(c), rect, clip);
        break;
      case ControlKind::OptionButton:
        paintOptionButton(p, static_cast<const OptionButton&>(c), rect);
        break;
      case ControlKind::Shade:
        paintShade(p, static_cast<const Shade&>(c), rect);
        break;
      case ControlKind::Form:
        break;
    }
    for (const Control* child : c.children()) drawControl(*child, clip);
  }

  // The rectangles this frame draws: the whole window, or only what changed since the last frame.
  std::vector<PixelRect> damageOf(const Form& form, const TooltipView* tooltip, float newScale,
                                  std::vector<Placed>& now) {
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(sdl, &w, &h);
    // A tooltip lies over everything: frames that show or hide one draw the whole window.
    bool whole = !keepsPixels || !haveFrame || newScale != scale || w != outW || h != outH ||
                 tooltip != nullptr || hadTooltip;
    scale = newScale;
    outW = w;
    outH = h;
    const PixelRect window{0, 0, outW, outH};
    now.reserve(placed.size());
    for (const Control* child : form.children()) placeTree(*child, window, true, scale, now);
    std::vector<PixelRect> damage;
    if (!whole && !changedRects(form, lastSerial, placed, now, scale, damage)) whole = true;
    if (whole) {
      damage.assign(1, window);
      lastWholeFrame = frame;
      stats.wholeWindow = true;
    }
    return damage;
  }

  // Within r: the window's background unless a child covers all of it, then the children not hidden
  // behind an opaque one in front.
  void drawDamage(const Form& form, const PixelRect& r) {
    const SDL_Rect clip{r.x, r.y, r.w, r.h};
    SDL_RenderSetClipRect(sdl, &clip);
    const auto& children = form.children();
    size_t first = frontmostCover(form, r, scale);
    if (first == children.size()) {
      first = 0;
      Painter p = painter();
      p.setColor(form.BackColor());
      p.fill(r);
    }
    for (size_t i = first; i < children.size(); ++i) {
      if (!hiddenBehind(form, i, r, scale)) drawControl(*children[i], r);
    }
    stats.pixelsRedrawn += static_cast<int64_t>(r.w) * r.h;
  }
};

Renderer::Renderer(SDL_Renderer* target) : impl_(std::make_unique<Impl>(target)) {}
Renderer::~Renderer() = default;

Renderer::FrameStats Renderer::lastFrame() const { return impl_->stats; }

size_t Renderer::cachedTextBytes() const { return impl_->lines.textBytes(); }

void Renderer::redrawAll() { impl_->haveFrame = false; }

void Renderer::draw(const Form& form, const TooltipView* tooltip, float pixelScale) {
  Impl& d = *impl_;
  if (!d.sdl) return;
  ++d.frame;
  d.stats = FrameStats{};
  std::vector<Placed> now;
  const std::vector<PixelRect> damage = d.damageOf(form, tooltip, pixelScale > 0 ? pixelScale : 1.0f, now);
  for (const PixelRect& r : damage) {
    if (!r.empty()) d.drawDamage(form, r);
  }
  if (tooltip) {
    d.drawnAt[nullptr] = d.frame;
    Painter p = d.painter();
    paintTooltip(p, *tooltip, PixelRect{0, 0, d.outW, d.outH});
  }
  d.hadTooltip = tooltip != nullptr;
  d.placed = std::move(now);
  d.pictures.dropHidden(d.placed);
  d.lastSerial = form.changeSerial();
  d.haveFrame = true;
  // Nothing changed on screen (say, the caption of a hidden label): nothing to show either.
  if (d.stats.pixelsRedrawn > 0 || tooltip) {
    SDL_RenderSetClipRect(d.sdl, nullptr);
    SDL_RenderPresent(d.sdl);
  }
  d.fonts.evict(d.lastWholeFrame);
  d.lines.evict(d.drawnAt);
}

}  // namespace platform
