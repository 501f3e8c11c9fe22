// The preview run as an author runs it. Its --pages printout must show the pages the game's own golden
// transcripts record for the same scenarios (every page the player sees whole, with its "▼", and every
// picture in order), and its command line must say what is wrong before opening anything.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/game_harness.h"
#include "tests/support/tool_run.h"

namespace fs = std::filesystem;
using testing_support::quoted;
using testing_support::runTool;
using testing_support::TestContent;
using testing_support::ToolRun;

namespace {

constexpr const char* kTool = "preview/lanternfall-preview";
using Lines = std::vector<std::string>;
using Page = std::vector<std::string>;

// What the player saw, in the terms both printouts share.
struct Seen {
  std::vector<Page> pages;
  Lines pictures;
};

fs::path goldenDir() {
  const char* dir = std::getenv("LANTERNFALL_GOLDEN");
  return dir ? fs::path(dir) : fs::path(__FILE__).parent_path() / "golden";
}

// From a golden transcript: a page counts as seen when it is replaced ("page", "page emptied") or is
// still on screen at the end; "page +" adds rows to it.
Seen fromGolden(const std::string& name) {
  std::ifstream in(goldenDir() / ("interpreter_" + name + ".txt"), std::ios::binary);
  EXPECT_TRUE(in) << name;
  Seen seen;
  Page current;
  bool adding = false;
  for (std::string line; std::getline(in, line);) {
    if (line == "  page" || line == "  page emptied") {
      if (!current.empty()) seen.pages.push_back(current);
      current.clear();
      adding = line == "  page";
    } else if (line == "  page +") {
      adding = true;
    } else if (line.rfind("    |", 0) == 0 && adding) {
      current.push_back(line.substr(5));
    } else if (line.rfind("  picture", 0) == 0) {
      seen.pictures.push_back(line.size() > 10 ? line.substr(10) : "");
      adding = false;
    } else {
      adding = false;
    }
  }
  if (!current.empty()) seen.pages.push_back(current);
  return seen;
}

Seen fromPreview(const std::string& output) {
  Seen seen;
  std::istringstream in(output);
  bool inPage = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("page ", 0) == 0) {
      seen.pages.emplace_back();
      inPage = true;
    } else if (inPage && line.rfind("  |", 0) == 0) {
      seen.pages.back().push_back(line.substr(3));
    } else if (line.rfind("picture ", 0) == 0) {
      const std::string name = line.substr(8);
      seen.pictures.push_back(name.rfind("(no name", 0) == 0 ? "" : name);
      inPage = false;
    } else {
      inPage = false;
    }
  }
  return seen;
}

struct Case {
  const char* golden;
  Lines opn;
  const char* eol = "\r\n";
  const char* ends = "ends into the wish simulation";
};

Lines numbered(int from, int to) {
  Lines lines;
  for (int i = from; i <= to; ++i) lines.push_back("行" + std::to_string(i));
  return lines;
}

class PreviewPages : public ::testing::TestWithParam<Case> {};

TEST_P(PreviewPages, ShowWhatTheGoldenTranscriptRecords) {
  const Case& c = GetParam();
  TestContent content;
  content.scenario("opn", c.opn, c.eol);
  const ToolRun run = runTool(kTool, "--pages " + quoted(content.root().string()), false);
  ASSERT_EQ(run.status, 0) << run.output;
  const Seen expected = fromGolden(c.golden);
  const Seen got = fromPreview(run.output);
  ASSERT_FALSE(expected.pages.empty());
  EXPECT_EQ(got.pages, expected.pages) << run.output;
  EXPECT_EQ(got.pictures, expected.pictures) << run.output;
  EXPECT_NE(run.output.find(c.ends), std::string::npos) << run.output;
}

// The golden cases whose scenarios run from the title to their end with clicks only where they wait.
INSTANTIATE_TEST_SUITE_P(
    Preview, PreviewPages,
    ::testing::Values(Case{"three_lines", {"一行目", "二行目", "三行目"}},
                      Case{"seventeen_lines", numbered(1, 17)},
                      Case{"p_alone_and_with_space", {"待つ", ">p", "次", "待たない", ">p ", "新しい頁"}},
                      Case{"ive", {"最初", "前の行", ">ive の行", "後"}},
                      Case{"img_variants",
                           {">img 森", "一", ">img", "二", ">img_", "三", ">img\u3000湖", "四", ">imgX天"}},
                      Case{"cr_only", {"一", "二\n続き", "三", ">end"}, "\r", "ends back to the title"}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.golden); });

TEST(PreviewPagesEnding, ANamedScenarioAndItsProblemsAndTheWayBackToTheTitle) {
  TestContent content;
  content.scenario("badend", {">img nowhere", "おしまい", ">end"});
  const ToolRun run = runTool(kTool, "--pages " + quoted(content.root().string()) + " badend", false);
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output.rfind("scenario badend\npicture nowhere\nproblem: picture \"nowhere\" not shown", 0),
            0u)
      << run.output;
  EXPECT_NE(run.output.find("page 1, waits for a click:\n  |\n  |おしまい▼\n"), std::string::npos)
      << run.output;
  const std::string end = "ends back to the title\n";
  EXPECT_EQ(run.output.substr(run.output.size() - std::min(run.output.size(), end.size())), end)
      << run.output;
}

// A page that turns without a click is printed before the picture its step shows with the next page.
TEST(PreviewPagesEnding, APictureStandsBetweenThePagesItComesBetween) {
  TestContent content;
  content.picture("森", "ui_red");
  content.scenario("opn", {"一", ">p ", ">img 森", "二"});
  const ToolRun run = runTool(kTool, "--pages " + quoted(content.root().string()), false);
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output,
            "scenario opn\n"
            "page 1, turned without a click:\n  |\n  |一\n"
            "picture 森\n"
            "page 2, waits for a click:\n  |\n  |二▼\n"
            "ends into the wish simulation\n");
}

TEST(PreviewInvalidInput, UsageErrorsAndOptions) {
  ToolRun run = runTool(kTool, "--help");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("usage: lanternfall-preview [--pages] DIR [SCENARIO]"), std::string::npos);
  EXPECT_EQ(runTool(kTool, "--version").status, 0);
  EXPECT_EQ(runTool(kTool, "").status, 2);
  run = runTool(kTool, "--pages /nonexistent/content");
  EXPECT_EQ(run.status, 2) << run.output;
  EXPECT_NE(run.output.find("no content folder"), std::string::npos) << run.output;
  TestContent content;
  run = runTool(kTool, "--pages " + quoted(content.root().string()) + " 07");
  EXPECT_EQ(run.status, 2) << run.output;
  EXPECT_NE(run.output.find("no scenario file at " + (content.root() / "txt" / "07.dat").string()),
            std::string::npos)
      << run.output;
  // An empty SCENARIO names no file.
  content.scenario("opn", {"a"});
  EXPECT_EQ(runTool(kTool, "--pages " + quoted(content.root().string()) + " ''").status, 2);
}

// A scenario's rows reach the author's terminal escaped: an escape sequence in a row or a picture name
// can neither retitle nor clear it. A row far wider than any page is cut, with what was left out counted (its
// "▼" too).
TEST(PreviewPagesEnding, ControlCharactersAreEscapedAndLongRowsCut) {
  TestContent content;
  content.scenario("opn", {"\x1B]0;owned\x07", ">img \x1B[2J", std::string(5000, 'a')});
  const ToolRun run = runTool(kTool, "--pages " + quoted(content.root().string()), false);
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output.find('\x1B'), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find('\x07'), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("  |\\x1B]0;owned\\x07"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("picture \\x1B[2J"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find(" ... (4603 more bytes)"), std::string::npos) << run.output;
}

}  // namespace
