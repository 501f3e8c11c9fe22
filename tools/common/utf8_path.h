// Paths as the tools hold them: UTF-8 text, "/" between folders, on both systems. std::filesystem would
// read a narrow string in Windows' ANSI code page and could throw on a name it cannot convert; these
// never do (a broken sequence becomes U+FFFD, as everywhere else in the game).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tools {

std::filesystem::path pathFromUtf8(std::string_view utf8);
// With "/" between folders, as findings and messages name files on every system.
std::string utf8FromPath(const std::filesystem::path& path);

}  // namespace tools
