// The real window driven through SDL's dummy video driver: SDL's buttons and keys reach the input rules
// as the old runtime's numbers, fullscreen maps the pointer into the game's window, the close unloads the
// window, tooltips wait on the loop's clock, and frames are drawn only when something changed, at most one
// per display refresh. The first window, made before start-up sizes it, fits screens of any shape.
#include "platform/sdl/window_backend.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/runtime/event_loop.h"
#include "platform/runtime/form.h"
#include "platform/runtime/input.h"
#include "platform/runtime/label.h"
#include "platform/runtime/option_button.h"
#include "platform/runtime/picture_box.h"
#include "platform/runtime/timer.h"
#include "platform/sdl/input_translation.h"
#include "platform/sdl/window_geometry.h"
#include "platform/sdl/window_injection.h"

namespace {

using namespace platform;

struct MouseDown {
  int16_t button, shift;
  float x, y;
};

class WindowBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    loop = EventLoop::manual();
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
    opt1.setValue(true);
    for (OptionButton* o : {&opt0, &opt1}) o->onClick = [this](int16_t i) { optionClicks.push_back(i); };
    std::string error;
    window = std::make_unique<WindowBackend>(form, *loop);
    ASSERT_TRUE(window->open(&error)) << error;
    poster = std::make_unique<WindowInjector>(*window);
    form.Show();
    window->presentIfChanged();
  }

  // Deliver what was posted, as the loop would, then draw. A frame's time passes on the loop's clock
  // first, so that each pump may draw one.
  void pump(int timeoutMs = 0) {
    loop->advance(window->frameIntervalMs());
    window->waitAndDispatch(timeoutMs);
    window->presentIfChanged();
  }

  std::unique_ptr<EventLoop> loop;
  Form form{"fom"};
  PictureBox pic{&form, "Pic"};
  Label lbl0{&pic, "lbl", 0};
  Label lbl1{&pic, "lbl", 1};
  OptionButton opt0{&form, "optChar", 0};
  OptionButton opt1{&form, "optChar", 1};
  std::unique_ptr<WindowBackend> window;
  std::unique_ptr<WindowInjector> poster;
  std::vector<MouseDown> downs;
  std::vector<int16_t> clicks;
  std::vector<int16_t> optionClicks;
};

// The click rules themselves are the input module's (input_test.cpp); here only what SDL hands over.
TEST_F(WindowBackendTest, SdlButtonsAndKeysArriveAsTheOldRuntimesNumbers) {
  lbl0.setVisible(false);
  lbl1.setVisible(false);
  pic.Move(40, 30, 200, 100);
  pic.setScale(0, 0, 8, 6);
  poster->postMouseButton(true, 3, 140, 80);   // SDL's right button
  poster->postMouseButton(true, 2, 239, 129);  // SDL's middle button
  poster->postMouseButton(true, 1, 40, 30);
  pump();
  ASSERT_EQ(downs.size(), 3u);
  EXPECT_EQ(downs[0].button, 2);
  EXPECT_FLOAT_EQ(downs[0].x, 4.0f);
  EXPECT_FLOAT_EQ(downs[0].y, 3.0f);
  EXPECT_EQ(downs[1].button, 4);
  EXPECT_EQ(downs[2].button, 1);

  std::vector<int16_t> keys;
  form.onKeyDown = [&](int16_t& code, int16_t shift) {
    keys.push_back(static_cast<int16_t>(code + 1000 * shift));
  };
  poster->postKey(true, SDLK_RETURN);
  poster->postKey(true, SDLK_KP_ENTER);
  poster->postKey(true, SDLK_SPACE, KMOD_LSHIFT);
  poster->postKey(true, SDLK_h);
  poster->postKey(true, SDLK_2);
  poster->postKey(true, SDLK_F1);
  poster->postKey(true, SDLK_F12);
  poster->postKey(true, SDLK_TAB);  // in no key table of the old runtime's: not passed on
  pump();
  EXPECT_EQ(keys,
            (std::vector<int16_t>{kKeyReturn, kKeyReturn, kKeySpace + 1000, 'H', '2', kKeyF1, kKeyF12}));
}

TEST_F(WindowBackendTest, ARightClickOnTheTextClicksItAndTwoPressesApartStepTwice) {
  poster->postMouseButton(true, 3, 50, 50);
  poster->postMouseButton(false, 3, 50, 50);
  poster->postMouseButton(true, 1, 50, 50);
  poster->postMouseButton(false, 1, 50, 50);
  poster->postMouseButton(true, 1, 60, 50);
  poster->postMouseButton(false, 1, 60, 50);
  pump();
  EXPECT_EQ(clicks, (std::vector<int16_t>{1, 1, 1}));
}

TEST_F(WindowBackendTest, FullscreenCoversTheScreenAndMapsThePointerIntoTheGamesWindow) {
  form.setScreenSizePx(1280, 768);
  form.onResize = [&] {
    form.setWindowWidth(static_cast<float>(form.WindowHeight()) * 4 / 3);
    form.setWindowLeft(static_cast<float>(form.ScreenWidth() - form.WindowWidth()) / 2);
    form.setWindowTop(0);
  };
  poster->postKey(true, SDLK_F11);
  pump();
  ASSERT_TRUE(form.fullscreen());
  EXPECT_EQ(form.WindowHeight(), 768 * kTwipsPerPixel);
  EXPECT_EQ(form.WindowLeft(), 128 * kTwipsPerPixel);
  // The label lies at 0..300 of the game's window, which starts 128 px into the screen.
  poster->postMouseButton(true, 1, 100, 50);
  poster->postMouseButton(false, 1, 100, 50);
  pump();
  EXPECT_TRUE(clicks.empty()) << "a click on the black bar";
  poster->postMouseButton(true, 1, 228, 50);
  poster->postMouseButton(false, 1, 228, 50);
  pump();
  EXPECT_EQ(clicks.size(), 1u);
  poster->postKey(true, SDLK_ESCAPE);
  pump();
  EXPECT_FALSE(form.fullscreen());
}

TEST_F(WindowBackendTest, ClosingTheWindowUnloadsTheFormAndEndsTheLoop) {
  int unloads = 0;
  form.onUnload = [&](int16_t&) { ++unloads; };
  poster->postClose();
  pump();
  EXPECT_EQ(unloads, 1);
  EXPECT_TRUE(loop->quitting());
}

TEST_F(WindowBackendTest, TooltipAppearsAfterHoveringAndHidesOnMotionAndClick) {
  opt0.setToolTipText("願いをかけます。");
  poster->postMouseMotion(450, 10);
  pump();
  EXPECT_EQ(window->tooltipText(), "") << "shown before the pointer rested";
  // The delay runs on the loop's clock.
  loop->advance(kTooltipDelayMs);
  pump(-1);  // waiting with no deadline of the game's own still wakes for the tooltip
  EXPECT_EQ(window->tooltipText(), "願いをかけます。");
  const uint64_t frames = window->framesDrawn();

  poster->postMouseMotion(451, 10);
  pump();
  EXPECT_EQ(window->tooltipText(), "");
  EXPECT_GT(window->framesDrawn(), frames) << "hiding the tooltip must redraw";
  loop->advance(kTooltipDelayMs);
  pump(-1);
  EXPECT_EQ(window->tooltipText(), "願いをかけます。");

  // A press hides it until the pointer moves again.
  poster->postMouseButton(true, 1, 451, 10);
  pump();
  EXPECT_EQ(window->tooltipText(), "");
  loop->advance(2 * kTooltipDelayMs);
  pump();
  EXPECT_EQ(window->tooltipText(), "");

  // A control without tooltip text shows none.
  poster->postMouseMotion(450, 50);
  loop->advance(2 * kTooltipDelayMs);
  pump();
  EXPECT_EQ(window->tooltipText(), "");
}

TEST_F(WindowBackendTest, FramesAreDrawnOnlyWhenSomethingChanged) {
  const uint64_t first = window->framesDrawn();
  EXPECT_GE(first, 1u);
  window->presentIfChanged();
  window->presentIfChanged();
  EXPECT_EQ(window->framesDrawn(), first);
  loop->advance(window->frameIntervalMs());
  lbl1.setCaption("今日は\r\nいい天気");
  window->presentIfChanged();
  window->presentIfChanged();
  EXPECT_EQ(window->framesDrawn(), first + 1);
  lbl1.setCaption("今日は\r\nいい天気");  // the same caption again changes nothing
  window->presentIfChanged();
  EXPECT_EQ(window->framesDrawn(), first + 1);
}

TEST_F(WindowBackendTest, FramesArePacedToTheDisplayAndChangesInBetweenShareOne) {
  const int interval = window->frameIntervalMs();
  ASSERT_GE(interval, 1);
  ASSERT_LE(interval, 34);
  // After a quiet spell a change is drawn at once: a click is answered in the same turn of the loop.
  loop->advance(1000);
  uint64_t frames = window->framesDrawn();
  lbl1.setCaption("一");
  window->presentIfChanged();
  EXPECT_EQ(window->framesDrawn(), frames + 1);

  // Changes within the next interval wait for the next frame, and all share it.
  lbl1.setCaption("二");
  window->presentIfChanged();
  lbl1.setCaption("三");
  loop->advance(interval - 1);
  window->presentIfChanged();
  EXPECT_EQ(window->framesDrawn(), frames + 1);
  // The held-back frame bounds the wait even when nothing else would end it.
  window->waitAndDispatch(-1);
  loop->advance(1);
  window->presentIfChanged();
  EXPECT_EQ(window->framesDrawn(), frames + 2);
  loop->advance(10 * interval);
  window->presentIfChanged();
  EXPECT_EQ(window->framesDrawn(), frames + 2) << "nothing changed after the shared frame";

  // A timer at the 10 ms floor changing the window every tick, as the wish simulation does: a second
  // of it makes one frame per display refresh, not one per tick.
  Timer power(*loop);
  int ticks = 0;
  power.onTick = [&] { lbl1.setCaption(std::to_string(++ticks)); };
  power.setInterval(kTimerFloorMs);
  power.setEnabled(true);
  frames = window->framesDrawn();
  for (int ms = 0; ms < 1000; ++ms) {
    loop->advance(1);
    window->presentIfChanged();
  }
  EXPECT_GE(ticks, 99);
  const uint64_t perSecond = window->framesDrawn() - frames;
  EXPECT_LE(perSecond, static_cast<uint64_t>(1000 / interval + 1));
  EXPECT_GE(perSecond, static_cast<uint64_t>(1000 / interval - 1));
}

TEST_F(WindowBackendTest, AUserResizeReachesTheGameAndTheWindowTakesItsAnswer) {
  // A layout in miniature: the width follows the height at 4:3, as the game's does.
  int resizes = 0;
  form.onResize = [&] {
    ++resizes;
    form.setWindowWidth(static_cast<float>(form.WindowHeight()) * 4 / 3);
  };
  poster->userResize(500, 500);
  for (int i = 0; i < 5; ++i) pump();
  EXPECT_EQ(form.WindowHeight(), 500 * kTwipsPerPixel);
  EXPECT_EQ(poster->clientHeight(), 500);
  EXPECT_EQ(poster->clientWidth(), 667);
  EXPECT_NEAR(form.WindowWidth(), 667 * kTwipsPerPixel, kTwipsPerPixel);
  const int settled = resizes;
  EXPECT_GE(settled, 1);
  EXPECT_LE(settled, 3);
  // The window settles: the real window taking the game's width raises no further resize.
  for (int i = 0; i < 5; ++i) pump();
  EXPECT_EQ(resizes, settled);

  // The game sizing the window moves the real one, and raises its resize once, in the setter.
  form.setWindowHeight(300 * kTwipsPerPixel);
  for (int i = 0; i < 5; ++i) pump();
  EXPECT_EQ(poster->clientHeight(), 300);
  EXPECT_EQ(poster->clientWidth(), 400);
  EXPECT_LE(resizes, settled + 2);
}

// The window is made before start-up sizes it, at the shape start-up will give it: it must fit on the
// screen whatever the screen's shape.
TEST(InputTranslation, TheWheelCountsNotchesUpAndALostFocusLetsCtrlGo) {
  SDL_Event e{};
  e.type = SDL_MOUSEWHEEL;
  e.wheel.y = 2;
  e.wheel.mouseX = 120;
  e.wheel.mouseY = 80;
  InputEvent in;
  ASSERT_TRUE(translateInput(e, &in));
  EXPECT_EQ(in.type, InputEvent::Type::Wheel);
  EXPECT_EQ(in.wheelSteps, 2);
  EXPECT_FLOAT_EQ(in.x, 120);
  EXPECT_FLOAT_EQ(in.y, 80);
  e.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;  // "natural" scrolling: the system reports it reversed
  ASSERT_TRUE(translateInput(e, &in));
  EXPECT_EQ(in.wheelSteps, -2);
  e.wheel.y = 0;
  e.wheel.x = 3;  // sideways: nothing the game uses
  EXPECT_FALSE(translateInput(e, &in));

  SDL_Event focus{};
  focus.type = SDL_WINDOWEVENT;
  focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  ASSERT_TRUE(translateInput(focus, &in));
  EXPECT_EQ(in.type, InputEvent::Type::KeyUp);
  EXPECT_EQ(in.keyCode, kKeyControl);

  // The reading keys, Ctrl's release included.
  SDL_Event key{};
  key.type = SDL_KEYUP;
  key.key.keysym.sym = SDLK_RCTRL;
  ASSERT_TRUE(translateInput(key, &in));
  EXPECT_EQ(in.type, InputEvent::Type::KeyUp);
  EXPECT_EQ(in.keyCode, kKeyControl);
  key.type = SDL_KEYDOWN;
  key.key.keysym.sym = SDLK_PAGEUP;
  ASSERT_TRUE(translateInput(key, &in));
  EXPECT_EQ(in.keyCode, kKeyPageUp);
}

TEST(WindowGeometry, TheFirstWindowFitsOnScreensOfAnyShape) {
  struct Case {
    int screenW, screenH;
    WindowRect want;
  };
  const Case cases[] = {
      {1024, 768, {103, 77, 818, 614}},     // 4:3, 4/5 of the height
      {1920, 1080, {384, 108, 1152, 864}},  // wide: the same rule
      {1024, 960, {0, 96, 1024, 768}},      // exactly 16:15: still the height's rule, edge to edge
      {1023, 960, {102, 173, 818, 613}},    // just narrower: 4/5 of the width
      {1000, 3000, {100, 1200, 800, 600}},  // portrait
      {1080, 1920, {108, 636, 864, 648}},   // a phone-shaped monitor
      {0, 0, {0, 0, 640, 480}},             // unknown screen
  };
  for (const Case& c : cases) {
    const WindowRect g = initialWindowRect(c.screenW, c.screenH);
    EXPECT_EQ(g, c.want) << c.screenW << " x " << c.screenH << ": " << g.w << " x " << g.h << " at (" << g.x
                         << ", " << g.y << ")";
    if (c.screenW > 0) {
      EXPECT_LE(g.x + g.w, c.screenW);
      EXPECT_GE(g.x, 0);
      EXPECT_LE(g.y + g.h, c.screenH);
    }
  }
}

}  // namespace
