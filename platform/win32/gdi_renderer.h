// Drawing a Form's control tree with GDI into a back buffer (a 32-bit DIB section the size of the real
// window's client area): back to front, children clipped to their parents, pictures stretched as the
// picture boxes hold them, captions laid out by the runtime's line layout with the same fonts that
// measure them. Called by the Windows window backend when the tree changed; it only reads the controls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/runtime/control.h"
#include "platform/win32/gdi_fonts.h"

namespace platform {

class Form;
class OptionButton;
class PictureBox;
class Shade;

// A tooltip to draw over everything, near the pointer (client pixels of the Form).
struct GdiTooltip {
  std::string text;
  float pointerX = 0;
  float pointerY = 0;
};

class GdiRenderer {
 public:
  GdiRenderer();
  ~GdiRenderer();
  GdiRenderer(const GdiRenderer&) = delete;
  GdiRenderer& operator=(const GdiRenderer&) = delete;

  // One whole frame into a back buffer of width × height pixels, the Form's client area at (originX,
  // originY) and black around it (fullscreen's bars).
  void draw(const Form& form, int width, int height, int originX, int originY, const GdiTooltip* tooltip);
  // Copy the back buffer to a window's device context.
  void present(HDC target) const;
  Color pixel(int x, int y) const;  // what the last frame drew there
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  void resize(int width, int height);
  void drawControl(const Control& c, const RECT& parentClip, int ox, int oy);
  void drawPictureBox(const PictureBox& box, const RECT& rect);
  void drawOptionButton(const OptionButton& button, const RECT& rect);
  void drawShade(const Shade& shade, const RECT& clip);
  void drawCaption(const std::string& caption, const std::string& family, bool bold, float points,
                   Color color, const RECT& box, bool vcenter);
  void drawTooltip(const GdiTooltip& tip, int ox, int oy);

  GdiFonts fonts_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
  uint32_t* bits_ = nullptr;
  int width_ = 0, height_ = 0;
};

}  // namespace platform
