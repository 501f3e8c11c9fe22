// SDL's video started with the game's hints, on a display that may be busy for a moment.
#include "platform/sdl/video_start.h"

#include <SDL.h>

#include <cstring>

#include "platform/media/sdl_subsystems.h"
#include "platform/sdl/x11_desktop.h"

namespace platform {

namespace {

constexpr int kDisplayAttempts = 5;
constexpr int kDisplayRetryMs = 100;

void setHints() {
  // The window's class (WM_CLASS on X11, the app id on Wayland) is how the desktop matches the window
  // to lanternfall.desktop. SDL takes it from the executable's file name unless these say otherwise, and
  // a copy or a build under another name must still be this game; a value the user set is kept.
  SDL_setenv("SDL_VIDEO_X11_WMCLASS", "lanternfall", 0);
  SDL_setenv("SDL_VIDEO_WAYLAND_WMCLASS", "lanternfall", 0);
  // A mostly still 2-D picture redrawn only on change: the software renderer is quick enough and spares
  // the memory and start-up time of a GL driver. SDL_RENDER_DRIVER in the environment still chooses.
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
  // Otherwise SDL would back the window surface with a GL texture and load the whole GL stack (some
  // 80 MiB resident with Mesa) only to copy our frame.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // SIGTERM and SIGINT end the program where they find it; as quit events they would wait for a busy step.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

bool invisibleDriver() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

}  // namespace

bool startVideo(std::string* error) {
  const bool driverChosen = SDL_getenv("SDL_VIDEODRIVER") != nullptr;
  // With nowhere to show a window, SDL would try every video driver and the display libraries would
  // each complain on stderr (once per attempt) before our own reason: say once what is missing and
  // what to do. A driver named in SDL_VIDEODRIVER (a test's dummy, a console's kmsdrm) needs neither.
  if (!haveDesktopSession() && !driverChosen) {
    if (error) {
      *error =
          "no display (neither DISPLAY nor WAYLAND_DISPLAY is set): start the game from a desktop "
          "session, or without a screen under xvfb-run";
    }
    return false;
  }
  setHints();
  nameWindowSystemErrors();
  // When the display refuses a connection for a moment (a busy X server), SDL quietly falls back to its
  // invisible off-screen driver and the game would run with no window at all: try the display again,
  // and use an invisible driver only when SDL_VIDEODRIVER asks for one (tests do).
  for (int attempt = 1;; ++attempt) {
    if (!startSdlSubsystems(SDL_INIT_VIDEO, error)) return false;
    if (!invisibleDriver() || driverChosen) return true;
    stopSdlSubsystems(SDL_INIT_VIDEO);
    if (attempt == kDisplayAttempts) {
      if (error) *error = "no display could be opened";
      return false;
    }
    SDL_Delay(kDisplayRetryMs);
  }
}

}  // namespace platform
