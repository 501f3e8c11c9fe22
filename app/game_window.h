// The game's start-up in a window, shared by the game itself and the author's preview: open the window,
// run start-up, show it, and run the loop until the window is closed. The preview hooks in where it
// needs to (its keys and title bar, the scenario it starts) without changing what the game does.
#pragma once

#include <functional>

#include "app/fom.h"
#include "platform/runtime/event_loop.h"

struct GameWindowHooks {
  std::function<void(Fom&, platform::EventLoop&)> opened;  // the window is open; start-up has not run
  std::function<void(Fom&)> loaded;                        // start-up has run; the window is not shown
  std::function<void(Fom&)> shown;                         // the title is up; the loop is about to run
};

// Returns the program's exit status: 1 when no window could be opened (named on stderr after `program`),
// else 0 once the window is closed.
int runGameWindow(const char* program, const GameWindowHooks& hooks = {});
