// UTF-8 <-> UTF-16 for the Windows backends: the game holds text in UTF-8, Windows' "W" functions take
// UTF-16. Broken UTF-8 becomes U+FFFD, as everywhere else in the game.
#pragma once

#include <string>

namespace platform {

std::wstring wideFromUtf8(const std::string& utf8);
std::string utf8FromWide(const std::wstring& wide);

}  // namespace platform
