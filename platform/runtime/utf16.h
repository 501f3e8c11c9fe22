// UTF-8 <-> UTF-16, for the system interfaces that speak UTF-16 (Windows' "W" functions), with the game's
// own UTF-8 rules: a broken sequence becomes U+FFFD, as everywhere else.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::u16string utf16FromUtf8(std::string_view utf8);
// A lone surrogate becomes U+FFFD.
std::string utf8FromUtf16(std::u16string_view utf16);

// The same held in wchar_t, one UTF-16 unit an element, as Windows' "W" functions take text.
std::wstring wideFromUtf8(std::string_view utf8);
std::string utf8FromWide(std::wstring_view wide);

}  // namespace platform
