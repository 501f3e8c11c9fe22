// The real window on Windows: a Win32 window that carries a Form's control tree, the sibling of the SDL
// backend. Window messages become the runtime's input events (whose rules make clicks, double clicks,
// keys and tooltips), the real window follows the Form's geometry and reports the user's, fullscreen
// covers the monitor with black bars, the monitor's dpi sets twips per pixel, and a frame is drawn with
// GDI when the tree changed. The loop sleeps in MsgWaitForMultipleObjectsEx until input or the next
// deadline. Created by main.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/runtime/event_loop.h"
#include "platform/runtime/form.h"

namespace platform {

class WindowBackend final : public InputSource {
 public:
  WindowBackend(Form& form, EventLoop& loop);
  ~WindowBackend() override;

  // Creates the (hidden) window and reports the monitor's dpi and size to the Form. False with a reason
  // when the window cannot be made.
  bool open(std::string* error);

  void waitAndDispatch(int timeoutMs) override;
  void presentIfChanged() override;

  int clientWidth() const;  // the real window's client area, pixels
  int clientHeight() const;
  uint64_t framesDrawn() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
