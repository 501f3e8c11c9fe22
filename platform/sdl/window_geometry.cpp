// Geometry both ways between the Form and the real window, with fullscreen changes seen through to the end.
#include "platform/sdl/window_geometry.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

#include "platform/runtime/app.h"
#include "platform/runtime/display.h"
#include "platform/runtime/form.h"
#include "platform/sdl/x11_desktop.h"

namespace platform {

namespace {

// A window manager that never gives the size a fullscreen change asks for (a tiling one) is believed after
// this long.
constexpr uint64_t kLongestSettleMs = 2000;

int twipsToPx(int32_t twips) {
  return static_cast<int>(std::lround(static_cast<double>(twips) / twipsPerPixel()));
}

bool sameSize(const WindowRect& a, const WindowRect& b) { return a.w == b.w && a.h == b.h; }

}  // namespace

WindowRect initialWindowRect(int screenW, int screenH) {
  WindowRect g{0, 0, 640, 480};
  if (screenW <= 0 || screenH <= 0) return g;
  g.h = std::max(1, screenH * 4 / 5);
  g.w = g.h * 4 / 3;
  if (g.w > screenW) {
    g.w = std::max(1, screenW * 4 / 5);
    g.h = std::max(1, g.w * 3 / 4);
  }
  g.x = (screenW - g.w) / 2;
  g.y = (screenH - g.h) / 2;
  return g;
}

WindowGeometry::WindowGeometry(Form& form, SDL_Window* window) : form_(form), window_(window) {
  known_ = actual();
}

WindowGeometry::~WindowGeometry() = default;

WindowRect WindowGeometry::actual() const {
  WindowRect g;
  SDL_GetWindowPosition(window_, &g.x, &g.y);
  SDL_GetWindowSize(window_, &g.w, &g.h);
  return g;
}

// The client rectangle the Form's outer twips and the frame give.
WindowRect WindowGeometry::wanted() const {
  WindowRect g;
  g.x = twipsToPx(form_.WindowLeft()) + frameL_;
  g.y = twipsToPx(form_.WindowTop()) + frameT_;
  g.w = std::max(1, twipsToPx(form_.WindowWidth()) - frameL_ - frameR_);
  g.h = std::max(1, twipsToPx(form_.WindowHeight()) - frameT_ - frameB_);
  return g;
}

WindowRect WindowGeometry::clientRect() const {
  if (!fullscreen_) return WindowRect{};
  return WindowRect{twipsToPx(form_.WindowLeft()), twipsToPx(form_.WindowTop()),
                    static_cast<int>(std::lround(form_.clientWidthPx())),
                    static_cast<int>(std::lround(form_.clientHeightPx()))};
}

void WindowGeometry::apply() {
  if (!applyPending_) return;
  if (fullscreen_) {
    applyPending_ = false;  // the real window is the screen; the game's window is drawn inside it
    return;
  }
  // A window the window manager still holds fullscreen takes no geometry: asked now, the request would
  // be lost or become the size it restores to.
  if (settling_ && managerHoldsFullscreen(window_).value_or(false)) return;
  applyPending_ = false;
  // A maximised or minimised window belongs to the window manager.
  if (form_.windowState() != WindowState::Normal) return;
  const WindowRect want = wanted();
  const WindowRect now = actual();
  if (now == want) return;
  // The window manager already answered this very request with what the window has now (a tiling or
  // size-stepping manager): asking again would only start a loop of resizes.
  if (haveSent_ && want == lastSent_ && now == answer_) return;
  if (now.w != want.w || now.h != want.h) SDL_SetWindowSize(window_, want.w, want.h);
  if (now.x != want.x || now.y != want.y) SDL_SetWindowPosition(window_, want.x, want.y);
  lastSent_ = want;
  haveSent_ = true;
  known_ = answer_ = actual();
}

// A fullscreen change is through when the window manager says the window is where we asked, nothing it
// sent before is left unread, and the window has the size and frame that state gives it (the screen, or
// the game's own window again). Until then what the window reports may be the echo of an earlier press:
// after fast presses the screen's size, or no frame, arrives once the game is back in its window, and
// the game would take it for the size the user gave it and restore to it for good. A window manager that
// never gives that size (a tiling one) is believed after a while.
bool WindowGeometry::settled() {
  if (!settling_) return true;
  if (SDL_GetTicks64() < settleDeadlineMs_) {
    if (managerHoldsFullscreen(window_).value_or(fullscreen_) != fullscreen_) return false;
    if (!windowSystemCaughtUp(window_)) return false;
    const WindowRect now = actual();
    if (fullscreen_) {
      SDL_Rect screen{0, 0, 0, 0};
      SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(window_)), &screen);
      if (now.w != screen.w || now.h != screen.h) return false;
    } else {
      if (applyPending_ || !sameSize(now, wanted())) return false;
      int t = 0, l = 0, b = 0, r = 0;
      if (SDL_GetWindowBordersSize(window_, &t, &l, &b, &r) != 0) t = l = b = r = 0;
      if (t != frameT_ || l != frameL_ || b != frameB_ || r != frameR_) return false;
    }
  }
  settling_ = false;
  known_ = actual();
  return true;
}

void WindowGeometry::reconcile() {
  if (!windowEvent_ && !settling_) return;
  // Looked at again after every wait until the change is through.
  if (!settled()) return;
  const bool event = windowEvent_;
  windowEvent_ = false;
  if (fullscreen_) {
    known_ = actual();
    return;
  }
  if (!event) return;
  int t = 0, l = 0, b = 0, r = 0;
  if (SDL_GetWindowBordersSize(window_, &t, &l, &b, &r) != 0) t = l = b = r = 0;
  const bool hadFrame = frameT_ || frameL_ || frameB_ || frameR_;
  const bool frameChanged = t != frameT_ || l != frameL_ || b != frameB_ || r != frameR_;
  frameT_ = t, frameL_ = l, frameB_ = b, frameR_ = r;
  const WindowRect now = actual();
  const bool sized = now.w != known_.w || now.h != known_.h;
  const bool moved = now.x != known_.x || now.y != known_.y;
  known_ = now;
  if (sized || (frameChanged && hadFrame)) {
    // The user or the window manager sized the window (or maximised it, which changes the frame too):
    // the game follows the window, and its layout may ask for another shape in return.
    applyPending_ = false;
    runGuarded("resize", [&] {
      form_.setFramePx(l, t, r, b);
      form_.externalGeometry(now.x - l, now.y - t, now.w + l + r, now.h + t + b);
    });
  } else if (frameChanged) {
    // The window manager has just decorated the window: the game's outer size stays, so the client
    // area shrinks by the frame (as the old runtime's windows always did).
    runGuarded("resize", [&] { form_.setFramePx(l, t, r, b); });
    applyPending_ = true;
  } else if (moved && !applyPending_) {
    runGuarded("move", [&] {
      form_.externalGeometry(now.x - l, now.y - t, twipsToPx(form_.WindowWidth()),
                             twipsToPx(form_.WindowHeight()));
    });
  }
}

bool WindowGeometry::followFullscreen() {
  if (fullscreen_ == form_.fullscreen()) return false;
  fullscreen_ = form_.fullscreen();
  // The desktop's own mode: no mode switch, the window simply covers the screen.
  SDL_SetWindowFullscreen(window_, fullscreen_ ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  known_ = actual();
  settling_ = true;
  settleDeadlineMs_ = SDL_GetTicks64() + kLongestSettleMs;
  // Back in a window: the real window takes the Form's restored geometry again.
  if (!fullscreen_) applyPending_ = true;
  return true;
}

}  // namespace platform
