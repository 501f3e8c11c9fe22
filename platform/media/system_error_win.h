// Windows' reason for a failed call (GetLastError's code), worded as Linux words it where the two agree
// ("No such file or directory", "Permission denied"), else in the system's own words, so that messages
// read alike on both systems.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

std::string systemErrorText(uint32_t code);

}  // namespace platform
