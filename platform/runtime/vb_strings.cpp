// Character-counting string functions over UTF-8, stepping by the one decoder's sequence lengths.
#include "platform/runtime/vb_strings.h"

#include "platform/runtime/utf8.h"

namespace platform {

std::string Left(std::string_view s, size_t chars) {
  size_t pos = 0;
  for (; chars > 0 && pos < s.size(); --chars) {
    size_t length;
    decodeUtf8(s, pos, &length);
    pos += length;
  }
  return std::string(s.substr(0, pos));
}

std::string UCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace platform
