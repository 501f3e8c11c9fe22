// The shade: a veil of one colour laid over what lies behind it, letting that show through dimmed, with
// controls of its own drawn clear on top. The old runtime had no such control; a program puts one over
// its window to show something above a scene that must stand still meanwhile.
// A shade takes the pointer for everything it covers, its own children included: a press anywhere on it
// is its own mouse-down and never a click on what lies behind or on it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/runtime/control.h"

namespace platform {

class Shade : public Control {
 public:
  Shade(Control* parent, std::string name);

  // How much of the back colour covers what lies behind: 0 none, 255 all of it (then nothing shows).
  int Opacity() const { return opacity_; }
  void setOpacity(int opacity);  // clamped to 0..255

  // A mouse button pressed anywhere on the shade: the button (kLeftButton, ...), the shift state, and
  // the point in the shade's scale units.
  std::function<void(int16_t button, int16_t shift, float x, float y)> onMouseDown;

 private:
  int opacity_ = 128;
};

// What a pixel of colour `under` becomes beneath a shade of colour `veil` and opacity 0..255: the one
// rule every renderer blends by, so that both systems show the same picture.
Color shadeBlend(Color under, Color veil, int opacity);

}  // namespace platform
