// The X11 desktop's text scaling and error handler, read through SDL's window manager info and Xlib.
#include "platform/sdl/x11_desktop.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/runtime/app.h"
#include "platform/runtime/display.h"

namespace platform {

namespace {

Display* x11Display(SDL_Window* window, ::Window* xwindow) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return nullptr;
  if (xwindow) *xwindow = info.info.x11.window;
  return info.info.x11.display;
}

// The atoms a window property of type ATOM holds; empty when it has none.
std::vector<Atom> atomsOf(Display* display, ::Window window, const char* property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<Atom> out;
  const Atom name = XInternAtom(display, property, False);
  if (XGetWindowProperty(display, window, name, 0, 64, False, AnyPropertyType, &type, &format, &count, &after,
                         &data) == Success &&
      data && format == 32) {
    const auto* atoms = reinterpret_cast<const Atom*>(data);
    out.assign(atoms, atoms + count);
  }
  if (data) XFree(data);
  return out;
}

int reportXError(Display* display, XErrorEvent* e) {
  char text[160] = {};
  XGetErrorText(display, e->error_code, text, sizeof text);
  reportProblem(std::string("the window system refused a request: ") + text + " (request " +
                std::to_string(e->request_code) + ", resource " + std::to_string(e->resourceid) + ")");
  return 0;
}

}  // namespace

float xftDpi(std::string_view resources) {
  constexpr std::string_view kName = "Xft.dpi:";
  for (size_t at = 0; at < resources.size();) {
    const size_t end = std::min(resources.find('\n', at), resources.size());
    const std::string_view line = resources.substr(at, end - at);
    at = end + 1;
    if (line.substr(0, kName.size()) != kName) continue;
    const std::string value(line.substr(kName.size()));
    char* stop = nullptr;
    const float dpi = std::strtof(value.c_str(), &stop);
    return stop != value.c_str() ? dpi : kClassicDpi;
  }
  return kClassicDpi;
}

float desktopDpi(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return kClassicDpi;
  const char* resources = XResourceManagerString(info.info.x11.display);
  return resources ? xftDpi(resources) : kClassicDpi;
}

std::optional<bool> managerHoldsFullscreen(SDL_Window* window) {
  ::Window xwindow = 0;
  Display* display = x11Display(window, &xwindow);
  if (!display) return std::nullopt;
  // Without a window manager nobody answers a request for fullscreen with this property.
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
  const bool managed =
      XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, AnyPropertyType, &type,
                         &format, &count, &after, &data) == Success &&
      count > 0;
  if (data) XFree(data);
  if (!managed) return std::nullopt;
  const Atom fullscreen = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
  const std::vector<Atom> state = atomsOf(display, xwindow, "_NET_WM_STATE");
  return std::find(state.begin(), state.end(), fullscreen) != state.end();
}

bool windowSystemCaughtUp(SDL_Window* window) {
  if (Display* display = x11Display(window, nullptr)) {
    XSync(display, False);
    if (XEventsQueued(display, QueuedAlready) > 0) return false;
  }
  return !SDL_HasEvent(SDL_WINDOWEVENT) && !SDL_HasEvent(SDL_SYSWMEVENT);
}

void nameWindowSystemErrors() { XSetErrorHandler(reportXError); }

bool haveDesktopSession() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = SDL_getenv(name);
    if (value && *value) return true;
  }
  return false;
}

}  // namespace platform
