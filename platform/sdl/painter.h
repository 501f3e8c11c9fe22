// What every painter of a control kind draws with in one frame: the target, the real pixels per window
// pixel, the caches, and the frame's counts; and the painters themselves, one per control kind (each in
// its own file). The renderer decides what to draw and where it is clipped; a painter draws one control.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/runtime/control.h"
#include "platform/sdl/pixel_rect.h"
#include "platform/sdl/renderer.h"

struct SDL_Renderer;

namespace platform {

class FontCache;
class LineCache;
class PictureCache;
class PictureBox;
class Label;
class OptionButton;
class Shade;
struct LoadedFont;

struct Painter {
  SDL_Renderer* sdl;
  float scale;
  uint64_t frame;
  FontCache& fonts;
  LineCache& lines;
  PictureCache& pictures;
  Renderer::FrameStats& stats;
  const Control* owner = nullptr;  // the control being drawn (null: the tooltip)

  void setColor(Color c) const;
  void fill(const PixelRect& r) const;
  void border(const PixelRect& r) const;
  // A distance in window pixels in real pixels.
  int px(float windowPixels) const;
  // One line of text with its top-left corner at (x, y).
  void line(LoadedFont& font, std::string_view text, Color color, int x, int y);
  // A caption laid out in a box. With vcenter the block of lines is centred vertically (option buttons),
  // otherwise it starts at the top (labels). Only the lines that start above visibleBottom (real pixels)
  // are laid out and drawn: a huge caption costs no more than what can be seen of it.
  void caption(const std::string& text, const std::string& family, bool bold, float points, Color color,
               const PixelRect& box, bool vcenter, int visibleBottom);
};

void paintPictureBox(Painter& p, const PictureBox& box, const PixelRect& rect);
void paintLabel(Painter& p, const Label& label, const PixelRect& rect, const PixelRect& clip);
void paintOptionButton(Painter& p, const OptionButton& button, const PixelRect& rect);
void paintShade(Painter& p, const Shade& shade, const PixelRect& rect);
void paintTooltip(Painter& p, const TooltipView& tip, const PixelRect& window);

// The box's client area in real pixels, as its painter places the picture.
PixelRect pictureClientRect(const PictureBox& box, float scale);
// Whether the box's picture is drawn at another size than its pixels: false when it shows none.
bool drawnStretched(const PictureBox& box, float scale);

}  // namespace platform
