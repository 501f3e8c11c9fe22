// SDL's buttons, keys and modifiers to the old runtime's numbers.
#include "platform/sdl/input_translation.h"

#include <SDL.h>

#include <algorithm>

namespace platform {

namespace {

int16_t buttonOf(Uint8 sdlButton) {
  switch (sdlButton) {
    case SDL_BUTTON_LEFT:
      return kLeftButton;
    case SDL_BUTTON_RIGHT:
      return kRightButton;
    case SDL_BUTTON_MIDDLE:
      return kMiddleButton;
    default:
      return 0;  // the old runtime knew three buttons
  }
}

// SDL's key to the old runtime's key code; 0 for keys the game has no use for.
int16_t keyCodeOf(SDL_Keycode k) {
  if (k >= SDLK_0 && k <= SDLK_9) return static_cast<int16_t>('0' + (k - SDLK_0));
  if (k >= SDLK_a && k <= SDLK_z) return static_cast<int16_t>('A' + (k - SDLK_a));
  if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return static_cast<int16_t>('1' + (k - SDLK_KP_1));
  // SDL numbers F1 to F12 in one run, as the old runtime's key codes do.
  if (k >= SDLK_F1 && k <= SDLK_F12) return static_cast<int16_t>(kKeyF1 + (k - SDLK_F1));
  switch (k) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
    case SDLK_RETURN2:
      return kKeyReturn;
    case SDLK_SPACE:
      return kKeySpace;
    case SDLK_ESCAPE:
      return kKeyEscape;
    case SDLK_LEFT:
      return kKeyLeft;
    case SDLK_UP:
      return kKeyUp;
    case SDLK_RIGHT:
      return kKeyRight;
    case SDLK_DOWN:
      return kKeyDown;
    // Reading keys: Ctrl held fast-forwards, PageUp opens the text history and pages through it.
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return kKeyControl;
    case SDLK_PAGEUP:
      return kKeyPageUp;
    case SDLK_PAGEDOWN:
      return kKeyPageDown;
    default:
      return 0;
  }
}

InputEvent pointerEvent(InputEvent::Type type, int16_t button, int x, int y) {
  InputEvent e;
  e.type = type;
  e.button = button;
  e.x = static_cast<float>(x);
  e.y = static_cast<float>(y);
  // Pointer events carry no modifiers of their own: the keyboard's state as it stands now.
  e.shift = shiftOf(static_cast<uint16_t>(SDL_GetModState()));
  return e;
}

// A turn of the wheel in whole notches up (away from the player), where the pointer is. No wheel turns
// 100 notches in one event; the bound only keeps the count within the event's 16 bits.
bool wheelEvent(const SDL_MouseWheelEvent& w, InputEvent* out) {
  int steps = w.direction == SDL_MOUSEWHEEL_FLIPPED ? -w.y : w.y;
  if (steps == 0) return false;  // sideways
  steps = std::clamp(steps, -100, 100);
  *out = pointerEvent(InputEvent::Type::Wheel, 0, w.mouseX, w.mouseY);
  out->wheelSteps = static_cast<int16_t>(steps);
  return true;
}

}  // namespace

int16_t shiftOf(uint16_t sdlModifiers) {
  int16_t s = 0;
  if (sdlModifiers & KMOD_SHIFT) s |= kShiftMask;
  if (sdlModifiers & KMOD_CTRL) s |= kCtrlMask;
  if (sdlModifiers & KMOD_ALT) s |= kAltMask;
  return s;
}

bool translateInput(const SDL_Event& e, InputEvent* out) {
  switch (e.type) {
    case SDL_MOUSEMOTION:
      *out = pointerEvent(InputEvent::Type::PointerMove, 0, e.motion.x, e.motion.y);
      return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const auto type =
          e.type == SDL_MOUSEBUTTONDOWN ? InputEvent::Type::PointerDown : InputEvent::Type::PointerUp;
      *out = pointerEvent(type, buttonOf(e.button.button), e.button.x, e.button.y);
      return true;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      InputEvent k;
      k.type = e.type == SDL_KEYDOWN ? InputEvent::Type::KeyDown : InputEvent::Type::KeyUp;
      k.keyCode = keyCodeOf(e.key.keysym.sym);
      if (k.keyCode == 0) return false;
      k.repeat = e.key.repeat != 0;
      k.shift = shiftOf(e.key.keysym.mod);
      *out = k;
      return true;
    }
    case SDL_MOUSEWHEEL:
      return wheelEvent(e.wheel, out);
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
        // A key released while another window has the focus never comes back as a release: a held Ctrl
        // counts as let go, or fast-forward would run on by itself.
        InputEvent k;
        k.type = InputEvent::Type::KeyUp;
        k.keyCode = kKeyControl;
        *out = k;
        return true;
      }
      if (e.window.event != SDL_WINDOWEVENT_LEAVE) return false;
      *out = pointerEvent(InputEvent::Type::PointerLeave, 0, 0, 0);
      return true;
    default:
      return false;
  }
}

}  // namespace platform
