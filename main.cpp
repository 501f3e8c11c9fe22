// Lanternfall: create the window, run start-up, show it, run the loop until the window is closed.
#include <cstdio>

#include "app/fom.h"
#include "platform/runtime/app.h"
#include "platform/runtime/event_loop.h"
#include "platform/sdl/window_backend.h"

int main() {
  platform::EventLoop loop(std::make_unique<platform::RealClock>());
  Fom fom(loop);
  platform::WindowBackend window(fom.Me, loop);
  std::string error;
  if (!window.open(&error)) {
    std::fprintf(stderr, "lanternfall: cannot open the window: %s\n", error.c_str());
    return 1;
  }
  loop.setInputSource(&window);
  platform::setEndHandler([&loop] { loop.quit(); });

  fom.Me.Load();  // StartUp
  fom.Me.Show();  // layout again, then the first activation shows the title
  loop.run();     // until the window is closed: ShutDown ends the program
  return 0;
}
