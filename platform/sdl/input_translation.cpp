// SDL's buttons, keys and modifiers to the old runtime's numbers.
#include "platform/sdl/input_translation.h"

#include <SDL.h>

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
    case SDL_WINDOWEVENT:
      if (e.window.event != SDL_WINDOWEVENT_LEAVE) return false;
      *out = pointerEvent(InputEvent::Type::PointerLeave, 0, 0, 0);
      return true;
    default:
      return false;
  }
}

}  // namespace platform
