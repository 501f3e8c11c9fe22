// Lanternfall: create the window, run start-up, show it, run the loop until the window is closed.
#include <csignal>
#include <cstdio>

#include "app/fom.h"
#include "platform/media/executable_path.h"
#include "platform/runtime/app.h"
#include "platform/runtime/event_loop.h"
#include "platform/window_backend.h"

int main() {
  platform::installExecutablePath();  // the content lies beside the executable
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
  // The window system turns these into a quit event, which a long step or a blocked read would never
  // get to. The game writes nothing, so ending on the spot loses nothing.
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGINT, SIG_DFL);

  platform::runGuarded("start-up", [&fom] { fom.Me.Load(); });            // StartUp
  platform::runGuarded("showing the window", [&fom] { fom.Me.Show(); });  // layout, then the title
  loop.run();  // until the window is closed: ShutDown ends the program
  platform::flushProblems();
  return 0;
}
