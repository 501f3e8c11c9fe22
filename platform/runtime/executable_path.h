// Where the running program's file is, for the application folder. The system's backend answers it:
// /proc on Linux, the module's own file name on Windows.
#pragma once

#include <string>

namespace platform {

// The executable's full path in UTF-8 with "/" between folders (links resolved where the system has
// them); empty when the system cannot say.
std::string executablePath();

}  // namespace platform
