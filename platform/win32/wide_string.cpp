// UTF-8 <-> UTF-16 through the game's own UTF-8 decoder, so that a broken sequence gives the same U+FFFD
// on Windows as on Linux.
#include "platform/win32/wide_string.h"

#include "platform/runtime/utf8.h"

namespace platform {

std::wstring wideFromUtf8(const std::string& utf8) {
  std::wstring wide;
  wide.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();) {
    size_t length = 1;
    const char32_t cp = decodeUtf8(utf8, pos, &length);
    pos += length;
    if (cp >= 0x10000) {
      wide.push_back(static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10)));
      wide.push_back(static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      wide.push_back(static_cast<wchar_t>(cp));
    }
  }
  return wide;
}

std::string utf8FromWide(const std::wstring& wide) {
  std::string utf8;
  utf8.reserve(wide.size() * 3);
  for (size_t i = 0; i < wide.size(); ++i) {
    const char32_t unit = static_cast<char16_t>(wide[i]);
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < wide.size()) {
      const char32_t low = static_cast<char16_t>(wide[i + 1]);
      if (low >= 0xDC00 && low < 0xE000) {
        appendUtf8(utf8, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    appendUtf8(utf8, unit);  // a lone surrogate is no scalar value: U+FFFD
  }
  return utf8;
}

}  // namespace platform
