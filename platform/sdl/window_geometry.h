// The real window's place and size kept in step with the Form's, both ways, without fighting the window
// manager: the game's requests applied to the window, what the user or the window manager did reported
// to the game, the frame the window manager adds, and fullscreen on the desktop's own mode. Called by the
// window backend on the user-interface thread.
#pragma once

#include <cstdint>

struct SDL_Window;

namespace platform {

class Form;

// A client area in screen pixels.
struct WindowRect {
  int x = 0, y = 0, w = 0, h = 0;
  bool operator==(const WindowRect&) const = default;
};

// Where the window is made, hidden, before start-up sizes it: 4:3, 4/5 of the screen's height and
// centred, as the game's layout will make it; on a screen narrower than 16:15 (portrait ones included)
// 4/5 of the screen's width instead, so that the window never leaves the screen. 640 × 480 at the
// origin when the screen's size is unknown (0 or less).
WindowRect initialWindowRect(int screenW, int screenH);

class WindowGeometry {
 public:
  WindowGeometry(Form& form, SDL_Window* window);
  ~WindowGeometry();
  WindowGeometry(const WindowGeometry&) = delete;
  WindowGeometry& operator=(const WindowGeometry&) = delete;

  // The game changed the Form's geometry: the window follows at the next apply().
  void requestApply() { applyPending_ = true; }
  // The window system said something about size, place or frame: settled at the next reconcile().
  void noteWindowEvent() { windowEvent_ = true; }
  // The game's geometry to the window, when it changed and the window is the game's to size.
  void apply();
  // After a batch of window events: the Form brought in step with what the window system did.
  void reconcile();
  // The window into or out of fullscreen as the Form now says; true when it changed.
  bool followFullscreen();
  bool fullscreen() const { return fullscreen_; }
  // Where the Form's client area lies in the real window: at its origin, or in fullscreen where the
  // layout placed the game's window on the screen. Pixels of the window.
  WindowRect clientRect() const;
  // The window's client area as it stands.
  WindowRect actual() const;
  // The window's title changes its frame on some window managers: look again before the next apply.
  void refresh() { known_ = actual(); }

 private:
  WindowRect wanted() const;
  bool settled();

  Form& form_;
  SDL_Window* window_;
  bool applyPending_ = false;
  bool windowEvent_ = false;
  // known: the client rectangle as it stood after we last looked or asked; a window that differs from
  // it was moved or sized by someone else. lastSent/answer: our last request and what the window
  // manager made of it at once.
  WindowRect known_;
  bool haveSent_ = false;
  WindowRect lastSent_;
  WindowRect answer_;
  int frameL_ = 0, frameT_ = 0, frameR_ = 0, frameB_ = 0;
  bool fullscreen_ = false;
  // A fullscreen change the window manager has not seen through yet.
  bool settling_ = false;
  uint64_t settleDeadlineMs_ = 0;  // SDL's clock
};

}  // namespace platform
