// The scenario engine played headless on the manual clock: what the player reads on the labels, which
// timers run, which pictures and hand-overs happen, step by step. Golden transcripts under tests/golden/;
// LANTERNFALL_UPDATE_GOLDEN=1 rewrites them (review the diff before committing).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "audio/shared_routines.h"
#include "platform/media/text_file.h"
#include "tests/support/game_harness.h"
#include "tests/support/test_seed.h"

namespace {

using testing_support::HeadlessGame;
using testing_support::TestContent;
using Lines = std::vector<std::string>;

constexpr int64_t kTickMs = 100;  // timSay's interval
const std::string kMark = "▼";

// What the player would see, recorded after every action as the changes since the last one.
class Transcript {
 public:
  // Starts from what is on screen now; only later changes are written.
  explicit Transcript(HeadlessGame& game) : game_(game) {
    Fom& fom = game_.fom();
    logSeen_ = game_.traceLog().size();
    page_ = fom.lbl[0].Caption();
    shown_ = fom.lbl[0].Visible();
    timSay_ = fom.timSay.Enabled();
    timDay_ = fom.TimDay.Enabled();
    timColor_ = fom.timColor.Enabled();
  }

  void act(const std::string& action) {
    Fom& fom = game_.fom();
    if (action == "press") {
      game_.pressTitle(1);
    } else if (action == "t") {
      game_.advance(kTickMs);
    } else if (action == "c") {
      game_.clickText();
    } else if (action.rfind("s:", 0) == 0) {
      fom.StartScenario(action.substr(2));
    } else {
      ADD_FAILURE() << "unknown action " << action;
    }
    out_ << (action == "t" ? "tick" : action == "c" ? "click" : action) << "\n";
    record();
  }

  std::string text() const { return out_.str(); }

 private:
  void record() {
    Fom& fom = game_.fom();
    const auto& log = game_.traceLog();
    for (; logSeen_ < log.size(); ++logSeen_) out_ << "  " << log[logSeen_] << "\n";
    // All three labels always carry the same text and visibility.
    for (int i = 1; i < 3; ++i) {
      EXPECT_EQ(fom.lbl[i].Caption(), fom.lbl[0].Caption()) << "label " << i;
      EXPECT_EQ(fom.lbl[i].Visible(), fom.lbl[0].Visible()) << "label " << i;
    }
    const std::string page = fom.lbl[0].Caption();
    const bool shown = fom.lbl[0].Visible();
    if (page.empty() && !page_.empty()) {
      out_ << "  page emptied\n";
    } else if (page != page_) {
      // A page that grew shows only its new rows; any other change shows the whole page.
      const bool grew = !page_.empty() && page.rfind(page_ + "\r\n", 0) == 0;
      out_ << (grew ? "  page +\n" : "  page\n");
      size_t at = grew ? page_.size() + 2 : 0;
      for (;;) {
        size_t end = page.find("\r\n", at);
        std::string row = page.substr(at, end == std::string::npos ? std::string::npos : end - at);
        // A LF alone is part of the line; show it rather than break the row.
        for (size_t lf = row.find('\n'); lf != std::string::npos; lf = row.find('\n', lf))
          row.replace(lf, 1, "<LF>");
        out_ << "    |" << row << "\n";
        if (end == std::string::npos) break;
        at = end + 2;
      }
    }
    if (shown != shown_) out_ << "  text " << (shown ? "shown" : "hidden") << "\n";
    timer("timSay", fom.timSay.Enabled(), timSay_);
    timer("TimDay", fom.TimDay.Enabled(), timDay_);
    timer("timColor", fom.timColor.Enabled(), timColor_);
    page_ = page;
    shown_ = shown;
  }
  void timer(const char* name, bool on, bool& was) {
    if (on != was) out_ << "  " << name << (on ? " on" : " off") << "\n";
    was = on;
  }

  HeadlessGame& game_;
  std::ostringstream out_;
  size_t logSeen_ = 0;
  std::string page_;
  bool shown_ = false;
  bool timSay_ = false, timDay_ = false, timColor_ = false;
};

void compareWithGolden(const std::string& name, const std::string& actual) {
  const char* dir = std::getenv("LANTERNFALL_GOLDEN");
  const std::filesystem::path path = std::filesystem::path(dir ? dir : "tests/golden") / (name + ".txt");
  const char* update = std::getenv("LANTERNFALL_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    std::ofstream(path, std::ios::binary) << actual;
    return;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << "no golden transcript " << path << " (LANTERNFALL_UPDATE_GOLDEN=1 writes it); actual:\n"
                  << actual;
  std::stringstream expected;
  expected << in.rdbuf();
  EXPECT_EQ(expected.str(), actual) << "transcript differs from " << path;
}

// A game started from the title (EASY) whose opening handed over at once, so that the presets are set and
// scenarios can be started directly, as the day clock does.
class InterpreterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    game_ = std::make_unique<HeadlessGame>(content_);
    game_->start();
    content_.scenario("opn", {"tugi"});
    game_->pressTitle(1);
    ASSERT_EQ(game_->traceLog().back(), "wish");
  }
  Fom& fom() { return game_->fom(); }
  std::string page() { return game_->page(); }
  void tick(int n = 1) { game_->advance(kTickMs * n); }

  TestContent content_;
  std::unique_ptr<HeadlessGame> game_;
};

// ---- Golden transcripts --------------------------------------------------------------------------

struct GoldenCase {
  const char* name;
  Lines opn;  // the opening scenario, started from the title
  const char* actions;
  Lines next = {};  // a second scenario "00", started by an "s:00" action
  const char* eol = "\r\n";
};

class InterpreterGolden : public InterpreterTest, public ::testing::WithParamInterface<GoldenCase> {};

TEST_P(InterpreterGolden, PlaysAsRecorded) {
  const GoldenCase& c = GetParam();
  content_.scenario("opn", c.opn, c.eol);
  if (!c.next.empty()) content_.scenario("00", c.next, c.eol);
  Transcript transcript(*game_);
  std::istringstream actions(std::string("press ") + c.actions);
  for (std::string a; actions >> a;) transcript.act(a);
  compareWithGolden(std::string("interpreter_") + c.name, transcript.text());
}

Lines numbered(int from, int to) {
  Lines lines;
  for (int i = from; i <= to; ++i) lines.push_back("行" + std::to_string(i));
  return lines;
}
Lines concat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

INSTANTIATE_TEST_SUITE_P(
    Interpreter, InterpreterGolden,
    ::testing::Values(
        // The end of the file counts as "tugi": the third line waits; the click hands over; ticks do nothing.
        GoldenCase{"three_lines", {"一行目", "二行目", "三行目"}, "t t t c t t"},
        // The fifteenth waits, the sixteenth opens a page below an empty top row.
        GoldenCase{"seventeen_lines", numbered(1, 17), "t t t t t t t t t t t t t t t c t c"},
        // After ">p" the page holds sixteen; the seventeenth opens the next page.
        // (The first line waits here only because the tick test refuses ">p".)
        GoldenCase{"sixteen_after_p", concat({{"前", ">p"}, numbered(1, 17)}),
                   "t c t t t t t t t t t t t t t t t c"},
        // ">p" alone makes the line before it wait; ">p " clears the page without the wait.
        GoldenCase{
            "p_alone_and_with_space", {"待つ", ">p", "次", "待たない", ">p ", "新しい頁"}, "t c t t t"},
        // ">ive" is no command: the line before waits, then it is text on a new page.
        // The first line of a scenario never stops the timer: the click StartScenario runs enables it again.
        GoldenCase{"ive", {"最初", "前の行", ">ive の行", "後"}, "t t c t c"},
        // "TUGI" and " tugi" are text; "tugiX" ends like "tugi" and nothing after it is read.
        GoldenCase{"tugi_variants", {"TUGI", " tugi", "tugiX", "読まれない"}, "t t c t t"},
        // ">img" with a name, alone, with one character, and with a full-width space before the name.
        GoldenCase{"img_variants",
                   {">img 森", "一", ">img", "二", ">img_", "三", ">img\u3000湖", "四", ">imgX天"},
                   "t t t t c"},
        // An empty fifteenth line ends the page and stops the timer, but the next line follows at once.
        GoldenCase{"empty_fifteenth", concat({numbered(1, 14), {"", "新しい頁", "次"}}),
                   "t t t t t t t t t t t t t t c"},
        // An empty line or ">img" just before "tugi": the scenario ends one tick later without a click.
        GoldenCase{
            "empty_then_img_before_tugi", {"文", "", "tugi"}, "t t s:00 t t", {"文", ">img 絵", "tugi"}},
        // Runs of 2 and of 3 each show their lines in one step; a page end inside a run does not stop it.
        GoldenCase{
            "runs_of_two_and_three",
            concat({{"--2", "a", "b", "--3", "c", "d", "e"}, numbered(1, 8), {"-- 3 ", "x", "y", "z", "g"}}),
            "t t t t t t t t t t t c"},
        // 3 meeting 2: the inner run leaves RunVar at 3 and the outer run is over after it.
        // 3 meeting 1: the inner run leaves RunVar at 2 and the outer run takes one more step.
        GoldenCase{"nested_runs",
                   {"--3", "--2", "a", "b", "c", "d"},
                   "t s:00 t t",
                   {"--3", "--1", "a", "b", "c", "d"}},
        // A new scenario after one whose last line ended with "▼" still begins on an empty page.
        GoldenCase{"new_scenario_after_mark", {"最後の行", ">game"}, "s:00 t", {"新しい場面", "続き"}},
        // Lines ended by CR alone; a LF alone is part of the line.
        GoldenCase{"cr_only", {"一", "二\n続き", "三", ">end"}, "t t c", {}, "\r"},
        // Shift-JIS text with half-width kana and full-width symbols.
        GoldenCase{"shift_jis", {"ｶﾀｶﾅ ﾃｷｽﾄ", "漢字とかな、「記号」★～", "ﾊﾝｶｸ▼ではない"}, "t t c"}),
    [](const ::testing::TestParamInfo<GoldenCase>& info) { return std::string(info.param.name); });

// ---- Clicks, page marks and runs, asserted
// --------------------------------------------------------------------

TEST_F(InterpreterTest, AClickDuringAutoAdvanceShowsTheNextLineAtOnceAndKeepsTheTimer) {
  content_.scenario("s", {"a", "b", "c", "d"});
  fom().StartScenario("s");
  game_->advance(40);
  game_->clickText();
  EXPECT_EQ(page(), "\na\nb");
  EXPECT_TRUE(fom().timSay.Enabled());
  game_->advance(59);  // the timer keeps its period: the tick is due 100 ms after the start
  EXPECT_EQ(page(), "\na\nb");
  game_->advance(1);
  EXPECT_EQ(page(), "\na\nb\nc");
}

TEST_F(InterpreterTest, PageMarkCarriesOverButTheNewScenarioStartsOnAnEmptyPage) {
  content_.scenario("s", {"last"});
  content_.scenario("t", {"first", "second"});
  fom().StartScenario("s");
  EXPECT_EQ(fom().PageMark, kMark);
  game_->clickText();
  fom().StartScenario("t");
  EXPECT_EQ(page(), "\nfirst");  // not appended to the old page, although PageMark was still "▼"
  EXPECT_EQ(fom().PageMark, "");
  EXPECT_EQ(fom().LineCount, 2);
}

TEST_F(InterpreterTest, NestedRunsShareOneCounter) {
  // 3 meeting 2: the outer run ends right after the inner one.
  content_.scenario("a", {"--3", "--2", "x", "y", "z"});
  fom().StartScenario("a");
  EXPECT_EQ(page(), "\nx\ny");
  EXPECT_EQ(RunVar.number(), 4);
  // 3 meeting 1: two steps follow the outer line instead of three.
  content_.scenario("b", {"--3", "--1", "x", "y", "z", "w"});
  fom().StartScenario("b");
  EXPECT_EQ(page(), "\nx\ny");
  EXPECT_EQ(RunVar.number(), 4);
  // A run of 0 sets the counter to 1 and takes no step; the run around it counts on from there, so it
  // takes two more steps after that one.
  content_.scenario("c", {"--3", "--0", "x", "y", "z"});
  fom().StartScenario("c");
  EXPECT_EQ(page(), "\nx\ny");
  tick();
  EXPECT_EQ(page(), "\nx\ny\nz" + kMark);
  // The count is text in LoopVar until the run fixes its bound; the labels' loop then overwrites it.
  EXPECT_EQ(LoopVar.number(), 3);
}

// ---- Content that breaks the rules -----------------------------------------------------------------

TEST_F(InterpreterTest, InvalidContent_RunCountsThatAreNoNumberTakeNoStep) {
  for (const std::string count : {"", " ", "x", "1x", "+2", "-2", "2.0", "２"}) {
    SCOPED_TRACE("count \"" + count + "\"");
    content_.scenario("s", {"--" + count, "a", "b"});
    ::testing::internal::CaptureStderr();
    fom().StartScenario("s");
    const std::string err = ::testing::internal::GetCapturedStderr();
    // Like a run of 0: the "--" line was the whole step, and the next line comes one tick later alone.
    EXPECT_EQ(page(), "");
    EXPECT_NE(err.find("s.dat"), std::string::npos) << err;
    tick();
    EXPECT_EQ(page(), "\na");
  }
  content_.scenario("s", {"--  2  ", "a", "b", "c"});
  fom().StartScenario("s");
  EXPECT_EQ(page(), "\na\nb");
}

TEST_F(InterpreterTest, InvalidContent_NothingIsReadAfterTheEnd) {
  // A huge run reaching past the end stops there, without counting on through its remaining steps.
  content_.scenario("s", {"--99999999999999999999999", "a", "b", "tugi", "c", "d"});
  fom().StartScenario("s");
  EXPECT_EQ(game_->traceLog().back(), "wish");
  EXPECT_FALSE(platform::IsOpen(fom().ScriptFileNo));
  EXPECT_EQ(fom().CurrentLine, "c");  // read ahead before the end: the tick test would let it through
  EXPECT_TRUE(fom().timSay.Enabled());
  tick(3);
  game_->clickText();
  EXPECT_EQ(fom().CurrentLine, "c");
  EXPECT_FALSE(game_->textShown());

  // Lines after ">end" stay unread, and the labels keep the last page under the title.
  content_.scenario("t", {"last", ">end", "more"});
  fom().StartScenario("t");
  game_->clickText();
  EXPECT_EQ(game_->traceLog().back(), "title");
  tick(3);
  game_->clickText();
  EXPECT_EQ(fom().CurrentLine, "more");
  EXPECT_EQ(page(), "\nlast" + kMark);
}

TEST_F(InterpreterTest, InvalidContent_MissingScenarioPlaysAsEmptyButMissingEndingsReturnToTitle) {
  ::testing::internal::CaptureStderr();
  fom().StartScenario("05");
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("txt/05.dat"), std::string::npos) << err;
  EXPECT_EQ(game_->traceLog().back(), "wish");
  EXPECT_TRUE(fom().TimDay.Enabled());
  EXPECT_FALSE(game_->textShown());

  for (const char* ending : {"end", "badend"}) {
    ::testing::internal::CaptureStderr();
    fom().StartScenario(ending);
    err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(std::string("txt/") + ending + ".dat"), std::string::npos) << err;
    EXPECT_EQ(game_->traceLog().back(), "title");
    EXPECT_FALSE(fom().TimDay.Enabled());
    EXPECT_FALSE(fom().timColor.Enabled());
    EXPECT_TRUE(fom().picStt.Visible());
  }

  // An empty file is played as it is: one empty row, then the hand-over.
  content_.rawScenario("e", "");
  fom().StartScenario("e");
  EXPECT_EQ(game_->traceLog().back(), "wish");
  // A folder where the file should be is no file either.
  std::filesystem::create_directories(content_.root() / "txt" / "d.dat");
  ::testing::internal::CaptureStderr();
  fom().StartScenario("d");
  err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("d.dat"), std::string::npos) << err;
  EXPECT_EQ(game_->traceLog().back(), "wish");
}

// The address of a local in the trace callback tells how deep the interpreter's call stack is.
class StackProbe {
 public:
  explicit StackProbe(HeadlessGame& game) : fom_(game.fom()), chained_(fom_.trace) {
    fom_.trace = [this, chained = chained_](std::string_view what, std::string_view detail) {
      volatile char here = 0;
      const auto at = reinterpret_cast<uintptr_t>(&here);
      if (what == "scenario") base_ = at;
      if (what == "picture" && detail == "deep") deepest_ = at;
      if (chained) chained(what, detail);
    };
  }
  // Bytes between the frame that started the scenario and the frame that showed the picture.
  uintptr_t spread() const { return base_ > deepest_ ? base_ - deepest_ : deepest_ - base_; }
  bool reached() const { return deepest_ != 0; }
  ~StackProbe() { fom_.trace = chained_; }

 private:
  Fom& fom_;
  std::function<void(std::string_view, std::string_view)> chained_;
  uintptr_t base_ = 0;
  uintptr_t deepest_ = 0;
};

TEST_F(InterpreterTest, InvalidContent_LinesThatTakeNoTimeDoNotDeepenTheStack) {
  // A nested call per line would need hundreds of megabytes of stack here.
  constexpr uintptr_t kShallowBytes = 64 * 1024;
  {
    Lines lines(1'000'000, "");
    lines.push_back(">img deep");
    lines.push_back("after");
    content_.scenario("empty_lines", lines);
    StackProbe probe(*game_);
    fom().StartScenario("empty_lines");
    ASSERT_TRUE(probe.reached());
    EXPECT_LT(probe.spread(), kShallowBytes);
    // 1,000,000 = 15 × 66,666 + 10: the last page holds ten empty rows and then the text.
    EXPECT_EQ(page(), std::string(11, '\n') + "after" + kMark);
  }
  {
    Lines lines(100'000, "--1");
    lines.push_back(">img deep");
    lines.push_back("after");
    lines.push_back("next");
    content_.scenario("chained_runs", lines);
    StackProbe probe(*game_);
    fom().StartScenario("chained_runs");
    ASSERT_TRUE(probe.reached());
    EXPECT_LT(probe.spread(), kShallowBytes);
    EXPECT_EQ(page(), "\nafter");
    // The innermost run of one leaves 2, and each of the 99,999 runs around it adds one on its way out.
    EXPECT_EQ(RunVar.number(), 100'001);
    tick();
    EXPECT_EQ(page(), "\nafter\nnext" + kMark);
  }
}

TEST_F(InterpreterTest, InvalidContent_ATenMegabyteLinePlaysLikeAnyOtherAsFarAsCanBeSeen) {
  std::string huge, seen;
  for (int i = 0; i < 3'500'000; ++i) huge += "あ";  // 10.5 MB of UTF-8, 7 MB of CP932
  for (int i = 0; i < 65'536; ++i) seen += "あ";     // more than any label can show
  content_.scenario("s", {">img\u3000森", huge, "次", "ab" + huge.substr(0, 65'534 * 3)});
  testing::internal::CaptureStderr();
  fom().StartScenario("s");
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(page(), "\n" + seen);
  EXPECT_NE(err.find("s.dat: a row of more than 65536 characters; only its first 65536 are shown"),
            std::string::npos)
      << err.substr(0, 2000);
  tick();
  tick();
  EXPECT_EQ(page(), "\n" + seen + "\n次\nab" + huge.substr(0, 65'534 * 3) + kMark)
      << "65,536 characters are kept whole";
}

TEST_F(InterpreterTest, InvalidContent_RandomClicksAndTicksNeverReadAClosedFile) {
  std::mt19937 rng(testing_support::testSeed());
  const Lines pool = {"text", "",     ">p",   ">p ",   ">img x", "--2", "--0",
                      "--x",  ">ive", "tugi", ">game", ">end",   "末"};
  for (int round = 0; round < 50; ++round) {
    Lines lines;
    for (int i = std::uniform_int_distribution<int>(0, 30)(rng); i > 0; --i)
      lines.push_back(pool[rng() % pool.size()]);
    content_.scenario("r", lines);
    fom().StartScenario("r");
    for (int i = 0; i < 60; ++i) {
      if (rng() % 3 == 0) {
        game_->clickText();
      } else {
        tick();
      }
      const auto& log = game_->traceLog();
      // Once ended, the file is closed, and the scenario's labels are hidden (wish) or under the title.
      if (log.back() == "wish" || log.back() == "title") {
        ASSERT_FALSE(platform::IsOpen(fom().ScriptFileNo));
      }
      ASSERT_LE(fom().LineCount, 15);
    }
  }
}

}  // namespace
