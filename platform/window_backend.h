// The real window: an SDL2 window that carries a Form's control tree. It turns SDL input into control
// notifications (mouse down on picture boxes, clicks on labels and option buttons, resize, close), keeps
// the real window's geometry in step with the Form's, shows tooltips, and draws a frame through the
// renderer only when the tree changed. Created by main; tests of the game run without it.
#pragma once

#include <memory>
#include <string>

#include "platform/event_loop.h"
#include "platform/form.h"

namespace platform {

class WindowBackend final : public InputSource {
 public:
  WindowBackend(Form& form, EventLoop& loop);
  ~WindowBackend() override;

  // Initialise SDL video and create the (hidden) window; reports the screen size to the Form.
  // False with a reason when no display can be opened.
  bool open(std::string* error);

  void waitAndDispatch(int timeoutMs) override;
  void presentIfChanged() override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
