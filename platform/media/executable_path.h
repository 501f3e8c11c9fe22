// The running executable's own path, which only the operating system knows: the source behind the
// runtime's AppPath, installed by each program at start-up.
#pragma once

#include <string>

namespace platform {

// The full path of the running executable, links resolved; empty when the system cannot tell.
std::string executablePath();

// Make executablePath the source of AppPath. Called once, before the first AppPath.
void installExecutablePath();

}  // namespace platform
