// The reading comforts: the page history as a record, the history over a game that stands still
// meanwhile, and fast-forward while Ctrl is held, all driven through the input rules on the manual clock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/media/music_mute.h"
#include "platform/runtime/input.h"
#include "platform/runtime/speech.h"
#include "support/game_harness.h"
#include "ui/page_history.h"

using platform::InputEvent;
using ui::PageHistory;

TEST(PageHistory, KeepsEachPageAsItTurnedAndTheGrowingPageLast) {
  PageHistory h;
  h.noteShown("");
  EXPECT_EQ(h.size(), 0u);
  h.noteShown("\r\none");
  h.noteShown("\r\none\r\ntwo▼");
  h.noteShown("\r\nthree");  // after the mark the next page starts afresh
  ASSERT_EQ(h.size(), 2u);
  EXPECT_EQ(h.page(0), "\r\none\r\ntwo") << "the mark that waited for a click is not part of the page";
  EXPECT_EQ(h.page(1), "\r\nthree");
  EXPECT_TRUE(h.hasGrowingPage());
  h.noteShown("");  // ">p", or the end of the scenario
  EXPECT_FALSE(h.hasGrowingPage());
  EXPECT_EQ(h.size(), 2u);
  EXPECT_EQ(h.page(1), "\r\nthree");
  h.clear();
  EXPECT_EQ(h.size(), 0u);
}

TEST(PageHistory, KeepsTheLastPagesAndBoundsTheirRows) {
  PageHistory h;
  for (size_t i = 0; i < PageHistory::kMaxPages + 50; ++i) {
    h.noteShown("\r\npage " + std::to_string(i) + "▼");
  }
  h.noteShown("");
  ASSERT_EQ(h.size(), PageHistory::kMaxPages);
  EXPECT_EQ(h.page(0), "\r\npage 50");

  std::string huge;
  for (int row = 0; row < 40; ++row) huge += "\r\n" + std::string(1000, 'x');
  h.noteShown(huge);
  const std::string kept = h.page(h.size() - 1);
  EXPECT_EQ(kept.find("\r\n" + std::string(PageHistory::kMaxRowChars + 1, 'x')), std::string::npos);
  size_t rows = 1;
  for (size_t at = kept.find("\r\n"); at != std::string::npos; at = kept.find("\r\n", at + 2)) ++rows;
  EXPECT_EQ(rows, PageHistory::kMaxRows);
}

namespace {

class Reading : public ::testing::Test {
 protected:
  void SetUp() override { content.picture("ttl", "sim_title"); }
  void start(const std::vector<std::string>& opening) {
    content.scenario("opn", opening);
    game.start();
    game.pressTitle(platform::kLeftButton);  // EASY: a day is 3 s
  }
  void send(InputEvent e) {
    e.timeMs = game.loop().nowMs();
    input.handle(e);
  }
  void key(int16_t code, bool down = true) {
    InputEvent e;
    e.type = down ? InputEvent::Type::KeyDown : InputEvent::Type::KeyUp;
    e.keyCode = code;
    send(e);
  }
  // A pointer event over the middle of a control.
  void at(InputEvent::Type type, const platform::Control& c, int16_t button = platform::kLeftButton,
          int16_t wheel = 0) {
    const platform::RectF r = c.windowRect();
    InputEvent e;
    e.type = type;
    e.button = button;
    e.wheelSteps = wheel;
    e.x = r.x + r.w / 2;
    e.y = r.y + r.h / 2;
    send(e);
  }
  void click(const platform::Control& c, int16_t button = platform::kLeftButton) {
    at(InputEvent::Type::PointerDown, c, button);
    at(InputEvent::Type::PointerUp, c, button);
  }
  std::string shownHistory() const { return fom().HistoryOpen() ? fom().histLbl[2].Caption() : "(closed)"; }
  Fom& fom() const { return game.fom(); }

  testing_support::TestContent content;
  mutable testing_support::HeadlessGame game{content};
  platform::Input input{game.fom().Me};
};

}  // namespace

TEST_F(Reading, TheHistoryHoldsTheTextAndClosingNeitherSwallowsNorAddsAStep) {
  start({"p1a", "p1b", ">p", "p2a", "p2b", "p2c", "p2d", "tugi"});
  game.advance(100);
  ASSERT_EQ(game.page(), "\np1a\np1b▼");
  click(fom().lbl[2]);
  ASSERT_EQ(game.page(), "\np2a");

  at(InputEvent::Type::Wheel, fom().Pic, 0, 1);
  EXPECT_EQ(shownHistory(), "\r\np1a\r\np1b") << "it opens on the page before the one on screen";
  EXPECT_EQ(fom().histPos.Caption(), "履歴 1／2");
  EXPECT_FALSE(fom().lbl[2].Visible()) << "the page on screen does not show through the history";
  game.advance(5000);
  click(fom().lbl[2]);  // lands on the history, not on the text
  key(platform::kKeySpace);
  EXPECT_EQ(game.page(), "\np2a");
  key(platform::kKeyDown);
  EXPECT_EQ(shownHistory(), "\r\np2a") << "the growing page is the newest";
  key(platform::kKeyEscape);
  EXPECT_FALSE(fom().HistoryOpen());
  EXPECT_TRUE(game.textShown());
  EXPECT_EQ(game.page(), "\np2a");
  game.advance(99);
  EXPECT_EQ(game.page(), "\np2a") << "the tick keeps the time it had left, no more and no less";
  game.advance(1);
  EXPECT_EQ(game.page(), "\np2a\np2b");

  key(platform::kKeyPageUp);
  ASSERT_TRUE(fom().HistoryOpen());
  click(fom().Pic, platform::kRightButton);  // closes; its release clicks nothing
  EXPECT_FALSE(fom().HistoryOpen());
  EXPECT_EQ(game.page(), "\np2a\np2b");
  key(platform::kKeyPageUp);
  at(InputEvent::Type::Wheel, fom().Pic, 0, -1);
  at(InputEvent::Type::Wheel, fom().Pic, 0, -1);  // past the newest page
  EXPECT_FALSE(fom().HistoryOpen());
  key(platform::kKeyReturn);
  EXPECT_EQ(game.page(), "\np2a\np2b\np2c") << "the next click after closing steps exactly once";
}

TEST_F(Reading, TheWishSimulationStandsStillUnderTheHistory) {
  start({"only page", "tugi"});
  click(fom().lbl[2]);
  ASSERT_FALSE(game.textShown());
  game.advance(2000);  // the first day ends 1 s after this
  const std::string powers = fom().lblStr.Caption();
  key(platform::kKeyPageUp);
  EXPECT_EQ(shownHistory(), "\r\nonly page");
  game.advance(10000);
  key('1');
  key(platform::kKeyUp);  // the history's own key: the option group does not move
  click(fom().optChar[0]);
  EXPECT_EQ(fom().lblDay.Caption(), "1");
  EXPECT_EQ(fom().lblStr.Caption(), powers);
  EXPECT_EQ(fom().WishTarget, 2) << "neither the keys nor the button reached the options";
  key(platform::kKeyReturn);
  EXPECT_FALSE(game.textShown()) << "the labels stay hidden in the wish simulation";
  game.advance(999);
  EXPECT_EQ(fom().lblDay.Caption(), "1");
  game.advance(1);
  EXPECT_EQ(fom().lblDay.Caption(), "2");
}

TEST_F(Reading, TheHistorySpeaksThePageInViewWhileVoicingIsOn) {
  struct Heard : platform::SpeechSink {
    std::vector<std::string> said;
    void say(std::string_view utf8, bool interrupt) override {
      said.push_back(std::string(utf8) + (interrupt ? " (at once)" : ""));
    }
    void silence() override {}
  } heard;
  start({"one", ">p", "two", ">p", "three", "tugi"});
  click(fom().lbl[2]);
  game.advance(1000);  // not a double click
  click(fom().lbl[2]);
  ASSERT_EQ(game.page(), "\nthree▼");
  platform::setSpeechSink(&heard);
  fom().Voicing = true;
  key(platform::kKeyPageUp);
  key(platform::kKeyUp);
  key(platform::kKeyUp);  // already the oldest page: nothing new to say
  platform::setSpeechSink(nullptr);
  EXPECT_EQ(heard.said, (std::vector<std::string>{"\r\ntwo (at once)", "\r\none (at once)"}));
}

TEST_F(Reading, ANewGameStartedUnderTheHistoryClosesItAndForgetsThePages) {
  start({"one", ">p", "two", "tugi"});
  key(platform::kKeyPageUp);
  ASSERT_TRUE(fom().HistoryOpen());
  fom().SetUpGame(platform::kLeftButton);  // as the preview plays a scenario again
  EXPECT_FALSE(fom().HistoryOpen());
  EXPECT_FALSE(fom().histShade.Visible());
  EXPECT_EQ(fom().History.size(), 0u);
  EXPECT_FALSE(fom().timSay.held());
  EXPECT_FALSE(fom().TimDay.held());
  EXPECT_FALSE(fom().timColor.held());
}

TEST_F(Reading, TheHistoryIsNotOnTheTitle) {
  content.scenario("opn", {"text", "tugi"});
  game.start();
  key(platform::kKeyPageUp);
  at(InputEvent::Type::Wheel, fom().picStt, 0, 1);
  EXPECT_FALSE(fom().HistoryOpen());
  EXPECT_FALSE(fom().histShade.Visible());
}

TEST_F(Reading, CtrlHeldClicksEachTickAndWaitsAtTheEnd) {
  start({"a", "b", ">p", "c", "d", ">p", "e", "tugi"});
  game.advance(100);
  ASSERT_EQ(game.page(), "\na\nb▼");
  key(platform::kKeyControl);
  key(platform::kKeyControl);  // the held key repeats
  game.advance(100);
  EXPECT_EQ(game.page(), "\nc") << "a page waiting for a click turns after one interval";
  game.advance(100);
  EXPECT_EQ(game.page(), "\nc\nd▼");
  game.advance(100);
  EXPECT_EQ(game.page(), "\ne▼");
  game.advance(3000);
  EXPECT_TRUE(game.textShown()) << "the end command waits for a real click";
  EXPECT_EQ(game.page(), "\ne▼");
  key(platform::kKeyControl, false);
  EXPECT_EQ(fom().History.size(), 3u) << "every page was shown on the way";
  game.clickText();
  EXPECT_FALSE(game.textShown());
}

TEST_F(Reading, LettingCtrlGoBeforeATickLeavesThePageWaiting) {
  start({"a", "b", ">p", "c", "tugi"});
  game.advance(100);
  ASSERT_EQ(game.page(), "\na\nb▼");
  key(platform::kPadRightTrigger);
  game.advance(50);
  key(platform::kPadRightTrigger, false);
  game.advance(1000);
  EXPECT_EQ(game.page(), "\na\nb▼");
}

// The switches act once per press, however long the keyboard repeats a held key, and over the history too.
TEST_F(Reading, MutingOverTheHistoryFlipsOncePerPressHoweverLongTheKeyIsHeld) {
  start({"a", "b", "tugi"});
  key(platform::kKeyPageUp);
  ASSERT_TRUE(fom().HistoryOpen());
  const bool before = platform::musicMuted();
  InputEvent m;
  m.type = InputEvent::Type::KeyDown;
  m.keyCode = 'M';
  send(m);
  m.repeat = true;
  for (int i = 0; i < 3; ++i) send(m);  // four flicks would leave it as it was
  EXPECT_NE(platform::musicMuted(), before);
  EXPECT_TRUE(fom().lblMute.Visible());
  key('M');
  EXPECT_EQ(platform::musicMuted(), before);
  EXPECT_TRUE(fom().HistoryOpen()) << "M is no key of the history's";
}

TEST_F(Reading, EnterHeldOnAfterClosingTheHistoryDoesNotStepTheText) {
  start({"a", "b", ">p", "c", "tugi"});
  game.advance(100);
  key(platform::kKeyPageUp);
  InputEvent enter;
  enter.type = InputEvent::Type::KeyDown;
  enter.keyCode = platform::kKeyReturn;
  send(enter);
  ASSERT_FALSE(fom().HistoryOpen());
  enter.repeat = true;
  send(enter);
  EXPECT_EQ(game.page(), "\na\nb▼");
  enter.repeat = false;
  send(enter);  // pressed again
  EXPECT_EQ(game.page(), "\nc▼");
}
