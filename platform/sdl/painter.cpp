// The drawing primitives the painters share, and caption layout into a box.
#include "platform/sdl/painter.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

#include "platform/runtime/text_layout.h"
#include "platform/sdl/font_cache.h"
#include "platform/sdl/line_cache.h"

namespace platform {

void Painter::setColor(Color c) const {
  SDL_SetRenderDrawColor(sdl, static_cast<Uint8>(redOf(c)), static_cast<Uint8>(greenOf(c)),
                         static_cast<Uint8>(blueOf(c)), 255);
}

void Painter::fill(const PixelRect& r) const {
  const SDL_Rect s{r.x, r.y, r.w, r.h};
  SDL_RenderFillRect(sdl, &s);
}

void Painter::border(const PixelRect& r) const {
  setColor(rgb(0, 0, 0));
  const SDL_Rect s{r.x, r.y, r.w, r.h};
  SDL_RenderDrawRect(sdl, &s);
}

int Painter::px(float windowPixels) const { return static_cast<int>(std::lround(windowPixels * scale)); }

void Painter::line(LoadedFont& font, std::string_view text, Color color, int x, int y) {
  if (lines.draw(font, text, color, x, y, owner, frame)) ++stats.linesRasterised;
}

void Painter::caption(const std::string& text, const std::string& family, bool bold, float points,
                      Color color, const PixelRect& box, bool vcenter, int visibleBottom) {
  if (text.empty() || box.empty()) return;
  LoadedFont* f = fonts.get(family, bold, points, scale, frame);
  if (!f) return;
  const int skip = std::max(1, f->font->lineSkip());
  // Only the lines whose top lies inside the box can be seen; a centred block needs all of them to be
  // placed, a block from the top only those above the visible bottom edge.
  const int bottom = vcenter ? box.y + box.h : std::clamp(visibleBottom, box.y, box.y + box.h);
  const size_t maxLines = static_cast<size_t>((bottom - box.y + skip - 1) / skip);
  if (maxLines == 0) return;
  const auto laid =
      layoutText(text, static_cast<float>(box.w), maxLines, [f](char32_t c) { return f->font->advance(c); });
  int y = box.y;
  if (vcenter) y += (box.h - static_cast<int>(laid.size()) * skip) / 2;
  for (const LaidLine& l : laid) {
    line(*f, std::string_view(text).substr(l.begin, l.end - l.begin), color, box.x, y);
    y += skip;
  }
}

}  // namespace platform
