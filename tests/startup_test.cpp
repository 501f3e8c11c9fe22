// Start-up and shut-down of the window: the asset folders built from the application folder, the
// window's height from the screen, and what closing the window releases, in order.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/fom.h"
#include "audio/shared_routines.h"
#include "platform/media/mci.h"
#include "platform/media/text_file.h"
#include "platform/runtime/app.h"
#include "platform/runtime/display.h"
#include "platform/runtime/form.h"
#include "tests/support/game_harness.h"

namespace fs = std::filesystem;
using testing_support::HeadlessGame;
using testing_support::TestContent;

namespace {

std::vector<std::string> recorded() {
  int n = 0;
  const char* const* c = platform::mciRecordedCommands(&n);
  return std::vector<std::string>(c, c + n);
}

std::string musicMode() {
  char buf[16] = {};
  const uint32_t rc = mciSendStringA("status MIDI mode", buf, sizeof buf, 0);
  return rc == 0 ? buf : "closed";
}

// One quarter note of middle C: enough of a file for the sequencer to open.
std::string oneNoteMidi() {
  const std::string track = std::string("\x00\x90\x3c\x64\x83\x60\x80\x3c\x00\x00\xff\x2f\x00", 13);
  return std::string("MThd\0\0\0\x06\0\0\0\x01\x01\xe0", 14) + "MTrk" + std::string("\0\0\0", 3) +
         char(track.size()) + track;
}

class StartUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::mciClearRecordedCommands();
    platform::mciRecordCommands(true);
  }
  void TearDown() override {
    platform::mciRecordCommands(false);
    platform::mciClearRecordedCommands();
    BgmLoop = 0;
  }
};

TEST_F(StartUpTest, AssetFoldersEndInExactlyOneSeparator) {
  struct Case {
    std::string appPath, appDir;
  };
  const std::vector<Case> cases = {
      {"/opt/lanternfall", "/opt/lanternfall/"},
      {"/opt/lanternfall/", "/opt/lanternfall/"},
      {"/", "/"},
      {"/home/プレイヤー/My Games/灯籠", "/home/プレイヤー/My Games/灯籠/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.appPath);
    TestContent content;
    HeadlessGame game(content);
    platform::setAppPath(c.appPath);
    platform::mciClearRecordedCommands();
    game.start();
    EXPECT_EQ(game.fom().AppDir, c.appDir);
    EXPECT_EQ(game.fom().ImgDir, c.appDir + "img/");
    EXPECT_EQ(game.fom().TxtDir, c.appDir + "txt/");
    const std::vector<std::string> commands = recorded();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[1], platform::encodeCp932("open \"" + c.appDir + "bgm.mid\" alias MIDI"));
  }
}

TEST_F(StartUpTest, MusicInAFolderWithSpacesAndJapaneseNamesPlays) {
  TestContent content;
  const fs::path folder = content.root() / fs::u8path("My Games/ランタンフォール 体験版");
  fs::create_directories(folder);
  std::ofstream(folder / "bgm.mid", std::ios::binary) << oneNoteMidi();
  HeadlessGame game(content);
  platform::setAppPath(testing_support::utf8Path(folder));
  game.start();
  platform::mciWaitReady();
  EXPECT_EQ(BgmLoop, -1);
  EXPECT_EQ(musicMode(), "playing");
  EXPECT_EQ(game.fom().ImgDir, testing_support::utf8Path(folder) + "/img/");
}

TEST_F(StartUpTest, WindowIsFourFifthsOfTheScreenHigh) {
  TestContent content;
  HeadlessGame game(content);
  game.fom().Me.setScreenSizePx(1024, 768);  // 11520 twips high
  game.start();
  EXPECT_EQ(game.fom().Me.ScreenHeight(), 11520);
  EXPECT_EQ(game.fom().Me.WindowHeight(), 9216);

  TestContent other;
  HeadlessGame tall(other);
  tall.fom().Me.setScreenSizePx(1920, 1200);  // 18000 twips high
  tall.start();
  EXPECT_EQ(tall.fom().Me.WindowHeight(), 14400);
}

// Every screen a display offers, at the classic 96 dpi and at a desktop scaled to 200 %: the outer window
// is 4:3, 4/5 of the screen high and centred, to the pixel, and laid out.
TEST_F(StartUpTest, EveryScreenGetsA4By3CentredWindowAtAnyDpi) {
  struct Screen {
    int w, h;
  };
  for (float dpi : {96.0f, 192.0f}) {
    platform::setDisplayDpi(dpi);
    for (Screen s : {Screen{640, 480}, Screen{1024, 768}, Screen{1366, 768}, Screen{1920, 1080},
                     Screen{2560, 1600}, Screen{3840, 2160}, Screen{5120, 2880}, Screen{7680, 4320}}) {
      SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h) + " at " + std::to_string(dpi) + " dpi");
      TestContent content;
      HeadlessGame game(content);
      platform::Form& window = game.fom().Me;
      window.setScreenSizePx(s.w, s.h);
      game.start();
      const float tpp = platform::twipsPerPixel();
      const double h = window.WindowHeight() / tpp, w = window.WindowWidth() / tpp;
      EXPECT_NEAR(h, s.h * 0.8, 1.0);
      EXPECT_NEAR(w, h * 4 / 3, 1.0);
      EXPECT_NEAR(window.WindowLeft() / tpp, (s.w - w) / 2, 1.0);
      EXPECT_NEAR(window.WindowTop() / tpp, (s.h - h) / 2, 1.0);
      EXPECT_FLOAT_EQ(game.fom().picStt.Width(), 8) << "the layout ran";
    }
  }
  platform::setDisplayDpi(platform::kClassicDpi);
  EXPECT_FLOAT_EQ(platform::twipsPerPixel(), 15);
}

TEST_F(StartUpTest, ShutDownBeforeAnyScenarioClosesTheMusicAndEnds) {
  TestContent content;
  std::ofstream(content.root() / "bgm.mid", std::ios::binary) << oneNoteMidi();
  HeadlessGame game(content);
  game.start();
  platform::setEndHandler([&game] { game.loop().quit(); });
  EXPECT_EQ(game.fom().ScriptFileNo, 0);
  platform::mciClearRecordedCommands();

  EXPECT_TRUE(game.fom().Me.Unload());  // never refused
  EXPECT_TRUE(platform::endRequested());
  EXPECT_EQ(recorded(), std::vector<std::string>{"close MIDI notify"});
  EXPECT_EQ(musicMode(), "closed");
  // The program has ended: the music poll never runs after the close.
  platform::mciClearRecordedCommands();
  game.advance(1000);
  EXPECT_TRUE(recorded().empty());
}

TEST_F(StartUpTest, ShutDownDuringAScenarioClosesTheFileThenTheMusic) {
  TestContent content;
  std::ofstream(content.root() / "bgm.mid", std::ios::binary) << oneNoteMidi();
  content.scenario("opn", {"一行目です", "二行目です", "三行目です", "四行目です", "五行目です"});
  HeadlessGame game(content);
  game.start();
  game.pressTitle(1);  // left button: an EASY game, which starts the scenario "opn"
  game.advance(150);
  Fom& fom = game.fom();
  ASSERT_NE(fom.ScriptFileNo, 0);
  ASSERT_TRUE(platform::IsOpen(fom.ScriptFileNo));
  ASSERT_TRUE(fom.timSay.Enabled());

  bool fileClosedAtEnd = false;
  std::string musicAtEnd;
  platform::setEndHandler([&] {
    fileClosedAtEnd = !platform::IsOpen(fom.ScriptFileNo);
    musicAtEnd = musicMode();
    game.loop().quit();
  });
  const std::string pageBefore = game.page();
  fom.Me.Unload();
  EXPECT_TRUE(platform::endRequested());
  EXPECT_TRUE(fileClosedAtEnd);
  EXPECT_EQ(musicAtEnd, "closed");

  // No auto-advance tick runs afterwards: the page stays as it was.
  game.advance(2000);
  EXPECT_EQ(game.page(), pageBefore);
}

}  // namespace
