// The application object of the old runtime: the executable's folder, the seeded random generator, and
// ending the program. Called by start-up, the handlers that draw at random, and shut-down.
#pragma once

#include <functional>
#include <string>

#include "platform/runtime/problems.h"

namespace platform {

// The folder of the running executable, links resolved, without a trailing "/" except for the root "/";
// "." when the executable's path is unknown (no source installed, or the system cannot tell).
std::string AppPath();
// Set it for a program that runs content from a folder other than its own, and for tests of how start-up
// builds its paths; empty: back to the executable's own folder.
void setAppPath(const std::string& path);

// Where the running executable lies, as the operating system tells it: its full path, links resolved, or
// empty when the system cannot tell. Only the system knows, so a backend answers; each program installs
// one at start-up, before the first AppPath.
using ExecutablePathSource = std::string (*)();
void setExecutablePathSource(ExecutablePathSource source);

// The separator of this file system ("/"), the one start-up appends.
inline constexpr char kPathSeparator = '/';

// Uniform in [0, 1). Randomize seeds from the clock; tests inject their own source.
void Randomize();
float Rnd();
void setRandomSourceForTesting(std::function<float()> source);  // empty: back to the generator

// End the program at once: no further handler runs. The real program's loop quits on it; tests read it.
void End();
bool endRequested();
void setEndHandler(std::function<void()> handler);
void resetEndForTesting();

}  // namespace platform

namespace platform {
// Run a handler, a timer tick or start-up: an exception that escapes it (memory running out, a failure
// in a library) is named on stderr and the program goes on, as it would after the handler's end.
// False when it was stopped so.
bool runGuarded(const char* what, const std::function<void()>& work);
}  // namespace platform
