// The real window: an SDL2 window that carries a Form's control tree. It translates SDL's pointer and key
// events into the runtime's input events (whose rules make the clicks, keys and tooltips), raises resize
// and close, keeps the real window's geometry in step with the Form's (fullscreen included), reports the
// desktop's dpi, and draws a frame through the renderer only when the tree changed, at most once per
// display refresh. Created by main; tests of the game run without it.
#pragma once

#include <memory>
#include <string>

#include "platform/runtime/event_loop.h"
#include "platform/runtime/form.h"

namespace platform {

class WindowBackend final : public InputSource {
 public:
  WindowBackend(Form& form, EventLoop& loop);
  ~WindowBackend() override;

  // Initialise SDL video and create the (hidden) window; reports the desktop's dpi (setDisplayDpi) and the
  // screen size to the Form.
  // False with a reason when no display can be opened.
  bool open(std::string* error);

  void waitAndDispatch(int timeoutMs) override;
  void presentIfChanged() override;

  // Input as the window system would deliver it, queued for the next waitAndDispatch: for tests and
  // tools that drive the real window (SDL's dummy video driver needs no display). Window pixels;
  // button 1 left, 2 right, 3 middle (SDL's numbering). Keys by SDL key code, modifiers as SDL's KMOD_*.
  void postMouseMotion(int x, int y);
  void postMouseButton(bool down, int button, int x, int y);
  void postKey(bool down, int sdlKeyCode, int sdlModifiers = 0);
  void postClose();
  // The user dragging the window's edge: the real window takes this client size at once.
  void userResize(int clientWidth, int clientHeight);
  // The real window's client area in pixels.
  int clientWidth() const;
  int clientHeight() const;
  // The tooltip on screen, empty when none is shown.
  std::string tooltipText() const;
  // Frames drawn so far.
  uint64_t framesDrawn() const;
  // Frames are paced to the display: at most one per this many milliseconds of the loop's clock (one
  // refresh of the display the window is on, 60 Hz when it does not say). Changes in between wait for
  // the next frame together; a change after a quiet spell is drawn at once.
  int frameIntervalMs() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
