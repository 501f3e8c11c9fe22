// The tooltip: a pale box with the text, near the pointer and inside the window, over everything.
#include <SDL.h>

#include <algorithm>
#include <cmath>

#include "platform/runtime/text_layout.h"
#include "platform/sdl/font_cache.h"
#include "platform/sdl/painter.h"

namespace platform {

namespace {

constexpr Color kTooltipBack = rgb(255, 255, 225);
constexpr Color kTooltipText = rgb(0, 0, 0);
constexpr const char* kTooltipFont = "MS UI Gothic";
constexpr float kTooltipPointSize = 9.0f;
constexpr size_t kTooltipMaxLines = 64;

}  // namespace

void paintTooltip(Painter& p, const TooltipView& tip, const PixelRect& window) {
  if (tip.text.empty()) return;
  LoadedFont* f = p.fonts.get(kTooltipFont, false, kTooltipPointSize, p.scale, p.frame);
  if (!f) return;
  const auto laid =
      layoutText(tip.text, 1e9f, kTooltipMaxLines, [f](char32_t c) { return f->font->advance(c); });
  float widest = 0;
  for (const LaidLine& l : laid) widest = std::max(widest, l.width);
  const int pad = p.px(3);
  const int skip = std::max(1, f->font->lineSkip());
  const int w = static_cast<int>(std::ceil(widest)) + 2 * pad + 2;
  const int h = static_cast<int>(laid.size()) * skip + 2 * pad;
  // Below and slightly right of the pointer, as desktop tooltips sit; above it when there is no room
  // below; never outside the window.
  int x = p.px(tip.pointerX);
  int y = p.px(tip.pointerY + 20);
  if (y + h > window.h) y = p.px(tip.pointerY - 4) - h;
  x = std::clamp(x, 0, std::max(0, window.w - w));
  y = std::clamp(y, 0, std::max(0, window.h - h));
  const PixelRect box{x, y, w, h};
  const SDL_Rect clip{window.x, window.y, window.w, window.h};
  SDL_RenderSetClipRect(p.sdl, &clip);
  p.setColor(kTooltipBack);
  p.fill(box);
  p.border(box);
  int ly = y + pad;
  for (const LaidLine& l : laid) {
    p.line(*f, std::string_view(tip.text).substr(l.begin, l.end - l.begin), kTooltipText, x + pad + 1, ly);
    ly += skip;
  }
}

}  // namespace platform
