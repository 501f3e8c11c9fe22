// The real window: an SDL2 window that carries a Form's control tree. It translates SDL's pointer and key
// events into the runtime's input events (whose rules make the clicks, keys and tooltips), raises resize
// and close, keeps the real window's geometry in step with the Form's (fullscreen included), reports the
// desktop's dpi, and draws a frame through the renderer only when the tree changed, at most once per
// display refresh. Created by main; tests of the game run without it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/runtime/event_loop.h"
#include "platform/runtime/form.h"

struct SDL_Window;

namespace platform {

class WindowInjector;

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

  // The tooltip on screen, empty when none is shown.
  std::string tooltipText() const;
  // Frames drawn so far.
  uint64_t framesDrawn() const;
  // Frames are paced to the display: at most one per this many milliseconds of the loop's clock (one
  // refresh of the display the window is on, 60 Hz when it does not say). Changes in between wait for
  // the next frame together; a change after a quiet spell is drawn at once.
  int frameIntervalMs() const;

 private:
  // Tests and benchmarks post input to the real window as the window system would
  // (platform/sdl/window_injection.h); the game itself has no way to.
  friend class WindowInjector;
  SDL_Window* sdlWindow() const;

  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
