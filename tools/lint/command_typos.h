// Guessing the command a text line was meant to be: the checker's hints for lines the game shows as text
// although they look like commands.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lint {

// The command a text line was probably meant to be, when it differs from one only by case, blanks before
// it or full-width letters.
std::optional<std::string> misspeltCommand(std::string_view line);

// For a text line that starts like a command (">", "＞" or "-"), the command its first word is closest
// to, when it is within two edits.
std::optional<std::string> nearestCommand(std::string_view line);

}  // namespace lint
