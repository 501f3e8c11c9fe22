// Sequential text-file input: CP932 decoding, the three line-end cases, the end of the file, and the
// harmless reads and closes of numbers that are not open.
#include "platform/media/text_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class TextFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("lanternfall_text_file_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override {
    platform::CloseAll();
    fs::remove_all(dir_);
  }

  std::string write(const std::string& name, const std::string& bytes) {
    fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }

  // Every line of the file, read the way the interpreter reads: EOF test, then a line.
  std::vector<std::string> readAll(const std::string& bytes) {
    std::string path = write("lines.dat", bytes);
    int n = platform::FreeFile();
    EXPECT_TRUE(platform::OpenForInput(n, path));
    std::vector<std::string> lines;
    while (!platform::Eof(n)) lines.push_back(platform::LineInput(n));
    platform::Close(n);
    return lines;
  }

  fs::path dir_;
};

using Lines = std::vector<std::string>;

TEST_F(TextFileTest, DecodesKanjiKanaHalfWidthKanaAndSymbols) {
  // 漢字 かな カナ (half-width ｶﾅ) ★ ▼ ～ and a full-width space, in CP932 bytes.
  std::string bytes =
      "\x8A\xBF\x8E\x9A"  // 漢字
      "\x82\xA9\x82\xC8"  // かな
      "\xB6\xC5"          // ｶﾅ
      "\x81\x9A"          // ★
      "\x81\xA5"          // ▼
      "\x81\x60"          // ～
      "\x81\x40"          // full-width space
      "A\\~";
  EXPECT_EQ(readAll(bytes + "\r\n"), Lines{"漢字かなｶﾅ★▼～\u3000A\\~"});
  int invalid = -1;
  EXPECT_EQ(platform::decodeCp932(bytes, &invalid), "漢字かなｶﾅ★▼～\u3000A\\~");
  EXPECT_EQ(invalid, 0);
  EXPECT_EQ(platform::encodeCp932("漢字かなｶﾅ★▼～\u3000A\\~"), bytes);
}

TEST_F(TextFileTest, DecodesTheCodesWhereMicrosoftsTableDiffersFromShiftJis) {
  // NEC row 13, the NEC-selected IBM extensions, the IBM extensions, and the four symbols that plain
  // Shift-JIS maps elsewhere (＼ ～ ∥ －): every system's converter must agree on these.
  const std::string bytes = "\x87\x40\xED\x40\xFA\x40\x81\x5F\x81\x60\x81\x61\x81\x7C";
  const std::string text = "\u2460\u7E8A\u2170\uFF3C\uFF5E\u2225\uFF0D";
  int invalid = -1;
  EXPECT_EQ(platform::decodeCp932(bytes, &invalid), text);
  EXPECT_EQ(invalid, 0);
  // The NEC-selected duplicate of an IBM extension is written in its IBM form, as Windows writes it.
  EXPECT_EQ(platform::encodeCp932(text), "\x87\x40\xFA\x5C\xFA\x40\x81\x5F\x81\x60\x81\x61\x81\x7C");
  // A character the code page lacks is one '?' and one unmapped offset; a broken sequence one of each a
  // byte, on every system.
  std::vector<size_t> unmapped;
  EXPECT_EQ(platform::encodeCp932("a\u00E9b\xE3\x81"
                                  "c",
                                  platform::Cp932Strictness::Strict, &unmapped),
            "abc");
  EXPECT_EQ(unmapped, (std::vector<size_t>{1, 4, 5}));
  EXPECT_EQ(platform::encodeCp932("a\u00E9b\xE3\x81"
                                  "c"),
            "a?b??c");
}

TEST_F(TextFileTest, LineEndsAreCrLfOrLoneCrButNeverLoneLf) {
  EXPECT_EQ(readAll("one\r\ntwo\r\n"), (Lines{"one", "two"}));
  EXPECT_EQ(readAll("one\rtwo\r"), (Lines{"one", "two"}));
  EXPECT_EQ(readAll("one\ntwo\n"), (Lines{"one\ntwo\n"}));
  // CR CR LF: an empty line between; LF CR: the LF belongs to the line before the CR.
  EXPECT_EQ(readAll("a\r\r\nb\n\rc"), (Lines{"a", "", "b\n", "c"}));
  // Leading and trailing spaces stay; a last line without a terminator is still a line.
  EXPECT_EQ(readAll("  x  \r\n   "), (Lines{"  x  ", "   "}));
}

TEST_F(TextFileTest, CrLfSplitAcrossTheReadBufferIsOneTerminator) {
  // The reader refills in 64 KiB chunks; put the CR as the last byte of the first chunk.
  std::string first(64 * 1024 - 1, 'a');
  EXPECT_EQ(readAll(first + "\r\nb"), (Lines{first, "b"}));
  EXPECT_EQ(readAll(first + "\r"), (Lines{first}));
}

TEST_F(TextFileTest, EndOfFileAndReadsPastIt) {
  std::string path = write("two.dat", "x\r\ny\r\n");
  int n = platform::FreeFile();
  EXPECT_EQ(n, 1);
  ASSERT_TRUE(platform::OpenForInput(n, path));
  EXPECT_TRUE(platform::IsOpen(n));
  EXPECT_EQ(platform::FreeFile(), 2);
  EXPECT_FALSE(platform::Eof(n));
  EXPECT_EQ(platform::LineInput(n), "x");
  EXPECT_FALSE(platform::Eof(n));
  EXPECT_EQ(platform::LineInput(n), "y");
  EXPECT_TRUE(platform::Eof(n));  // the final CR LF leaves no empty line behind it
  EXPECT_EQ(platform::LineInput(n), "");
  EXPECT_EQ(platform::LineInput(n), "");
  platform::Close(n);
  EXPECT_FALSE(platform::IsOpen(n));
  EXPECT_EQ(platform::FreeFile(), 1);

  std::string empty = write("empty.dat", "");
  ASSERT_TRUE(platform::OpenForInput(n, empty));
  EXPECT_TRUE(platform::Eof(n));
  EXPECT_EQ(platform::LineInput(n), "");
}

TEST_F(TextFileTest, NumbersThatAreNotOpenAreHarmless) {
  EXPECT_TRUE(platform::Eof(7));
  EXPECT_EQ(platform::LineInput(7), "");
  platform::Close(7);
  platform::Close(7);
  std::string path = write("a.dat", "a\r\n");
  ASSERT_TRUE(platform::OpenForInput(1, path));
  platform::Close(1);
  platform::Close(1);  // a second close of the same number, as shut-down does after a scenario's end
  EXPECT_EQ(platform::LineInput(1), "");
}

TEST_F(TextFileTest, InvalidInput_OpenFailuresNameTheFile) {
  std::string error;
  EXPECT_FALSE(platform::OpenForInput(1, (dir_ / "missing.dat").string(), &error));
  EXPECT_NE(error.find("missing.dat"), std::string::npos);
  EXPECT_FALSE(platform::IsOpen(1));
  EXPECT_FALSE(platform::OpenForInput(1, dir_.string(), &error));  // a folder is no scenario
  EXPECT_FALSE(platform::IsOpen(1));
  std::string path = write("a.dat", "a");
  ASSERT_TRUE(platform::OpenForInput(1, path));
  EXPECT_FALSE(platform::OpenForInput(1, path, &error));  // the number is taken
  EXPECT_EQ(platform::LineInput(1), "a");
}

TEST_F(TextFileTest, InvalidInput_BadBytesBecomeReplacementCharacters) {
  // 0x80 and 0xA0 are never characters; 0x81 followed by CR is a lead byte cut off by the line end;
  // 0x82 0x20 is a lead byte with a bad trail byte, whose space must survive; 0x88 at the very end is cut
  // off by the end of the file.
  EXPECT_EQ(readAll("a\x80"
                    "b\xA0"
                    "c\x81\r\n\x82 d\r\n\x82\xA0\x88"),
            (Lines{"a\uFFFDb\uFFFDc\uFFFD", "\uFFFD d", "あ\uFFFD"}));
  int invalid = 0;
  platform::decodeCp932(
      "\xFF\xFF"
      "ok",
      &invalid);
  EXPECT_EQ(invalid, 2);
  // Characters CP932 lacks, and broken UTF-8, encode as '?'.
  EXPECT_EQ(platform::encodeCp932("a\U0001F600b\xC3z"), "a?b?z");
}

// Bounded by the bytes read, never by the size a file claims: a 100 GiB sparse file is refused by its size
// before a byte is read, and a file that says it is empty but never ends (procfs) is given up at the
// budget, named once, and then reads as ended.
TEST_F(TextFileTest, InvalidInput_ReadsAreBoundedByBytesReadNotByTheSizeClaimed) {
  const std::string sparse = write("sparse.dat", "x");
  fs::resize_file(sparse, uint64_t{100} << 30);
  std::string error;
  EXPECT_FALSE(platform::OpenForInput(1, sparse, &error));
  EXPECT_NE(error.find("sparse.dat: is 100 GiB, more than the 64 MiB a scenario may have"), std::string::npos)
      << error;
  EXPECT_FALSE(platform::IsOpen(1));

  const fs::path endless = dir_ / "endless.dat";
  fs::create_symlink("/proc/self/pagemap", endless);
  ASSERT_EQ(fs::file_size(endless), 0u);
  ASSERT_TRUE(platform::OpenForInput(1, endless.string(), &error)) << error;
  ::testing::internal::CaptureStderr();
  uint64_t bytes = 0;
  int lines = 0;
  // A byte that is no character becomes U+FFFD, three bytes: the text may be up to three times the bytes.
  const uint64_t most = 3 * platform::kMaxScenarioFileBytes;
  while (!platform::Eof(1) && bytes <= most) bytes += platform::LineInput(1).size() + 1, ++lines;
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(platform::Eof(1));
  EXPECT_LE(bytes, most + static_cast<uint64_t>(lines));
  // Its first line alone passes over the rest of the budget, looking for its end.
  EXPECT_GE(bytes, uint64_t{16} << 20) << "read up to the budget, not stopped at the claim";
  const size_t named = err.find("endless.dat: more than 64 MiB read though the file claimed less");
  EXPECT_NE(named, std::string::npos) << err;
  EXPECT_EQ(err.find("more than 64 MiB read", named + 40), std::string::npos) << "named once:\n" << err;
  EXPECT_EQ(platform::LineInput(1), "");
}

// Long text is converted in pieces: characters of two and three bytes that straddle a piece's edge, at
// every offset, come out whole both ways; the strict encoder names each character it lacks where it is.
TEST_F(TextFileTest, LongTextConvertsWholeAcrossPiecesBothWays) {
  for (const std::string prefix : {"", "a", "ab"}) {
    std::string utf8 = prefix;
    while (utf8.size() < 5000) utf8 += "漢字かなｶﾅ";
    int invalid = 0;
    EXPECT_EQ(platform::decodeCp932(platform::encodeCp932(utf8), &invalid), utf8) << prefix.size();
    EXPECT_EQ(invalid, 0);
  }
  std::string utf8, expected;
  std::vector<size_t> offsets;
  for (int i = 0; i < 3000; ++i) {
    if (i % 7 == 3) {
      offsets.push_back(utf8.size());
      utf8 += "\U0001F600";
    } else {
      utf8 += "あ";
      expected += "\x82\xA0";
    }
  }
  std::vector<size_t> unmapped;
  EXPECT_EQ(platform::encodeCp932(utf8, platform::Cp932Strictness::Strict, &unmapped), expected);
  EXPECT_EQ(unmapped, offsets);
}

TEST_F(TextFileTest, ReadsATenMegabyteLine) {
  // Kana make it a line that must be converted, not passed through.
  std::string unit = "\x82\xA0xyz";  // あxyz
  std::string line;
  line.reserve(10 * 1024 * 1024 + unit.size());
  while (line.size() < 10u * 1024 * 1024) line += unit;
  std::vector<std::string> lines = readAll(line + "\r\nend");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), line.size() / unit.size() * 6);  // あ is 3 bytes in UTF-8
  EXPECT_EQ(lines[0].substr(0, 12), "あxyzあxyz");
  EXPECT_EQ(lines[0].substr(lines[0].size() - 6), "あxyz");
  EXPECT_EQ(lines[1], "end");
}

}  // namespace
