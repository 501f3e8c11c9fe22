// Opening the window, start-up, the loop.
#include "app/game_window.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/media/system_speech.h"
#include "platform/runtime/app.h"
#include "platform/runtime/speech.h"
#include "platform/window_backend.h"

int runGameWindow(const char* program, const GameWindowHooks& hooks) {
  platform::setProblemProgram(program);
  platform::EventLoop loop(std::make_unique<platform::RealClock>());
  // Reaches the speech service only once the player turns voicing on.
  const std::unique_ptr<platform::SpeechSink> speech = platform::makeSystemSpeech();
  platform::setSpeechSink(speech.get());
  Fom fom(loop);
  platform::WindowBackend window(fom.Me, loop);
  std::string error;
  if (!window.open(&error)) {
    std::fprintf(stderr, "%s: cannot open the window: %s\n", program, error.c_str());
    return 1;
  }
  loop.setInputSource(&window);
  platform::setEndHandler([&loop] { loop.quit(); });
  // The window system turns these into a quit event, which a long step or a blocked read would never
  // get to. The game writes nothing, so ending on the spot loses nothing.
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGINT, SIG_DFL);
  if (hooks.opened) hooks.opened(fom, loop);

  platform::runGuarded("start-up", [&fom] { fom.Me.Load(); });  // StartUp
  if (hooks.loaded) hooks.loaded(fom);
  platform::runGuarded("showing the window", [&fom] { fom.Me.Show(); });  // layout, then the title
  if (hooks.shown) hooks.shown(fom);
  loop.run();  // until the window is closed: ShutDown ends the program
  platform::flushProblems();
  platform::setSpeechSink(nullptr);
  return 0;
}
