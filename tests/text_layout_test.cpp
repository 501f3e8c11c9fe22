// Line layout of captions: the Japanese line-breaking rules, CR LF, whole ASCII words, and a huge caption,
// measured with fixed widths (ASCII 5 px, everything else 10 px) so that no font is needed.
#include "platform/runtime/text_layout.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "platform/runtime/utf8.h"
#include "tests/support/test_seed.h"

namespace {

using platform::LaidLine;
using platform::layoutText;

float fixedAdvance(char32_t c) { return c < 0x80 ? 5.0f : 10.0f; }

std::vector<std::string> wrap(const std::string& text, float width, size_t maxLines = 1000) {
  std::vector<std::string> out;
  for (const LaidLine& l : layoutText(text, width, maxLines, fixedAdvance)) {
    out.push_back(text.substr(l.begin, l.end - l.begin));
  }
  return out;
}

char32_t firstCodePoint(const std::string& s) {
  size_t len;
  return platform::decodeUtf8(s, 0, &len);
}

char32_t lastCodePoint(const std::string& s) {
  size_t pos = s.size() - 1;
  while (pos > 0 && (static_cast<unsigned char>(s[pos]) & 0xC0) == 0x80) --pos;
  size_t len;
  return platform::decodeUtf8(s, pos, &len);
}

using Lines = std::vector<std::string>;

TEST(TextLayout, HangingPunctuationStaysOnTheFullLine) {
  // Five characters fill 50 px; the 。 or 、 that follows hangs past the edge instead of starting a line.
  EXPECT_EQ(wrap("あいうえお。かきく", 50), (Lines{"あいうえお。", "かきく"}));
  EXPECT_EQ(wrap("あいうえお、かきく", 50), (Lines{"あいうえお、", "かきく"}));
  // It cannot hang when a closing bracket follows (」 may not start a line): one character is pushed
  // down with both instead.
  EXPECT_EQ(wrap("あいうえお。」かき", 50), (Lines{"あいうえ", "お。」かき"}));
}

TEST(TextLayout, NoStartAndOpeningBracketRules) {
  // 」 would start the second line: it takes the character before it along.
  EXPECT_EQ(wrap("あいうえお」かき", 50), (Lines{"あいうえ", "お」かき"}));
  // An opening bracket never ends a line.
  EXPECT_EQ(wrap("あいう「えお」", 40), (Lines{"あいう", "「えお」"}));
  // Small kana and the long vowel mark are kept off the line start when an earlier break exists.
  EXPECT_EQ(wrap("あいうえっか", 40), (Lines{"あいう", "えっか"}));
  EXPECT_EQ(wrap("あいうえーか", 40), (Lines{"あいう", "えーか"}));
  // ... but a line of nothing else still wraps rather than running off the box.
  EXPECT_EQ(wrap("っっっっっ", 30), (Lines{"っっっ", "っっ"}));
}

TEST(TextLayout, AsciiWordsStayWholeUnlessWiderThanTheBox) {
  EXPECT_EQ(wrap("あいう hello world", 50), (Lines{"あいう ", "hello ", "world"}));
  // Spaces that would overflow vanish at the break instead of starting the next line.
  EXPECT_EQ(wrap("abcdefghij   klm", 50), (Lines{"abcdefghij", "klm"}));
  // Japanese text directly followed by a word: the break falls before the word.
  EXPECT_EQ(wrap("あいうabcdef", 50), (Lines{"あいう", "abcdef"}));
  // A word wider than the box is split at character boundaries.
  EXPECT_EQ(wrap("abcdefghijklmnop", 50), (Lines{"abcdefghij", "klmnop"}));
}

TEST(TextLayout, CrLfIsExactlyOneLineBreak) {
  EXPECT_EQ(wrap("一\r\n二\r\n\r\n三", 1000), (Lines{"一", "二", "", "三"}));
  EXPECT_EQ(wrap("一\r\n", 1000), (Lines{"一"}));
  // Lone CR and LF break too, and never show as characters.
  EXPECT_EQ(wrap("一\n二\r三", 1000), (Lines{"一", "二", "三"}));
  // A line that fills the box exactly before CR LF adds no empty wrapped line.
  EXPECT_EQ(wrap("あいう\r\nえ", 30), (Lines{"あいう", "え"}));
  EXPECT_EQ(wrap("", 30), (Lines{""}));
}

TEST(TextLayout, WrapsDifferentlyOnlyWhenTheWidthChanges) {
  const std::string caption = "彼女は「今日は、いい天気ですね。」と言った。ぼくはうなずいた。▼";
  std::vector<Lines> byWidth;
  for (int w = 10; w <= 400; ++w) byWidth.push_back(wrap(caption, static_cast<float>(w)));
  for (int w = 10; w <= 400; ++w) {
    // The same width always gives the same lines.
    EXPECT_EQ(wrap(caption, static_cast<float>(w)), byWidth[w - 10]) << "width " << w;
    // With 10 px per character only a whole multiple of 10 can change the wrap.
    if (w % 10 != 0 && w > 10) {
      EXPECT_EQ(byWidth[w - 10], byWidth[w - 11]) << "width " << w;
    }
  }
  EXPECT_NE(wrap(caption, 100), wrap(caption, 110));
  EXPECT_EQ(wrap(caption, 400).size(), 1u);
}

// Random Japanese captions in which a legal break always exists: every strong no-start character and
// every opening bracket is followed by an ordinary one. Then no line may start with a strong no-start
// character, none may end with an opening bracket, the lines cover the caption in order, and only
// hanging punctuation may pass the right edge.
TEST(TextLayout, RandomCaptionsKeepTheRules) {
  std::mt19937 rng(testing_support::testSeed());
  const std::vector<std::string> ordinary = {"あ", "か", "漢", "字", "ア", "a",
                                             "b",  "7",  " ",  "っ", "ー", "ゃ"};
  const std::vector<std::string> strong = {"、", "。", "」", "』", "）", "・", "？", "！", "，", "．", "｡"};
  const std::vector<std::string> opening = {"「", "『", "（", "【"};
  for (int round = 0; round < 300; ++round) {
    std::string caption;
    const int n = 1 + static_cast<int>(rng() % 80);
    for (int i = 0; i < n; ++i) {
      const unsigned kind = rng() % 10;
      if (kind == 0) {
        caption += strong[rng() % strong.size()];
      } else if (kind == 1) {
        caption += opening[rng() % opening.size()];
      } else if (kind == 2) {
        caption += "\r\n";
        continue;
      } else {
        caption += ordinary[rng() % ordinary.size()];
        continue;
      }
      caption += ordinary[rng() % 5];  // a Japanese ordinary character after strong/opening
    }
    const float width = static_cast<float>(60 + rng() % 200);
    SCOPED_TRACE("caption \"" + caption + "\" width " + std::to_string(width));
    const auto laid = layoutText(caption, width, 1000, fixedAdvance);
    size_t expectBegin = 0;
    for (size_t i = 0; i < laid.size(); ++i) {
      const std::string line = caption.substr(laid[i].begin, laid[i].end - laid[i].begin);
      // Contiguous: between two lines there is nothing, exactly one CR LF, or the spaces of a break.
      const std::string gap = caption.substr(expectBegin, laid[i].begin - expectBegin);
      ASSERT_TRUE(gap.empty() || gap == "\r\n" || gap.find_first_not_of(' ') == std::string::npos)
          << "line " << i;
      ASSERT_EQ(line.find_first_of("\r\n"), std::string::npos);
      expectBegin = laid[i].end;
      if (line.empty()) continue;
      const bool wrapped = gap != "\r\n" && i > 0;
      if (wrapped) {
        EXPECT_FALSE(platform::isStrongNoStart(firstCodePoint(line))) << "line " << i << ": " << line;
        EXPECT_NE(firstCodePoint(line), U' ') << "line " << i;
      }
      const bool nextIsWrap = i + 1 < laid.size() && caption.compare(laid[i].end, 2, "\r\n") != 0;
      if (nextIsWrap) {
        EXPECT_FALSE(platform::isOpeningBracket(lastCodePoint(line))) << line;
      }
      const char32_t last = lastCodePoint(line);
      float limit = width;
      if (platform::isHangingPunctuation(last)) limit = 1e9f;
      EXPECT_LE(laid[i].width, limit) << "line " << i << ": " << line;
    }
    const std::string rest = caption.substr(expectBegin);
    EXPECT_TRUE(rest.empty() || rest == "\r\n" || rest.find_first_not_of(' ') == std::string::npos)
        << "the caption was not covered to its end";
  }
}

TEST(TextLayout, HugeCaptionIsReadOnlyAsFarAsTheBoxShows) {
  // 10 MB in one paragraph, then 10 MB of short lines: each laid out for a box of 20 lines.
  std::string oneLine;
  while (oneLine.size() < 10 * 1024 * 1024) oneLine += "今日はいい天気ですね、hello world。";
  std::string manyLines;
  while (manyLines.size() < 10 * 1024 * 1024) manyLines += "あいう\r\n";
  for (const std::string* caption : {&oneLine, &manyLines}) {
    size_t measured = 0;
    const auto laid = layoutText(*caption, 300, 20, [&](char32_t c) {
      ++measured;
      return fixedAdvance(c);
    });
    EXPECT_EQ(laid.size(), 20u);
    EXPECT_LT(laid.back().end, 4096u);
    EXPECT_LT(measured, 2000u) << "characters measured beyond the visible lines";
  }
}

TEST(TextLayout, HugeRunsOfSpacesOrInvisibleMarksStayBounded) {
  const std::string spaces(10 * 1024 * 1024, ' ');
  size_t measured = 0;
  auto laid = layoutText("あ" + spaces + "い", 300, 20, [&](char32_t c) {
    ++measured;
    return fixedAdvance(c);
  });
  EXPECT_EQ(laid.size(), 2u);  // the spaces run past the edge and vanish at the break
  EXPECT_LT(measured, 1000u);

  std::string marks;  // zero width space, drawn as nothing
  while (marks.size() < 10 * 1024 * 1024) marks += "\u200B";
  laid = layoutText(marks, 300, 20, [](char32_t) { return 0.0f; });
  EXPECT_EQ(laid.size(), 20u);
  EXPECT_LT(laid.back().end, marks.size() / 10);
}

TEST(TextLayout, InvalidBytesAreMeasuredAsReplacementCharacters) {
  const std::string caption =
      "\xff\xe3\x81"
      "a\xc0\xaf"
      "あ";
  std::vector<char32_t> seen;
  const auto laid = layoutText(caption, 1000, 10, [&](char32_t c) {
    seen.push_back(c);
    return fixedAdvance(c);
  });
  ASSERT_EQ(laid.size(), 1u);
  EXPECT_EQ(laid[0].end, caption.size());
  EXPECT_EQ(seen, (std::vector<char32_t>{0xFFFD, 0xFFFD, 0xFFFD, U'a', 0xFFFD, 0xFFFD, U'あ'}));
}

}  // namespace
