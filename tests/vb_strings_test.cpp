// The old language's string functions over UTF-8: they count characters, and a stray byte is one.
#include "platform/runtime/vb_strings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::Left;

TEST(VbStrings, LeftCountsCharactersNotBytes) {
  EXPECT_EQ(Left("彼女を願う", 2), "彼女");
  EXPECT_EQ(Left(">img　夜の川", 5), ">img　");  // a full-width space is one character
  EXPECT_EQ(Left("ab", 5), "ab");
  EXPECT_EQ(Left("ab", 0), "");
}

TEST(VbStrings, LeftTakesAStrayByteAsOneCharacterAndNeverCutsASequence) {
  const std::string lead = "\xE3", continuation = "\x81";
  EXPECT_EQ(Left(lead + "abc", 2), lead + "a");                      // a lead byte without its continuation
  EXPECT_EQ(Left("a" + continuation + "b", 2), "a" + continuation);  // a continuation without its lead
  EXPECT_EQ(Left("x\xE3\x81", 5), "x\xE3\x81");                      // cut short at the end
  EXPECT_EQ(Left("a𝄞b", 2), "a𝄞");                                   // four bytes, one character
}

TEST(VbStrings, UCaseRaisesAsciiLettersOnly) {
  EXPECT_EQ(platform::UCase("stopped"), "STOPPED");
  EXPECT_EQ(platform::UCase("ａbc彼z{"), "ａBC彼Z{");
}

}  // namespace
