// The wish simulation as the player meets it: the title and its two difficulties, the powers and their
// displays, the day clock with its events and endings, and whole games played by a scripted player.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/fom.h"
#include "platform/runtime/control.h"
#include "tests/support/game_harness.h"
#include "tests/support/test_seed.h"

using testing_support::HeadlessGame;
using testing_support::TestContent;

namespace {

constexpr int16_t kLeft = 1, kRight = 2, kMiddle = 4;

// Every scenario waits for one click on its one line, so the tests always know where the game stands.
void writeStory(TestContent& content) {
  content.picture("ttl", "sim_title");
  content.picture("scene", "sim_scene");
  content.scenario("opn", {">img scene", "opening", "tugi"});
  for (const char* person : {"0", "1"}) {
    for (int n = 0; n < 9; ++n) {
      const std::string name = person + std::to_string(n);
      content.scenario(name, {"event " + name, "tugi"});
    }
  }
  content.scenario("end", {"good end", ">end"});
  content.scenario("badend", {"bad end", ">end"});
}

bool near(uint32_t argb, int r, int g, int b) {
  return std::abs(static_cast<int>((argb >> 16) & 255) - r) <= 8 &&
         std::abs(static_cast<int>((argb >> 8) & 255) - g) <= 8 &&
         std::abs(static_cast<int>(argb & 255) - b) <= 8;
}

uint32_t centreOf(const platform::PictureBox& box) {
  const platform::Image& img = box.retained();
  return img.empty() ? 0 : img.at(img.width / 2, img.height / 2);
}

class SimGame : public ::testing::Test {
 protected:
  void SetUp() override {
    writeStory(content);
    game = std::make_unique<HeadlessGame>(content);
    game->feedRandom({0.0f});
    game->start();
  }
  Fom& fom() { return game->fom(); }
  bool inWishMode() { return !game->textShown() && fom().TimDay.Enabled() && fom().timColor.Enabled(); }
  // From the title through the opening (one click) into the wish simulation.
  void playOpening(int16_t button) {
    game->pressTitle(button);
    game->clickText();
    ASSERT_TRUE(inWishMode());
  }
  void setPowers(int her, int him, int leaf) {
    fom().WishPower[0] = static_cast<uint8_t>(her);
    fom().WishPower[1] = static_cast<uint8_t>(him);
    fom().WishPower[2] = static_cast<uint8_t>(leaf);
  }
  std::string lastScenario() {
    return game->scenariosStarted().empty() ? "" : game->scenariosStarted().back();
  }

  TestContent content;
  std::unique_ptr<HeadlessGame> game;
};

class TitleScreen : public SimGame {};
class WishPower : public SimGame {};
class DayClock : public SimGame {};
class DayClockInvalid : public SimGame {};
class FullGame : public SimGame {};

}  // namespace

// ---- Title screen and difficulty ----

TEST_F(TitleScreen, ShowsItsPictureWithTheGameStopped) {
  EXPECT_TRUE(fom().picStt.Visible());
  EXPECT_TRUE(near(centreOf(fom().picStt), 200, 120, 40));
  EXPECT_FALSE(fom().timSay.Enabled() || fom().TimDay.Enabled() || fom().timColor.Enabled());
  // Coming back to the title stops every game timer at once, whichever were running.
  fom().timSay.setEnabled(true);
  fom().TimDay.setEnabled(true);
  fom().timColor.setEnabled(true);
  fom().ShowTitle();
  EXPECT_FALSE(fom().timSay.Enabled() || fom().TimDay.Enabled() || fom().timColor.Enabled());
  EXPECT_TRUE(fom().BgmTim.Enabled());
}

TEST(Difficulty, ButtonChoosesThePresets) {
  struct Case {
    int16_t button;
    int dayLimit, dayMs, powerMs, drain;
  };
  for (const Case c :
       {Case{kLeft, 100, 3000, 100, 3}, Case{kMiddle, 100, 3000, 100, 3}, Case{kRight, 31, 1000, 1, 5}}) {
    SCOPED_TRACE(c.button);
    TestContent content;
    writeStory(content);
    HeadlessGame game(content);
    game.start();
    Fom& fom = game.fom();
    // Shift state and position play no part.
    fom.picStt.onMouseDown(c.button, 3, 17.5f, 230.0f);
    EXPECT_EQ(fom.DayLimit, c.dayLimit);
    EXPECT_EQ(fom.TimDay.Interval(), c.dayMs);
    EXPECT_EQ(fom.timColor.Interval(), c.powerMs);
    EXPECT_EQ(fom.DrainStep, c.drain);
    EXPECT_EQ(fom.lblDay.ToolTipText(), "経過日数です／" + std::to_string(c.dayLimit) + "でゲーム終了です");
    EXPECT_EQ(fom.lblDay.Caption(), "1");
    EXPECT_FALSE(fom.picStt.Visible());
    // The opening runs with the wish timers still off; they start when it hands over.
    EXPECT_EQ(game.scenariosStarted(), std::vector<std::string>{"opn"});
    EXPECT_EQ(game.page(), "\nopening▼");
    EXPECT_FALSE(fom.TimDay.Enabled() || fom.timColor.Enabled());
  }
}

TEST_F(TitleScreen, SecondGameKeepsOnlyTheLeafAndWishesForItFirst) {
  playOpening(kRight);
  game->clickOption(0);  // the player wishes for her, then the game ends with the leaf at 40
  fom().lblDay.setCaption("30");
  fom().EventCount[0] = 3;
  fom().EventCount[1] = 4;
  setPowers(230, 210, 50);
  fom().TimDay_Timer();
  ASSERT_EQ(lastScenario(), "badend");
  game->clickText();
  ASSERT_TRUE(fom().picStt.Visible());
  // The title is painted afresh from its file, although the scene picture was the last one loaded.
  EXPECT_TRUE(near(centreOf(fom().picStt), 200, 120, 40));

  game->pressTitle(kLeft);
  EXPECT_EQ(fom().WishPower[0], 0);
  EXPECT_EQ(fom().WishPower[1], 0);
  EXPECT_EQ(fom().WishPower[2], 40);
  EXPECT_EQ(fom().EventCount[0], 0);
  EXPECT_EQ(fom().EventCount[1], 0);
  EXPECT_EQ(fom().lblDay.Caption(), "1");
  EXPECT_EQ(fom().lblStr.Caption(), "");
  EXPECT_EQ(fom().picStr.BackColor(), platform::rgb(0, 0, 0));

  // Her option is still the one shown, yet the growth goes to the leaf: 40 + 15 - 3.
  game->clickText();
  ASSERT_TRUE(inWishMode());
  EXPECT_TRUE(fom().optChar[0].Value());
  game->feedRandom({0.5f});
  game->advance(100);
  EXPECT_EQ(fom().lblStr.Caption(), "0/0/52");
}

TEST(TitleScreenInvalid, MissingOrBrokenTitlePictureStillStartsTheGame) {
  for (const bool broken : {false, true}) {
    SCOPED_TRACE(broken ? "undecodable" : "missing");
    TestContent content;
    writeStory(content);
    content.remove("img/ttl.jpg");
    if (broken) content.rawPicture("ttl", "\xff\xd8\xff\xe0 not a picture");
    HeadlessGame game(content);
    testing::internal::CaptureStderr();
    game.start();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("ttl.jpg"), std::string::npos) << err;
    EXPECT_TRUE(game.fom().picStt.Visible());
    EXPECT_TRUE(game.fom().picStt.retained().empty());

    game.pressTitle(kLeft);
    game.clickText();
    game.fom().lblDay.setCaption("99");
    game.fom().TimDay_Timer();
    game.clickText();  // the bad end returns to the title
    ASSERT_TRUE(game.fom().picStt.Visible());
    // The buffer keeps the last scene picture, and the title area shows that rather than nothing.
    EXPECT_TRUE(near(centreOf(game.fom().picStt), 30, 140, 160));
    EXPECT_EQ(game.scenariosStarted(), (std::vector<std::string>{"opn", "badend"}));
  }
}

// ---- Wish powers ----

TEST_F(WishPower, ClampsToAByte) {
  struct Case {
    int start, amount, stored;
  };
  for (const Case c : {Case{250, 29, 255}, Case{200, 55, 255}, Case{254, 0, 254}, Case{3, -6, 0},
                       Case{6, -6, 0}, Case{7, -6, 1}, Case{0, 0, 0}}) {
    for (uint8_t index = 0; index < 3; ++index) {
      SCOPED_TRACE(std::to_string(c.start) + " + " + std::to_string(c.amount) + " at " +
                   std::to_string(index));
      setPowers(0, 0, 0);
      fom().WishPower[index] = static_cast<uint8_t>(c.start);
      fom().ApplyWishDelta(index, static_cast<int16_t>(c.amount));
      EXPECT_EQ(fom().WishPower[index], c.stored);
      std::string expect[3] = {"0", "0", "0"};
      expect[index] = std::to_string(c.stored);
      EXPECT_EQ(fom().lblStr.Caption(), expect[0] + "/" + expect[1] + "/" + expect[2]);
    }
  }
}

TEST_F(WishPower, ShowsAsNumbersAndColour) {
  struct Case {
    int her, him, leaf;
    const char* text;
    platform::Color colour;
  };
  for (const Case c :
       {Case{120, 0, 35, "120/0/35", platform::rgb(120, 35, 0)}, Case{255, 0, 0, "255/0/0", 0x0000ff},
        Case{0, 255, 0, "0/255/0", 0xff0000}, Case{0, 0, 255, "0/0/255", 0x00ff00},
        Case{255, 255, 255, "255/255/255", 0xffffff}, Case{0, 0, 0, "0/0/0", 0}}) {
    SCOPED_TRACE(c.text);
    setPowers(c.her, c.him, c.leaf);
    // Refreshed on every call, also when nothing changed.
    fom().lblStr.setCaption("stale");
    fom().picStr.setBackColor(platform::rgb(1, 2, 3));
    fom().ApplyWishDelta(1, 0);
    EXPECT_EQ(fom().lblStr.Caption(), c.text);
    EXPECT_EQ(fom().picStr.BackColor(), c.colour);
  }
}

TEST_F(WishPower, TickFeedsTheTargetThenDrainsEachOnItsOwn) {
  struct Case {
    int16_t button;
    int tickMs;
    const char* afterTick;
  };
  // Target him, growth int(0.5 × 30) = 15; EASY drains 6/6/3, HARD 10/10/5 (the 1 ms timer ticks at 10).
  for (const Case c : {Case{kLeft, 100, "94/109/97"}, Case{kRight, 10, "90/105/95"}}) {
    SCOPED_TRACE(c.button);
    playOpening(c.button);
    game->clickOption(1);
    setPowers(100, 100, 100);
    game->feedRandom({0.5f});
    game->advance(c.tickMs - 1);
    EXPECT_EQ(fom().WishPower[1], 100);
    game->advance(1);
    EXPECT_EQ(fom().lblStr.Caption(), c.afterTick);
    EXPECT_EQ(fom().picStr.BackColor(),
              platform::rgb(fom().WishPower[0], fom().WishPower[2], fom().WishPower[1]));
    fom().lblDay.setCaption("99");  // end this game so the next case starts from the title
    fom().TimDay_Timer();
    game->clickText();
  }

  // Growth before decay: her at 220 drawing just under 1 grows by 29 (never 30), then loses 6.
  playOpening(kLeft);
  game->clickOption(0);
  setPowers(220, 0, 0);
  game->feedRandom({0.99999994f});
  game->advance(100);
  EXPECT_EQ(fom().lblStr.Caption(), "243/0/0");
  setPowers(250, 0, 0);
  game->advance(100);
  EXPECT_EQ(fom().WishPower[0], 249);
}

// ---- Day clock, events and endings ----

TEST_F(DayClock, WithoutEventsTheLimitDayPlaysTheBadEnd) {
  struct Case {
    int16_t button;
    int dayMs;
    int limit;
  };
  for (const Case c : {Case{kLeft, 3000, 100}, Case{kRight, 1000, 31}}) {
    SCOPED_TRACE(c.limit);
    const size_t before = game->scenariosStarted().size();
    playOpening(c.button);
    EXPECT_EQ(fom().lblDay.Caption(), "1");
    game->advance(int64_t{c.dayMs} * (c.limit - 2));
    EXPECT_EQ(fom().lblDay.Caption(), std::to_string(c.limit - 1));
    EXPECT_TRUE(inWishMode());
    game->advance(c.dayMs);
    EXPECT_EQ(fom().lblDay.Caption(), std::to_string(c.limit));
    EXPECT_EQ(game->scenariosStarted().size(), before + 2);
    EXPECT_EQ(lastScenario(), "badend");
    EXPECT_FALSE(fom().TimDay.Enabled() || fom().timColor.Enabled());
    game->clickText();
    ASSERT_TRUE(fom().picStt.Visible());
  }
}

TEST_F(DayClock, EventNeedsLeafHundredAfterTheDaysDecayAndPower205) {
  playOpening(kLeft);
  struct Case {
    int her, leaf;
    bool starts;
  };
  for (const Case c :
       {Case{255, 109, false}, Case{204, 255, false}, Case{255, 110, true}, Case{205, 110, true}}) {
    SCOPED_TRACE(std::to_string(c.her) + " with leaf " + std::to_string(c.leaf));
    const size_t before = game->scenariosStarted().size();
    const uint8_t count = fom().EventCount[0];
    setPowers(c.her, 0, c.leaf);
    fom().TimDay_Timer();
    EXPECT_EQ(fom().WishPower[2], c.leaf - 10);
    EXPECT_EQ(game->scenariosStarted().size(), before + (c.starts ? 1 : 0));
    EXPECT_EQ(fom().EventCount[0], count + (c.starts ? 1 : 0));
    if (c.starts) {
      EXPECT_EQ(lastScenario(), "0" + std::to_string(count));
      EXPECT_FALSE(fom().TimDay.Enabled());
      game->clickText();  // back to the wish simulation, the powers as they were
      EXPECT_EQ(fom().WishPower[0], c.her);
    }
    ASSERT_TRUE(inWishMode());
  }
}

TEST_F(DayClock, OneEventADayHerFirstThenHimThenTheEnding) {
  playOpening(kLeft);
  setPowers(255, 255, 255);
  fom().TimDay_Timer();
  EXPECT_EQ(lastScenario(), "00");
  EXPECT_EQ(fom().EventCount[0], 1);
  EXPECT_EQ(fom().EventCount[1], 0);
  game->clickText();

  // Her ninth seen: her power no longer matters, and his last event is "18".
  fom().EventCount[0] = 9;
  fom().EventCount[1] = 8;
  fom().TimDay_Timer();
  EXPECT_EQ(lastScenario(), "18");
  EXPECT_EQ(fom().EventCount[1], 9);
  game->clickText();

  // All eighteen seen: the next day plays the good ending, whatever the day.
  EXPECT_EQ(fom().lblDay.Caption(), "3");
  fom().TimDay_Timer();
  EXPECT_EQ(lastScenario(), "end");
  EXPECT_EQ(game->scenariosStarted(), (std::vector<std::string>{"opn", "00", "18", "end"}));
}

TEST_F(DayClock, TheLimitDayPlaysTheEndingAndNoEvent) {
  struct Case {
    int her, him;
    const char* ending;
  };
  for (const Case c : {Case{0, 0, "badend"}, Case{9, 8, "badend"}, Case{8, 9, "badend"}, Case{9, 9, "end"}}) {
    SCOPED_TRACE(c.ending);
    playOpening(kRight);
    fom().lblDay.setCaption("30");
    fom().EventCount[0] = static_cast<uint8_t>(c.her);
    fom().EventCount[1] = static_cast<uint8_t>(c.him);
    setPowers(255, 255, 255);  // an event would be due
    fom().TimDay_Timer();
    EXPECT_EQ(fom().lblDay.Caption(), "31");
    EXPECT_EQ(lastScenario(), c.ending);
    EXPECT_EQ(fom().EventCount[0], c.her);
    EXPECT_EQ(fom().EventCount[1], c.him);
    game->clickText();
    ASSERT_TRUE(fom().picStt.Visible());
  }
}

TEST_F(DayClockInvalid, DayLabelThatHoldsNoNumberRestartsTheCount) {
  playOpening(kLeft);
  fom().lblDay.setCaption("彼女");
  testing::internal::CaptureStderr();
  fom().TimDay_Timer();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("彼女"), std::string::npos) << err;
  EXPECT_EQ(fom().lblDay.Caption(), "1");
  EXPECT_TRUE(inWishMode());
  game->advance(3000);
  EXPECT_EQ(fom().lblDay.Caption(), "2");
}

// ---- Whole games ----

// A player who reads the numbers and keeps the leaf strong while wishing for whoever's story comes
// next, clicking through every scene.
TEST_F(FullGame, ScriptedPlayerSeesAllEighteenEventsThenPlaysAgain) {
  std::mt19937 rng(testing_support::testSeed());
  std::uniform_real_distribution<float> draw(0.6f, 1.0f);
  std::vector<float> draws(20000);
  for (float& d : draws) d = draw(rng);
  game->feedRandom(draws);

  game->pressTitle(kLeft);
  int64_t elapsedMs = 0;
  while (!fom().picStt.Visible() && elapsedMs < 400000) {
    if (game->textShown()) {
      game->clickText();
    } else {
      // Until the first power tick of a game the numbers are not shown yet: all count as 0.
      unsigned her = 0, him = 0, leaf = 0;
      if (std::sscanf(fom().lblStr.Caption().c_str(), "%u/%u/%u", &her, &him, &leaf) != 3)
        her = him = leaf = 0;
      int seen = 0;
      for (const std::string& s : game->scenariosStarted()) seen += s.size() == 2 ? 1 : 0;
      const int person = seen < 9 ? 0 : 1;
      const unsigned power = person == 0 ? her : him;
      game->clickOption(leaf < 180 || power >= 230 ? 2 : person);
    }
    game->advance(100);
    elapsedMs += 100;
  }
  std::vector<std::string> expect{"opn"};
  for (int n = 0; n < 9; ++n) expect.push_back("0" + std::to_string(n));
  for (int n = 0; n < 9; ++n) expect.push_back("1" + std::to_string(n));
  expect.push_back("end");
  ASSERT_EQ(game->scenariosStarted(), expect);
  EXPECT_LT(std::stoi(fom().lblDay.Caption()), 100);

  // A second game in HARD, left alone: the leaf it inherits fades and day 31 brings the bad end.
  const uint8_t leaf = fom().WishPower[2];
  game->pressTitle(kRight);
  EXPECT_EQ(fom().WishPower[2], leaf);
  game->clickText();
  game->advance(30000);
  expect.push_back("opn");
  expect.push_back("badend");
  EXPECT_EQ(game->scenariosStarted(), expect);
  game->clickText();
  EXPECT_TRUE(fom().picStt.Visible());
}
