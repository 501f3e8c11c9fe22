// The input rules on the manual clock, without any window system: presses reach the topmost visible
// control, a press and a release on one control make a click, presses pair into double clicks only on one
// control within the 4 × 4 box and the double-click time, handlers see the old button numbers, tooltips
// come after the hover delay; keys reach the form first, move a focused option group and toggle fullscreen.
// Then the game's own keys through the same rules.
#include "platform/runtime/input.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/runtime/event_loop.h"
#include "platform/runtime/form.h"
#include "platform/runtime/label.h"
#include "platform/runtime/option_button.h"
#include "platform/runtime/picture_box.h"
#include "platform/runtime/shade.h"
#include "support/game_harness.h"

namespace {

using namespace platform;
using Type = InputEvent::Type;

struct MouseDown {
  int16_t button, shift;
  float x, y;
};

class InputRules : public ::testing::Test {
 protected:
  void SetUp() override {
    // All in window pixels: the Form's scale stays pixels, so Move takes pixels.
    pic.Move(0, 0, 300, 200);
    pic.onMouseDown = [this](int16_t b, int16_t s, float x, float y) { downs.push_back({b, s, x, y}); };
    for (Label* l : {&lbl0, &lbl1}) {
      l->Move(0, 0, 300, 200);
      l->setBackStyleOpaque(false);
      l->onClick = [this](int16_t index) { clicks.push_back(index); };
    }
    opt0.Move(400, 0, 100, 30);
    opt1.Move(400, 40, 100, 30);
    opt2.Move(400, 80, 100, 30);
    opt1.setValue(true);
    for (OptionButton* o : {&opt0, &opt1, &opt2}) {
      o->onClick = [this](int16_t i) { optionClicks.push_back(i); };
    }
  }

  void send(Type type, int16_t button, float x, float y, int16_t shift = 0) {
    InputEvent e;
    e.type = type;
    e.button = button;
    e.x = x;
    e.y = y;
    e.shift = shift;
    e.timeMs = clock.nowMs();
    input.handle(e);
  }
  void click(float x, float y, int16_t button = kLeftButton) {
    send(Type::PointerDown, button, x, y);
    send(Type::PointerUp, button, x, y);
  }
  void key(int16_t code, int16_t shift = 0, bool repeat = false) {
    InputEvent e;
    e.type = Type::KeyDown;
    e.keyCode = code;
    e.shift = shift;
    e.repeat = repeat;
    e.timeMs = clock.nowMs();
    input.handle(e);
  }
  void wait(int64_t ms) { clock.set(clock.nowMs() + ms); }

  ManualClock clock;
  Form form{"fom"};
  PictureBox pic{&form, "Pic"};
  Label lbl0{&pic, "lbl", 0};
  Label lbl1{&pic, "lbl", 1};
  OptionButton opt0{&form, "optChar", 0};
  OptionButton opt1{&form, "optChar", 1};
  OptionButton opt2{&form, "optChar", 2};
  Input input{form};
  std::vector<MouseDown> downs;
  std::vector<int16_t> clicks;
  std::vector<int16_t> optionClicks;
};

}  // namespace

TEST_F(InputRules, LabelClicksOnReleaseAndADoubleClickStepsOnce) {
  click(50, 50);
  EXPECT_EQ(clicks, (std::vector<int16_t>{1}));  // lbl(1) lies in front
  wait(100);
  click(51, 51);  // the second press of a double click
  EXPECT_EQ(clicks.size(), 1u);
  wait(100);
  click(51, 51);  // a third press is a new click
  EXPECT_EQ(clicks.size(), 2u);
  // Pressed on the label, released outside it: no click.
  wait(1000);
  send(Type::PointerDown, kLeftButton, 50, 50);
  send(Type::PointerUp, kLeftButton, 350, 50);
  EXPECT_EQ(clicks.size(), 2u);
  // Pressed with one button, released with another: no click either.
  wait(1000);
  send(Type::PointerDown, kLeftButton, 50, 50);
  send(Type::PointerUp, kRightButton, 50, 50);
  send(Type::PointerUp, kLeftButton, 350, 50);
  EXPECT_EQ(clicks.size(), 2u);
  EXPECT_TRUE(downs.empty()) << "the picture box under the labels hears nothing";
}

TEST_F(InputRules, PressesPairOnlyOnOneControlInsideTheBoxAndTheTime) {
  click(50, 50);
  wait(100);
  click(60, 50);  // 10 px away: a second click, not a double click
  EXPECT_EQ(clicks.size(), 2u);
  wait(100);
  click(61, 51);  // inside the box of the press before: the double click
  EXPECT_EQ(clicks.size(), 2u);
  wait(1000);
  click(50, 50);
  wait(kDoubleClickMs + 1);  // too late to pair
  click(50, 50);
  EXPECT_EQ(clicks.size(), 4u);
  wait(1000);
  click(50, 50);
  wait(100);
  click(50, 52);  // the box is 4 × 4 around the first press: 2 px down is outside
  EXPECT_EQ(clicks.size(), 6u);
  // A press on another control in between breaks the pair.
  wait(1000);
  click(50, 50);
  click(450, 10);
  click(50, 50);
  EXPECT_EQ(clicks.size(), 8u);
  // Another button does not pair with the first.
  wait(1000);
  click(50, 50, kLeftButton);
  click(50, 50, kRightButton);
  EXPECT_EQ(clicks.size(), 10u);
}

TEST_F(InputRules, EveryButtonClicksALabelButOnlyTheLeftOneAnOptionButton) {
  click(50, 50, kRightButton);
  wait(1000);
  click(50, 50, kMiddleButton);
  EXPECT_EQ(clicks.size(), 2u);
  click(450, 10, kRightButton);
  click(450, 10, kMiddleButton);
  send(Type::PointerDown, 0, 450, 10);  // a fourth button means nothing
  send(Type::PointerUp, 0, 450, 10);
  EXPECT_TRUE(optionClicks.empty());
  EXPECT_TRUE(opt1.Value());
}

TEST_F(InputRules, ThePressGoesToTheTopmostVisibleControl) {
  lbl0.ZOrderFront();
  click(10, 10);
  EXPECT_EQ(clicks, (std::vector<int16_t>{0}));
  lbl0.setVisible(false);
  wait(1000);
  click(10, 10);
  EXPECT_EQ(clicks, (std::vector<int16_t>{0, 1}));
  lbl1.setVisible(false);
  wait(1000);
  click(10, 10);
  EXPECT_EQ(clicks.size(), 2u);
  ASSERT_EQ(downs.size(), 1u);  // with the text hidden the picture itself takes the press
  // A hidden parent hides its children from the pointer too.
  lbl1.setVisible(true);
  pic.setVisible(false);
  wait(1000);
  click(10, 10);
  EXPECT_EQ(clicks.size(), 2u);
  EXPECT_EQ(downs.size(), 1u);
  EXPECT_EQ(hitTest(form, 10, 10), &form);
}

TEST_F(InputRules, MouseDownReportsTheButtonShiftAndThePositionInScaleUnits) {
  lbl0.setVisible(false);
  lbl1.setVisible(false);
  pic.Move(40, 30, 200, 100);
  pic.setScale(0, 0, 8, 6);
  send(Type::PointerDown, kRightButton, 140, 80, kShiftMask | kAltMask);
  send(Type::PointerDown, kLeftButton, 40, 30);
  send(Type::PointerDown, kMiddleButton, 239, 129);
  ASSERT_EQ(downs.size(), 3u);
  EXPECT_EQ(downs[0].button, 2);
  EXPECT_EQ(downs[0].shift, 5);
  EXPECT_FLOAT_EQ(downs[0].x, 4.0f);
  EXPECT_FLOAT_EQ(downs[0].y, 3.0f);
  EXPECT_EQ(downs[1].button, 1);
  EXPECT_FLOAT_EQ(downs[1].x, 0.0f);
  EXPECT_EQ(downs[2].button, 4);
  EXPECT_NEAR(downs[2].x, 7.96f, 1e-3);
  // Outside the box the form gets the press, which nobody handles.
  send(Type::PointerDown, kLeftButton, 250, 50);
  EXPECT_EQ(downs.size(), 3u);
}

TEST_F(InputRules, OptionButtonsSelectAndClickEvenWhenAlreadySelected) {
  click(450, 10);
  EXPECT_TRUE(opt0.Value());
  EXPECT_FALSE(opt1.Value());
  wait(100);
  click(450, 10);  // the second press of a double click still clicks an option button
  EXPECT_EQ(optionClicks, (std::vector<int16_t>{0, 0}));
  click(450, 50);
  EXPECT_TRUE(opt1.Value());
  EXPECT_EQ(optionClicks.back(), 1);
}

TEST_F(InputRules, TooltipAppearsAfterTheHoverDelayAndHidesOnMotionAndPress) {
  int changes = 0;
  input.onTooltipChanged = [&] { ++changes; };
  opt0.setToolTipText("願いをかけます。");
  send(Type::PointerMove, 0, 450, 10);
  EXPECT_EQ(input.tooltipDueMs(), clock.nowMs() + kTooltipDelayMs);
  wait(kTooltipDelayMs - 1);
  input.showDueTooltip(clock.nowMs());
  EXPECT_EQ(input.tooltipText(), "") << "shown before the pointer rested";
  wait(1);
  input.showDueTooltip(clock.nowMs());
  EXPECT_EQ(input.tooltipText(), "願いをかけます。");
  EXPECT_FLOAT_EQ(input.tooltipX(), 450);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(input.tooltipDueMs(), -1) << "nothing more to wait for";

  send(Type::PointerMove, 0, 451, 10);
  EXPECT_EQ(input.tooltipText(), "");
  EXPECT_EQ(changes, 2) << "hiding the tooltip must redraw";
  wait(kTooltipDelayMs);
  input.showDueTooltip(clock.nowMs());
  EXPECT_EQ(input.tooltipText(), "願いをかけます。");

  // A press hides it until the pointer moves again.
  send(Type::PointerDown, kLeftButton, 451, 10);
  EXPECT_EQ(input.tooltipText(), "");
  wait(2 * kTooltipDelayMs);
  input.showDueTooltip(clock.nowMs());
  EXPECT_EQ(input.tooltipText(), "");

  // A control without tooltip text shows none; a hidden one loses its tooltip; leaving the window too.
  send(Type::PointerMove, 0, 450, 50);
  EXPECT_EQ(input.tooltipDueMs(), -1);
  send(Type::PointerMove, 0, 450, 10);
  wait(kTooltipDelayMs);
  input.showDueTooltip(clock.nowMs());
  ASSERT_NE(input.tooltipText(), "");
  opt0.setVisible(false);
  EXPECT_EQ(input.tooltipText(), "");
  opt0.setVisible(true);
  send(Type::PointerLeave, 0, 0, 0);
  wait(kTooltipDelayMs);
  input.showDueTooltip(clock.nowMs());
  EXPECT_EQ(input.tooltipText(), "");
}

TEST_F(InputRules, ArrowsMoveTheOptionGroupAndRaiseItsClick) {
  key(kKeyDown);  // from the selected opt1
  EXPECT_TRUE(opt2.Value());
  key(kKeyDown);  // wraps around
  EXPECT_TRUE(opt0.Value());
  key(kKeyUp);
  EXPECT_TRUE(opt2.Value());
  key(kKeyLeft);
  EXPECT_TRUE(opt1.Value());
  EXPECT_EQ(optionClicks, (std::vector<int16_t>{2, 0, 2, 1}));
  // A group covered by another control is out of reach, as it is for the pointer.
  PictureBox cover{&form, "picStt"};
  cover.Move(0, 0, 600, 300);
  key(kKeyDown);
  EXPECT_TRUE(opt1.Value());
  EXPECT_EQ(optionClicks.size(), 4u);
}

TEST_F(InputRules, AHandlerThatFailsIsNamedAndInputGoesOn) {
  // Whatever a handler throws, standard or not, stops that handler alone.
  int failures = 0;
  lbl1.onClick = [&](int16_t) {
    ++failures;
    throw std::runtime_error("a broken caption");
  };
  form.onKeyDown = [](int16_t&, int16_t) { throw 7; };
  ::testing::internal::CaptureStderr();
  click(50, 50);
  key('1');
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(failures, 1);
  EXPECT_NE(err.find("click stopped: a broken caption"), std::string::npos) << err;
  EXPECT_NE(err.find("key down stopped"), std::string::npos) << err;
  key(kKeyDown);  // the form's failure does not keep the option group from its key
  EXPECT_EQ(optionClicks, (std::vector<int16_t>{2}));
  wait(1000);
  click(450, 10);
  EXPECT_EQ(optionClicks, (std::vector<int16_t>{2, 0}));
}

TEST_F(InputRules, TheFormSeesKeysFirstAndTheWindowKeysNeverReachIt) {
  std::vector<int16_t> seen;
  form.onKeyDown = [&](int16_t& code, int16_t) {
    seen.push_back(code);
    if (code == kKeyDown) code = 0;  // swallowed: the option group does not move
  };
  key(kKeyDown);
  EXPECT_TRUE(opt1.Value());
  EXPECT_TRUE(optionClicks.empty());

  int resizes = 0;
  form.onResize = [&] { ++resizes; };
  key(kKeyF11);
  EXPECT_TRUE(form.fullscreen());
  key(kKeyF11, 0, true);  // a held F11 does not flicker
  EXPECT_TRUE(form.fullscreen());
  key(kKeyEscape);
  EXPECT_FALSE(form.fullscreen());
  key(kKeyReturn, kAltMask);
  EXPECT_TRUE(form.fullscreen());
  key(kKeyReturn, kAltMask);
  EXPECT_FALSE(form.fullscreen());
  EXPECT_EQ(resizes, 4);
  key(kKeyEscape);  // outside fullscreen Escape is the form's alone
  // Escape reached the form first in fullscreen too, which passed it on to leave fullscreen.
  EXPECT_EQ(seen, (std::vector<int16_t>{kKeyDown, kKeyEscape, kKeyEscape}));

  form.onKeyDown = [](int16_t& code, int16_t) {
    if (code == kKeyEscape) code = 0;  // the form closes something of its own with it
  };
  key(kKeyF11);
  key(kKeyEscape);
  EXPECT_TRUE(form.fullscreen()) << "an Escape the form took does not also leave fullscreen";
}

TEST_F(InputRules, TheWheelReachesTheFormAndAShadeTakesEveryPressItCovers) {
  std::vector<int16_t> turns;
  form.onMouseWheel = [&](int16_t steps, int16_t, float x, float) {
    turns.push_back(steps);
    EXPECT_FLOAT_EQ(x, 50);
  };
  InputEvent wheel;
  wheel.type = Type::Wheel;
  wheel.wheelSteps = 2;
  wheel.x = 50;
  input.handle(wheel);
  wheel.wheelSteps = -1;
  input.handle(wheel);
  EXPECT_EQ(turns, (std::vector<int16_t>{2, -1}));

  Shade shade{&form, "shade"};
  shade.Move(0, 0, 600, 400);
  Label onShade{&shade, "onShade"};
  onShade.Move(0, 0, 300, 200);
  onShade.onClick = [this](int16_t) { clicks.push_back(99); };
  std::vector<int16_t> shadeDowns;
  shade.onMouseDown = [&](int16_t button, int16_t, float, float) { shadeDowns.push_back(button); };
  click(10, 10, kRightButton);  // over the scene's labels and the shade's own label
  click(450, 10);               // over an option button
  EXPECT_EQ(shadeDowns, (std::vector<int16_t>{kRightButton, kLeftButton}));
  EXPECT_TRUE(clicks.empty());
  EXPECT_TRUE(optionClicks.empty());
}

TEST(Fullscreen, TheLayoutSeesTheScreensHeightAndLeavingRestoresTheWindow) {
  Form form{"fom"};
  form.setScreenSizePx(1920, 1080);
  form.onResize = [&] {  // the game's layout in miniature: 4:3, centred
    form.setWindowWidth(static_cast<float>(form.WindowHeight()) * 4 / 3);
    form.setWindowLeft(static_cast<float>(form.ScreenWidth() - form.WindowWidth()) / 2);
    form.setWindowTop(static_cast<float>(form.ScreenHeight() - form.WindowHeight()) / 2);
  };
  form.setFramePx(2, 24, 2, 2);
  form.setWindowHeight(864 * kTwipsPerPixel);
  const int32_t left = form.WindowLeft(), top = form.WindowTop(), width = form.WindowWidth();

  form.setFullscreen(true);
  EXPECT_EQ(form.WindowHeight(), 1080 * kTwipsPerPixel);
  EXPECT_EQ(form.WindowWidth(), 1440 * kTwipsPerPixel);
  EXPECT_EQ(form.WindowLeft(), 240 * kTwipsPerPixel);
  EXPECT_EQ(form.WindowTop(), 0);
  EXPECT_FLOAT_EQ(form.clientHeightPx(), 1080) << "no frame in fullscreen";

  form.setFullscreen(false);
  EXPECT_EQ(form.WindowHeight(), 864 * kTwipsPerPixel);
  EXPECT_EQ(form.WindowWidth(), width);
  EXPECT_EQ(form.WindowLeft(), left);
  EXPECT_EQ(form.WindowTop(), top);
  EXPECT_FLOAT_EQ(form.clientHeightPx(), 864 - 26);
}

// ---- The game's keys ----

namespace {

class GameKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    content.picture("ttl", "sim_title");
    content.scenario("opn", {"one", ">p", "two", ">p", "tugi"});
    game.start();
  }
  void key(int16_t code, bool repeat = false) {
    InputEvent e;
    e.type = Type::KeyDown;
    e.keyCode = code;
    e.repeat = repeat;
    e.timeMs = game.loop().nowMs();
    input.handle(e);
  }

  testing_support::TestContent content;
  testing_support::HeadlessGame game{content};
  Input input{game.fom().Me};
};

}  // namespace

TEST_F(GameKeys, EnterStartsEasyAndSpaceAndEnterAdvanceTheText) {
  key(kKeySpace);  // a left click: EASY
  ASSERT_FALSE(game.fom().picStt.Visible());
  EXPECT_EQ(game.fom().DayLimit, 100);
  EXPECT_EQ(game.page(), "\none▼");
  key(kKeyReturn);
  EXPECT_EQ(game.page(), "\ntwo▼");
  key(kKeyReturn, true);  // held: repeats as clicks would
  EXPECT_FALSE(game.textShown()) << "the opening handed over to the wish simulation";
  // 1, 2, 3 choose her, him, the leaf.
  key('1');
  EXPECT_EQ(game.fom().WishTarget, 0);
  EXPECT_TRUE(game.fom().optChar[0].Value());
  key('3');
  EXPECT_EQ(game.fom().WishTarget, 2);
  key(kKeyUp);  // the option group's own keys
  EXPECT_EQ(game.fom().WishTarget, 1);
  EXPECT_TRUE(game.fom().optChar[1].Value());
}

TEST_F(GameKeys, HStartsHardAndTheNumbersWaitForTheTitleToGo) {
  key('2');  // the option buttons lie under the title
  key(kKeyDown);
  EXPECT_TRUE(game.fom().optChar[2].Value());
  key('H');
  ASSERT_FALSE(game.fom().picStt.Visible());
  EXPECT_EQ(game.fom().DayLimit, 31);
}

TEST_F(GameKeys, ThePadsBIsHardOnTheTitleAndBothFaceButtonsTurnThePage) {
  key(kPadB);
  ASSERT_FALSE(game.fom().picStt.Visible());
  EXPECT_EQ(game.fom().DayLimit, 31);
  EXPECT_EQ(game.page(), "\none▼");
  key(kPadA);
  EXPECT_EQ(game.page(), "\ntwo▼");
  key(kPadB);
  EXPECT_FALSE(game.textShown());
  key(kPadStart);  // the pad's F11
  EXPECT_TRUE(game.fom().Me.fullscreen());
}

TEST_F(GameKeys, MShowsTheMusicsStateForAMomentAndAClickOnItTurnsThePage) {
  key(kKeySpace);
  key('M');
  ASSERT_TRUE(game.fom().lblMute.effectivelyVisible());
  const RectF r = game.fom().lblMute.windowRect();
  InputEvent e;
  e.button = kLeftButton;
  e.x = r.x + r.w / 2;
  e.y = r.y + r.h / 2;
  e.timeMs = game.loop().nowMs();
  for (Type type : {Type::PointerDown, Type::PointerUp}) {
    e.type = type;
    input.handle(e);
  }
  EXPECT_EQ(game.page(), "\ntwo▼");
  key('M');  // the music on again: the state lasts for the whole process
}
