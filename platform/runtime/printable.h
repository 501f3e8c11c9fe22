// Text from content made safe to print on a terminal: the game's stderr and every tool's output use it,
// so that a file name or a scenario row can neither cut a message short nor drive the terminal.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// C0 controls (NUL, BEL, ESC...), DEL and the C1 controls (U+0080..U+009F, which some terminals obey as
// escape sequences) are written as \xNN, one per byte; so is any byte that is no part of valid UTF-8.
// Everything else, Japanese text included, is kept as it is.
std::string printable(std::string_view text);

}  // namespace platform
