// The bundled story played from the title to an ending and back, headless: the manual clock, scripted
// clicks on the text and the wish buttons, and fixed random draws steering the powers. Every scenario and
// picture the story names must be found, and every page must decode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/game_harness.h"

namespace fs = std::filesystem;
using testing_support::HeadlessGame;
using testing_support::TestContent;

namespace {

fs::path bundledContent() {
  if (const char* env = std::getenv("LANTERNFALL_CONTENT")) return env;
  return fs::path(__FILE__).parent_path().parent_path() / "content";
}

void copyBundledContent(const TestContent& content) {
  constexpr auto kCopy = fs::copy_options::overwrite_existing | fs::copy_options::recursive;
  fs::copy(bundledContent() / "txt", content.root() / "txt", kCopy);
  fs::copy(bundledContent() / "img", content.root() / "img", kCopy);
  fs::copy_file(bundledContent() / "bgm.mid", content.root() / "bgm.mid",
                fs::copy_options::overwrite_existing);
}

constexpr int kTickMs = 100;              // the auto-advance interval, and the EASY power tick
constexpr int kMaxSteps = 200000;         // far beyond a whole game at 100 ms a step
constexpr float kStrongestDraw = 0.999f;  // a growth of 29 on every power tick

// What the player saw on the way.
struct Playthrough {
  std::vector<std::string> pagesWithBadText;
  int clicks = 0;
  bool reachedTitle = false;
};

// Plays until the title comes back: clicks the text whenever a page waits, and in the wish simulation
// picks the wish each power tick with `choose` (an option index, or -1 to leave it).
template <typename Choose>
Playthrough play(HeadlessGame& game, Choose choose) {
  Playthrough p;
  Fom& fom = game.fom();
  for (int step = 0; step < kMaxSteps; ++step) {
    if (fom.picStt.Visible()) {
      p.reachedTitle = true;
      break;
    }
    if (game.textShown()) {
      const std::string page = game.page();
      if (page.find("\xEF\xBF\xBD") != std::string::npos) p.pagesWithBadText.push_back(page);
      // The player clicks when "▼" asks for it, or when the text stands still without it.
      const bool marked = page.size() >= 3 && page.compare(page.size() - 3, 3, "\xE2\x96\xBC") == 0;
      if (marked || !fom.timSay.Enabled()) {
        game.clickText();
        ++p.clicks;
        continue;
      }
    } else {
      const int option = choose(fom);
      if (option >= 0 && fom.WishTarget != option) game.clickOption(option);
    }
    game.advance(kTickMs);
  }
  return p;
}

// The events of one person, in the order they were started.
std::vector<std::string> eventsOf(const std::vector<std::string>& started, char person) {
  std::vector<std::string> out;
  for (const std::string& s : started)
    if (s.size() == 2 && s[0] == person) out.push_back(s);
  return out;
}

TEST(Content, EasyPlaythroughSeesAllEighteenEventsAndReturnsToTheTitle) {
  TestContent content;
  copyBundledContent(content);
  HeadlessGame game(content);
  game.feedRandom({kStrongestDraw});
  testing::internal::CaptureStderr();
  game.start();
  ASSERT_TRUE(game.fom().picStt.Visible());
  game.pressTitle(1);  // left button: EASY
  // Keep the leaf strong; otherwise raise her, then him, past the event threshold.
  const Playthrough p = play(game, [](const Fom& fom) {
    if (fom.WishPower[2] < 160) return 2;
    if (fom.EventCount[0] < 9 && fom.WishPower[0] < 230) return 0;
    if (fom.EventCount[1] < 9 && fom.WishPower[1] < 230) return 1;
    return 2;
  });
  const std::string problems = testing::internal::GetCapturedStderr();

  EXPECT_TRUE(p.reachedTitle);
  EXPECT_EQ(problems.find("lanternfall:"), std::string::npos) << problems;
  EXPECT_TRUE(p.pagesWithBadText.empty()) << p.pagesWithBadText.front();
  const auto& started = game.scenariosStarted();
  ASSERT_FALSE(started.empty());
  EXPECT_EQ(started.front(), "opn");
  EXPECT_EQ(started.back(), "end");
  EXPECT_EQ(eventsOf(started, '0'),
            (std::vector<std::string>{"00", "01", "02", "03", "04", "05", "06", "07", "08"}));
  EXPECT_EQ(eventsOf(started, '1'),
            (std::vector<std::string>{"10", "11", "12", "13", "14", "15", "16", "17", "18"}));
  EXPECT_EQ(std::count(started.begin(), started.end(), "badend"), 0);
  // Back on the title the wish simulation stands still; the auto-advance, which the final click switched on
  // again, ticks without effect.
  EXPECT_FALSE(game.fom().TimDay.Enabled());
  EXPECT_FALSE(game.fom().timColor.Enabled());
  game.advance(5000);
  EXPECT_TRUE(game.fom().picStt.Visible());
  EXPECT_EQ(game.scenariosStarted().back(), "end");
  std::printf("EASY playthrough: %zu scenarios, %d clicks, the day label at %s\n", started.size(), p.clicks,
              game.fom().lblDay.Caption().c_str());
}

TEST(Content, HardPlaythroughWithoutWishesEndsSadlyAndReturnsToTheTitle) {
  TestContent content;
  copyBundledContent(content);
  HeadlessGame game(content);
  game.feedRandom({kStrongestDraw});
  testing::internal::CaptureStderr();
  game.start();
  game.pressTitle(2);  // right button: HARD
  // Only the leaf is ever wished for: no event can start, and the day limit brings the sad ending.
  const Playthrough p = play(game, [](const Fom&) { return 2; });
  const std::string problems = testing::internal::GetCapturedStderr();

  EXPECT_TRUE(p.reachedTitle);
  EXPECT_EQ(problems.find("lanternfall:"), std::string::npos) << problems;
  EXPECT_TRUE(p.pagesWithBadText.empty()) << p.pagesWithBadText.front();
  EXPECT_EQ(game.scenariosStarted(), (std::vector<std::string>{"opn", "badend"}));
  EXPECT_EQ(game.fom().lblDay.Caption(), "31");
}

}  // namespace
