// UTF-8 <-> UTF-16 through the one UTF-8 decoder and encoder of the game.
#include "platform/runtime/utf16.h"

#include "platform/runtime/utf8.h"

namespace platform {

std::u16string utf16FromUtf8(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();) {
    size_t length = 1;
    const char32_t cp = decodeUtf8(utf8, pos, &length);
    pos += length;
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string utf8FromUtf16(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size() * 3);
  for (size_t i = 0; i < utf16.size(); ++i) {
    const char32_t unit = utf16[i];
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < utf16.size()) {
      const char32_t low = utf16[i + 1];
      if (low >= 0xDC00 && low < 0xE000) {
        appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    appendUtf8(out, unit);  // a lone surrogate is no scalar value: appendUtf8 writes U+FFFD
  }
  return out;
}

std::wstring wideFromUtf8(std::string_view utf8) {
  const std::u16string units = utf16FromUtf8(utf8);
  return std::wstring(units.begin(), units.end());
}

std::string utf8FromWide(std::wstring_view wide) {
  std::u16string units;
  units.reserve(wide.size());
  for (wchar_t c : wide) units.push_back(static_cast<char16_t>(c));
  return utf8FromUtf16(units);
}

}  // namespace platform
