// Input posted to the real window as the window system would deliver it, for tests and benchmarks that
// drive the window (SDL's dummy video driver needs no display). Built into its own library, which the
// game does not link. Window pixels; button 1 left, 2 middle, 3 right (SDL's numbering); keys by SDL key
// code, modifiers as SDL's KMOD_*. Posted input is read at the window's next waitAndDispatch.
#pragma once

namespace platform {

class WindowBackend;

class WindowInjector {
 public:
  explicit WindowInjector(WindowBackend& window) : window_(window) {}

  void postMouseMotion(int x, int y);
  void postMouseButton(bool down, int button, int x, int y);
  void postKey(bool down, int sdlKeyCode, int sdlModifiers = 0);
  void postClose();
  // The user dragging the window's edge: the real window takes this client size at once.
  void userResize(int clientWidth, int clientHeight);
  // The real window's client area in pixels.
  int clientWidth() const;
  int clientHeight() const;

 private:
  WindowBackend& window_;
};

}  // namespace platform
