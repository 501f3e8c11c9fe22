// UTF-8, the one decoder and encoder: all text above the runtime is held as UTF-8, and whatever decodes
// or encodes it calls these rather than reading the bytes its own way.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

inline constexpr char32_t kReplacementChar = 0xFFFD;

// Decode the code point at utf8[pos]; sets *length to the bytes it takes (at least 1). Invalid or
// truncated sequences, overlong forms, surrogates and values past U+10FFFF give U+FFFD with length 1, so
// that a caller stepping by *length meets every following byte again.
char32_t decodeUtf8(std::string_view utf8, size_t pos, size_t* length);

// Bytes below 0x80 only: the same text in UTF-8 and in every code page the game reads, so converters
// may pass it through untouched.
bool isAscii(std::string_view bytes);

// Append the UTF-8 form of cp; a value that is no Unicode scalar value appends U+FFFD.
void appendUtf8(std::string& out, char32_t cp);

}  // namespace platform
