// SDL events pushed onto SDL's queue for the window, as the window system would queue them.
#include "platform/sdl/window_injection.h"

#include <SDL.h>

#include "platform/sdl/window_backend.h"

namespace platform {

void WindowInjector::postMouseMotion(int x, int y) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = SDL_GetWindowID(window_.sdlWindow());
  e.motion.x = x;
  e.motion.y = y;
  SDL_PushEvent(&e);
}

void WindowInjector::postMouseButton(bool down, int button, int x, int y) {
  SDL_Event e{};
  e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.windowID = SDL_GetWindowID(window_.sdlWindow());
  e.button.button = static_cast<Uint8>(button);
  e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.button.clicks = 1;
  e.button.x = x;
  e.button.y = y;
  SDL_PushEvent(&e);
}

void WindowInjector::postKey(bool down, int sdlKeyCode, int sdlModifiers) {
  SDL_Event e{};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.windowID = SDL_GetWindowID(window_.sdlWindow());
  e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.sym = sdlKeyCode;
  e.key.keysym.mod = static_cast<Uint16>(sdlModifiers);
  SDL_PushEvent(&e);
}

void WindowInjector::postClose() {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = SDL_GetWindowID(window_.sdlWindow());
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  SDL_PushEvent(&e);
}

void WindowInjector::userResize(int clientWidth, int clientHeight) {
  SDL_SetWindowSize(window_.sdlWindow(), clientWidth, clientHeight);
}

int WindowInjector::clientWidth() const {
  int w = 0, h = 0;
  SDL_GetWindowSize(window_.sdlWindow(), &w, &h);
  return w;
}

int WindowInjector::clientHeight() const {
  int w = 0, h = 0;
  SDL_GetWindowSize(window_.sdlWindow(), &w, &h);
  return h;
}

}  // namespace platform
