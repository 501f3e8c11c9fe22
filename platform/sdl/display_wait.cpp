// The X connection's descriptor and Xlib's own queue, read beside SDL.
#include "platform/sdl/display_wait.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <poll.h>
// Xlibint.h defines these as macros, which the standard library's own would trip over.
#undef min
#undef max

#include <algorithm>

namespace platform {

struct DisplayWait::Impl {
  Display* display = nullptr;
  int fd = -1;
  uint64_t lastPumpMs = 0;
};

DisplayWait::DisplayWait(SDL_Window* window) : impl_(std::make_unique<Impl>()) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (window && SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11) {
    impl_->display = info.info.x11.display;
    impl_->fd = ConnectionNumber(impl_->display);
  }
  impl_->lastPumpMs = SDL_GetTicks64();
}

DisplayWait::~DisplayWait() = default;

bool DisplayWait::active() const { return impl_->display != nullptr && impl_->fd >= 0; }

bool DisplayWait::wait(int timeoutMs) {
  Impl& d = *impl_;
  uint64_t now = SDL_GetTicks64();
  // Events already read off the connection (by a round trip while drawing, say) would not wake poll.
  const bool waiting =
      SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) || XEventsQueued(d.display, QueuedAlready) > 0;
  const uint64_t quiet = now - d.lastPumpMs;
  if (waiting || quiet >= static_cast<uint64_t>(kLongestQuietMs)) {
    d.lastPumpMs = now;
    return true;
  }
  // SDL leaves some requests in Xlib's buffer for its own wait to flush (leaving fullscreen, for one).
  // XFlush also reads the connection, the very cost this saves, so it runs only when something waits.
  if (d.display->bufptr != d.display->buffer) XFlush(d.display);
  const int untilHousekeeping = kLongestQuietMs - static_cast<int>(quiet);
  const int t = timeoutMs < 0 ? untilHousekeeping : std::min(timeoutMs, untilHousekeeping);
  pollfd p{d.fd, POLLIN, 0};
  const int ready = poll(&p, 1, t);
  now = SDL_GetTicks64();
  // Readable, a hang-up or an error, or a signal (SDL turns SIGTERM into a quit event when pumped).
  if (ready != 0 || now - d.lastPumpMs >= static_cast<uint64_t>(kLongestQuietMs)) {
    d.lastPumpMs = now;
    return true;
  }
  return false;
}

}  // namespace platform
