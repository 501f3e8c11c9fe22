// The scenario line rules on their own: the classification order, the run count, and the tests that
// decide whether a line waits, as the interpreter and the content tools both rely on them.
#include "script/scenario_syntax.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using script::LineKind;

TEST(ScenarioSyntax, FirstCharactersDecideExactlyAndWithCase) {
  EXPECT_EQ(script::classifyLine("tugiの後ろ"), LineKind::Tugi);
  EXPECT_EQ(script::classifyLine("TUGI"), LineKind::Text);
  EXPECT_EQ(script::classifyLine(" tugi"), LineKind::Text);
  EXPECT_EQ(script::classifyLine("tug"), LineKind::Text);  // shorter than the word: never a match
  EXPECT_EQ(script::classifyLine("---"), LineKind::Run);
  EXPECT_EQ(script::classifyLine(">pa"), LineKind::Page);
  EXPECT_EQ(script::classifyLine(">ive"), LineKind::Text);
  EXPECT_EQ(script::classifyLine(">gam"), LineKind::Text);
  EXPECT_EQ(script::classifyLine(">endless"), LineKind::End);
  EXPECT_EQ(script::classifyLine(""), LineKind::Text);
}

TEST(ScenarioSyntax, PictureNameSkipsTheFifthCharacterWhateverItsWidth) {
  EXPECT_EQ(script::pictureName(">img mado"), "mado");
  EXPECT_EQ(script::pictureName(">img　窓"), "窓");  // a full-width space is one character of three bytes
  EXPECT_EQ(script::pictureName(">img_"), "");
  EXPECT_EQ(script::pictureName(">img"), "");
}

TEST(ScenarioSyntax, PictureNamesStayInsideTheirFolder) {
  for (const char* name : {"森", "sub/森", "sub/deeper/x", "a..b", "...", ".", "x/", "..x", "x..", "c"}) {
    EXPECT_EQ(script::pictureNameRefusal(name), "") << name;
  }
  for (const char* name :
       {"..", "../x", "x/..", "sub/../../x", "a/../b", "/etc/x", "\\x", "..\\x", "a\\..\\b", "C:x", "z:/x"}) {
    EXPECT_EQ(script::pictureNameRefusal(name), "its name leads out of the picture folder") << name;
  }
  EXPECT_EQ(script::pictureNameRefusal(std::string_view("a\0b", 3)), "its name holds a control character");
  EXPECT_EQ(script::pictureNameRefusal("a\x1b]0;x"), "its name holds a control character");
}

TEST(ScenarioSyntax, RunCountIsDigitsWithBlanksForgiven) {
  int64_t n = -1;
  bool padded = false;
  EXPECT_TRUE(script::parseRunCount("3", &n, &padded));
  EXPECT_EQ(n, 3);
  EXPECT_FALSE(padded);
  EXPECT_TRUE(script::parseRunCount(" 2\t", &n, &padded));
  EXPECT_EQ(n, 2);
  EXPECT_TRUE(padded);
  EXPECT_TRUE(script::parseRunCount("99999999999999999999999", &n));
  EXPECT_EQ(n, script::kMaxRunCount);
  EXPECT_FALSE(script::parseRunCount("", &n));
  EXPECT_FALSE(script::parseRunCount("x", &n));
  EXPECT_FALSE(script::parseRunCount("-1", &n));
  EXPECT_FALSE(script::parseRunCount("１", &n));  // full-width digits are no number
}

TEST(ScenarioSyntax, StopLinesAndTheTickTest) {
  EXPECT_TRUE(script::isStopLine(">p"));
  EXPECT_FALSE(script::isStopLine(">p "));
  EXPECT_TRUE(script::isStopLine(">ive の行"));
  EXPECT_TRUE(script::isStopLine(std::string(script::kEndOfFile)));
  // ">ive" stops the line before it, but a tick may still step onto it.
  EXPECT_TRUE(script::tickMayStep(">ive"));
  EXPECT_FALSE(script::tickMayStep(">p"));
  EXPECT_TRUE(script::tickMayStep(">p "));
  EXPECT_FALSE(script::tickMayStep(">gameover"));
  EXPECT_EQ(script::afterCommandWord(">end です", LineKind::End), " です");
}

}  // namespace
