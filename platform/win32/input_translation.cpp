// Mouse and key messages as the runtime's input events. Double clicks are paired by the runtime's rule,
// so the window class has no CS_DBLCLKS and every press arrives as a press.
#include "platform/win32/input_translation.h"

#include <windowsx.h>

namespace platform {

namespace {

int16_t shiftState(bool alt) {
  int16_t shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift += kShiftMask;
  if (GetKeyState(VK_CONTROL) < 0) shift += kCtrlMask;
  if (alt || GetKeyState(VK_MENU) < 0) shift += kAltMask;
  return shift;
}

InputEvent pointer(InputEvent::Type type, int16_t button, LPARAM lParam) {
  InputEvent e;
  e.type = type;
  e.button = button;
  e.x = static_cast<float>(GET_X_LPARAM(lParam));
  e.y = static_cast<float>(GET_Y_LPARAM(lParam));
  e.shift = shiftState(false);
  return e;
}

}  // namespace

std::optional<InputEvent> translateMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  using Type = InputEvent::Type;
  switch (message) {
    case WM_LBUTTONDOWN:
      return pointer(Type::PointerDown, kLeftButton, lParam);
    case WM_LBUTTONUP:
      return pointer(Type::PointerUp, kLeftButton, lParam);
    case WM_RBUTTONDOWN:
      return pointer(Type::PointerDown, kRightButton, lParam);
    case WM_RBUTTONUP:
      return pointer(Type::PointerUp, kRightButton, lParam);
    case WM_MBUTTONDOWN:
      return pointer(Type::PointerDown, kMiddleButton, lParam);
    case WM_MBUTTONUP:
      return pointer(Type::PointerUp, kMiddleButton, lParam);
    case WM_XBUTTONDOWN:
      return pointer(Type::PointerDown, 0, lParam);
    case WM_XBUTTONUP:
      return pointer(Type::PointerUp, 0, lParam);
    case WM_MOUSEMOVE:
      return pointer(Type::PointerMove, 0, lParam);
    case WM_MOUSELEAVE:
      return InputEvent{Type::PointerLeave};
    case WM_MOUSEWHEEL: {
      // Whole notches up; a finer wheel's part of a notch counts as one in its direction. The position
      // is on the screen: the caller makes it the client's.
      const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
      if (delta == 0) return std::nullopt;
      int steps = delta / WHEEL_DELTA;
      if (steps == 0) steps = delta > 0 ? 1 : -1;
      InputEvent e = pointer(Type::Wheel, 0, lParam);
      e.wheelSteps = static_cast<int16_t>(steps);
      return e;
    }
    case WM_KILLFOCUS: {
      // A key released while another window has the focus never comes back as a release: a held Ctrl
      // counts as let go, or fast-forward would run on by itself.
      InputEvent e;
      e.type = Type::KeyUp;
      e.keyCode = kKeyControl;
      return e;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      if (wParam == 0 || wParam > 0xFE) return std::nullopt;
      InputEvent e;
      const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
      e.type = down ? Type::KeyDown : Type::KeyUp;
      e.keyCode = static_cast<int16_t>(wParam);
      e.repeat = down && (lParam & (1L << 30)) != 0;     // the key was already down: the keyboard repeats
      e.shift = shiftState((lParam & (1L << 29)) != 0);  // bit 29: Alt held
      return e;
    }
    default:
      return std::nullopt;
  }
}

}  // namespace platform
