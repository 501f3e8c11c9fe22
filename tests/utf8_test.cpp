// The one UTF-8 decoder and encoder: what each byte sequence decodes to and how far it steps, and every
// Unicode scalar value through the encoder and back.
#include "platform/runtime/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using platform::decodeUtf8;

// Every code point of s, stepping by the lengths the decoder gives.
std::vector<std::pair<char32_t, size_t>> decodeAll(const std::string& s) {
  std::vector<std::pair<char32_t, size_t>> out;
  for (size_t pos = 0; pos < s.size();) {
    size_t length = 0;
    const char32_t cp = decodeUtf8(s, pos, &length);
    out.emplace_back(cp, length);
    pos += length;
  }
  return out;
}

using Decoded = std::vector<std::pair<char32_t, size_t>>;

TEST(Utf8, DecodesOneToFourByteSequences) {
  EXPECT_EQ(decodeAll("aé彼𝄞"), (Decoded{{U'a', 1}, {U'é', 2}, {U'彼', 3}, {U'𝄞', 4}}));
}

TEST(Utf8, AnInvalidByteIsOneReplacementCharacterAndTheNextByteIsReadAgain) {
  const Decoded bad = {{0xFFFD, 1}};
  EXPECT_EQ(decodeAll("\xFF"), bad);  // never a lead byte
  EXPECT_EQ(decodeAll("\x81"), bad);  // a continuation alone
  EXPECT_EQ(decodeAll(std::string("\xE3\x81") + "a"), (Decoded{{0xFFFD, 1}, {0xFFFD, 1}, {U'a', 1}}));
  EXPECT_EQ(decodeAll("\xC0\xAF"), (Decoded{{0xFFFD, 1}, {0xFFFD, 1}}));                   // overlong '/'
  EXPECT_EQ(decodeAll("\xED\xA0\x80"), (Decoded{{0xFFFD, 1}, {0xFFFD, 1}, {0xFFFD, 1}}));  // a surrogate
  EXPECT_EQ(decodeAll("\xF4\x90\x80\x80"),
            (Decoded{{0xFFFD, 1}, {0xFFFD, 1}, {0xFFFD, 1}, {0xFFFD, 1}}));  // past U+10FFFF
  EXPECT_EQ(decodeAll("\xE3\x81"), (Decoded{{0xFFFD, 1}, {0xFFFD, 1}}));     // at the very end
}

TEST(Utf8, EveryScalarValueEncodesAndDecodesBackInTheShortestForm) {
  for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::string s;
    platform::appendUtf8(s, cp);
    const size_t expected = cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
    ASSERT_EQ(s.size(), expected) << std::hex << static_cast<uint32_t>(cp);
    size_t length = 0;
    ASSERT_EQ(decodeUtf8(s, 0, &length), cp) << std::hex << static_cast<uint32_t>(cp);
    ASSERT_EQ(length, expected);
  }
}

TEST(Utf8, WhatIsNoScalarValueEncodesAsTheReplacementCharacter) {
  for (char32_t cp : {char32_t{0xD800}, char32_t{0xDFFF}, char32_t{0x110000}, char32_t{0xFFFFFFFF}}) {
    std::string s;
    platform::appendUtf8(s, cp);
    EXPECT_EQ(s, "\xEF\xBF\xBD");
  }
}

}  // namespace
