// An option button: the classic round mark, filled when selected, with its caption centred beside it.
#include <SDL.h>

#include <algorithm>
#include <cmath>

#include "platform/runtime/option_button.h"
#include "platform/sdl/painter.h"

namespace platform {

namespace {

constexpr float kRadioDiameterPx = 13;  // the classic radio mark, in window pixels

void drawRing(const Painter& p, int d, float cx, float top) {
  const float r = d / 2.0f;
  for (int row = 0; row < d; ++row) {
    const float dy = row + 0.5f - r;
    const float half = std::sqrt(std::max(0.0f, r * r - dy * dy));
    const int x0 = static_cast<int>(std::lround(cx - half));
    const int x1 = static_cast<int>(std::lround(cx + half)) - 1;
    const int y = static_cast<int>(top) + row;
    if (x1 < x0) continue;
    p.setColor(rgb(128, 128, 128));
    SDL_RenderDrawPoint(p.sdl, x0, y);
    SDL_RenderDrawPoint(p.sdl, x1, y);
    if (row == 0 || row == d - 1) {
      SDL_RenderDrawLine(p.sdl, x0, y, x1, y);
    } else if (x1 - 1 >= x0 + 1) {
      p.setColor(rgb(255, 255, 255));
      SDL_RenderDrawLine(p.sdl, x0 + 1, y, x1 - 1, y);
    }
  }
}

void drawDot(const Painter& p, int d, float cx, float top) {
  const float r = d / 2.0f;
  const float dot = r * 0.45f;
  p.setColor(rgb(0, 0, 0));
  for (int row = 0; row < d; ++row) {
    const float dy = row + 0.5f - r;
    if (std::fabs(dy) >= dot) continue;
    const float half = std::sqrt(dot * dot - dy * dy);
    const int y = static_cast<int>(top) + row;
    SDL_RenderDrawLine(p.sdl, static_cast<int>(std::lround(cx - half)), y,
                       static_cast<int>(std::lround(cx + half)) - 1, y);
  }
}

}  // namespace

void paintOptionButton(Painter& p, const OptionButton& button, const PixelRect& rect) {
  p.setColor(button.BackColor());
  p.fill(rect);
  const int d = std::max(5, p.px(kRadioDiameterPx));
  const int pad = p.px(2);
  const float cx = rect.x + pad + d / 2.0f;
  const float top = rect.y + rect.h / 2 - d / 2.0f;
  drawRing(p, d, cx, top);
  if (button.Value()) drawDot(p, d, cx, top);
  const int textX = rect.x + pad + d + p.px(4);
  const PixelRect textBox{textX, rect.y, std::max(0, rect.x + rect.w - textX - pad), rect.h};
  p.caption(button.Caption(), button.FontName(), false, button.FontSize(), button.ForeColor(), textBox, true,
            textBox.y + textBox.h);
  if (button.BorderStyle()) p.border(rect);
}

}  // namespace platform
