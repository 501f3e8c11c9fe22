// Character-counting string functions over UTF-8.
#include "platform/runtime/vb_strings.h"

namespace platform {
namespace {

// Byte length of the UTF-8 sequence starting with b; stray continuation bytes count as one character.
size_t seqLen(unsigned char b) {
  if (b < 0x80) return 1;
  if ((b & 0xE0) == 0xC0) return 2;
  if ((b & 0xF0) == 0xE0) return 3;
  if ((b & 0xF8) == 0xF0) return 4;
  return 1;
}

// Byte offset of character number `chars` (0-based), or s.size() when the text is shorter.
size_t byteOffset(std::string_view s, size_t chars) {
  size_t pos = 0;
  while (chars > 0 && pos < s.size()) {
    pos += seqLen(static_cast<unsigned char>(s[pos]));
    --chars;
  }
  return pos < s.size() ? pos : s.size();
}

}  // namespace

std::string Left(std::string_view s, size_t chars) { return std::string(s.substr(0, byteOffset(s, chars))); }

std::string Mid(std::string_view s, size_t start) {
  if (start < 1) start = 1;
  return std::string(s.substr(byteOffset(s, start - 1)));
}

size_t Len(std::string_view s) {
  size_t n = 0;
  for (size_t pos = 0; pos < s.size(); pos += seqLen(static_cast<unsigned char>(s[pos]))) ++n;
  return n;
}

bool startsWithChars(std::string_view s, std::string_view word) {
  // Comparing the first Len(word) characters with word is the same as a byte prefix test, since a
  // shorter line never matches and UTF-8 sequences never straddle a match of whole characters.
  return s.size() >= word.size() && s.substr(0, word.size()) == word;
}

std::string UCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace platform
