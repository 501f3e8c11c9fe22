// Broken content, played as a whole game: whatever is missing or damaged, the game names it on stderr,
// keeps going, reaches an ending and lets the player start again from the title. Headless, manual clock.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/fom.h"
#include "platform/media/mci.h"
#include "platform/media/text_file.h"
#include "tests/support/game_harness.h"

namespace fs = std::filesystem;
using testing_support::HeadlessGame;
using testing_support::TestContent;
using Lines = std::vector<std::string>;

namespace {

constexpr int16_t kLeft = 1, kRight = 2;
constexpr int64_t kStepMs = 100;
// HARD's thirty-one days take 31 s; EASY's hundred take 300 s. Twice that is a game that never ends.
constexpr int64_t kGameLimitMs = 600'000;
const std::string kReplacement = "\xEF\xBF\xBD";  // U+FFFD

bool near(uint32_t argb, int r, int g, int b) {
  return std::abs(static_cast<int>((argb >> 16) & 255) - r) <= 24 &&
         std::abs(static_cast<int>((argb >> 8) & 255) - g) <= 24 &&
         std::abs(static_cast<int>(argb & 255) - b) <= 24;
}

uint32_t centreOf(const platform::PictureBox& box) {
  const platform::Image& img = box.retained();
  return img.empty() ? 0 : img.at(img.width / 2, img.height / 2);
}

std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A story whose every scenario waits for one click, with a title and a scene picture.
void writeStory(TestContent& content) {
  content.picture("ttl", "sim_title");    // orange
  content.picture("scene", "sim_scene");  // teal
  content.scenario("opn", {">img scene", "opening", "tugi"});
  for (const char* person : {"0", "1"}) {
    for (int n = 0; n < 9; ++n) content.scenario(person + std::to_string(n), {"event", "tugi"});
  }
  content.scenario("end", {"good end", ">end"});
  content.scenario("badend", {"bad end", ">end"});
}

// The wish a player reading the numbers makes: keep the leaf strong, then feed whoever's story is next.
void steer(HeadlessGame& game) {
  Fom& fom = game.fom();
  const int person = fom.EventCount[0] < 9 ? 0 : 1;
  const int want = fom.WishPower[2] < 180 || fom.WishPower[person] >= 230 ? 2 : person;
  if (fom.WishTarget != want) game.clickOption(want);
}

// One game from the title: presses `button` on the title picture, clicks whatever text waits, steers the
// wishes (or leaves them to the leaf), until the title is back. False when it does not come back in time.
bool playOneGame(HeadlessGame& game, int16_t button, bool wish = true) {
  Fom& fom = game.fom();
  if (!fom.picStt.Visible()) return false;
  game.pressTitle(button);
  for (int64_t ms = 0; ms < kGameLimitMs; ms += kStepMs) {
    if (fom.picStt.Visible()) return true;
    if (game.textShown()) {
      game.clickText();
    } else if (wish) {
      steer(game);
    }
    game.advance(kStepMs);
  }
  return fom.picStt.Visible();
}

// Starts the game and plays a HARD game and then an EASY one, recording stderr throughout: both games
// must come back to the title. The HARD player leaves the wishes alone, so that game ends sadly for sure.
std::string startAndPlayTwoGames(HeadlessGame& game) {
  ::testing::internal::CaptureStderr();
  game.start();
  platform::mciWaitReady();  // a sound font that fails to load says so from its loader thread
  const bool hard = playOneGame(game, kRight, false);
  const bool easy = hard && playOneGame(game, kLeft);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(hard) << "the HARD game did not come back to the title";
  EXPECT_TRUE(easy) << "the EASY game after it did not come back to the title";
  return err;
}

int count(const std::vector<std::string>& started, const std::string& name) {
  int n = 0;
  for (const std::string& s : started) n += s == name ? 1 : 0;
  return n;
}

// A format-0 MIDI file of one quarter note.
std::string tinyMidi() {
  const std::string track = std::string("\x00\x90\x3c\x64\x83\x60\x80\x3c\x00\x00\xff\x2f\x00", 13);
  return std::string("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xe0", 14) + "MTrk" +
         std::string("\x00\x00\x00", 3) + static_cast<char>(track.size()) + track;
}

}  // namespace

// ---- Scenarios ----------------------------------------------------------------------------------------

TEST(Faults, MissingOpeningGoesStraightToTheWishesAndTheEndingBringsBackTheTitle) {
  TestContent content;
  writeStory(content);
  content.remove("txt/opn.dat");
  HeadlessGame game(content);
  const std::string err = startAndPlayTwoGames(game);
  EXPECT_NE(err.find("txt/opn.dat"), std::string::npos) << err;
  EXPECT_EQ(count(game.scenariosStarted(), "opn"), 2);
  EXPECT_GE(count(game.scenariosStarted(), "badend") + count(game.scenariosStarted(), "end"), 2);
  // The title is the real one again, ready for a third game.
  EXPECT_TRUE(near(centreOf(game.fom().picStt), 200, 120, 40));
}

TEST(Faults, MissingEventAndEndingFilesStillEndEveryGameAtTheTitle) {
  TestContent content;
  content.picture("ttl", "sim_title");
  content.scenario("opn", {"opening", "tugi"});  // nothing else: no event, no ending
  HeadlessGame game(content);
  game.feedRandom({0.999f});  // strong growth, so that every event falls due in EASY
  const std::string err = startAndPlayTwoGames(game);
  for (const char* file :
       {"txt/00.dat", "txt/08.dat", "txt/10.dat", "txt/18.dat", "txt/end.dat", "txt/badend.dat"})
    EXPECT_NE(err.find(file), std::string::npos) << file << " not named in:\n" << err;
  // HARD ran out of days into the missing bad end; EASY saw all eighteen missing events and then the
  // missing good end. Each missing event counted as seen, so the game still came to its ending.
  const auto& started = game.scenariosStarted();
  EXPECT_EQ(count(started, "badend"), 1);
  EXPECT_EQ(count(started, "end"), 1);
  EXPECT_EQ(count(started, "00"), 1);
  EXPECT_EQ(count(started, "18"), 1);
  EXPECT_EQ(started.back(), "end");
}

TEST(Faults, UndecodableBytesShowAsMarksWithoutSwallowingLineEnds) {
  TestContent content;
  writeStory(content);
  // A lead byte cut off by the line end, bytes that are never characters, a lead byte with a bad trail
  // byte, and a lead byte as the very last byte before the stop line: every line end must hold, or the
  // command after it would be read as text.
  content.rawScenario("opn",
                      "\x82\xa0\x82\r\n"
                      "\x80\xa0\xfd\xfe\xff\r\n"
                      "\x82 \x88\r\n"
                      ">img scene\r\n"
                      "\x81\r\n"
                      "tugi\r\n"
                      "never shown\r\n");
  HeadlessGame game(content);
  ::testing::internal::CaptureStderr();
  game.start();
  game.pressTitle(kRight);
  const std::string page = game.page();
  game.advance(4 * kStepMs);
  const std::string full = game.page();
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(page, "\nあ" + kReplacement);
  EXPECT_EQ(full, "\nあ" + kReplacement + "\n" + kReplacement + kReplacement + kReplacement + kReplacement +
                      kReplacement + "\n" + kReplacement + " " + kReplacement + "\n" + kReplacement + "▼");
  EXPECT_NE(err.find("opn.dat"), std::string::npos) << "undecodable bytes not named: " << err;
  EXPECT_TRUE(near(centreOf(game.fom().Pic), 30, 140, 160)) << "the >img line after the bad bytes was lost";
  // The click at the mark hands over to the wishes, and the game ends at the title as always.
  game.clickText();
  EXPECT_FALSE(game.textShown());
  EXPECT_TRUE(game.fom().TimDay.Enabled());
  ::testing::internal::CaptureStderr();
  game.advance(31'000);
  game.clickText();
  err = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(game.fom().picStt.Visible());
  EXPECT_TRUE(playOneGame(game, kLeft));
}

TEST(Faults, AMillionLinesAndATenMegabyteLineAreClickedThroughToTheTitle) {
  constexpr int kLines = 1'000'000;
  TestContent content;
  writeStory(content);
  std::string huge;
  huge.reserve(10'500'000);
  for (int i = 0; i < 3'500'000; ++i) huge += "あ";  // 7 MB in the file, 10.5 MB as UTF-8
  constexpr size_t kSeenRowBytes = 65536 * 3;        // the row keeps its first 65,536 characters
  Lines lines;
  lines.reserve(kLines + 1);
  for (int i = 0; i < kLines; ++i) lines.push_back(i == kLines / 2 ? huge : "l" + std::to_string(i));
  lines.push_back("tugi");
  content.scenario("opn", lines);
  lines.clear();
  lines.shrink_to_fit();

  HeadlessGame game(content);
  game.start();
  game.pressTitle(kRight);
  // The player clicks every line: a page never holds more than its empty top row and sixteen rows, so
  // nothing of the file piles up behind the text, and a row keeps no more of its line than can be seen.
  int clicks = 0;
  size_t longestPage = 0;
  bool sawHuge = false;
  while (game.textShown() && clicks <= kLines + 10) {
    const std::string& caption = game.fom().lbl[0].Caption();
    longestPage = std::max(longestPage, caption.size());
    if (caption.find(huge.substr(0, kSeenRowBytes)) != std::string::npos) sawHuge = true;
    game.clickText();
    ++clicks;
  }
  EXPECT_TRUE(sawHuge);
  EXPECT_LT(longestPage, kSeenRowBytes + 16 * 16) << "the page grew beyond one page of what can be seen";
  // One click a line (the first came with the press), and one more for the hand-over.
  EXPECT_EQ(clicks, kLines);
  ASSERT_FALSE(game.textShown());
  game.advance(31'000);
  game.clickText();
  EXPECT_TRUE(game.fom().picStt.Visible());
  EXPECT_EQ(game.scenariosStarted().back(), "badend");
  // The next game opens the same long story from its first line.
  game.pressTitle(kLeft);
  EXPECT_EQ(game.page(), "\nl0");
}

TEST(Faults, RunCountsBeyondThirtyTwoBitsRunToTheEndOfTheirScenario) {
  // 2147483648 is one past the largest 32-bit count; 4294967297 wraps to 1 in 32 bits. Read as the
  // numbers they are, each run covers the whole rest of its scenario in the one step of the press.
  for (const std::string count : {"2147483648", "4294967297"}) {
    SCOPED_TRACE(count);
    TestContent content;
    writeStory(content);
    content.scenario("opn", {"--" + count, "one", "two", "three", "tugi", "never shown"});
    content.scenario("badend", {"--" + count, "a", "b", ">end", "never shown"});
    HeadlessGame game(content);
    game.start();
    game.pressTitle(kRight);
    EXPECT_FALSE(game.textShown()) << game.page();
    EXPECT_TRUE(game.fom().TimDay.Enabled());
    EXPECT_FALSE(platform::IsOpen(game.fom().ScriptFileNo));
    // Day 31 plays the bad end, whose run reaches its ">end" at once: the title is back with no click.
    game.advance(31'000);
    EXPECT_EQ(game.scenariosStarted().back(), "badend");
    EXPECT_TRUE(game.fom().picStt.Visible());
    EXPECT_EQ(game.page(), "\na\nb▼");
    EXPECT_TRUE(playOneGame(game, kLeft));
  }
}

// ---- Pictures ----------------------------------------------------------------------------------------

TEST(Faults, MissingCutShortAndFakePicturesNeverStopTheStory) {
  TestContent content;
  writeStory(content);
  content.remove("img/ttl.jpg");
  const std::string jpeg = readBytes(testing_support::testData("img/ui_quadrants_640x480.jpg"));
  content.rawPicture("cut", jpeg.substr(0, jpeg.size() / 3));
  content.rawPicture("text", "this file only claims to be a picture\r\n");
  content.scenario("opn", {">img scene", "first", ">img gone", ">img text", "second", "tugi"});
  content.scenario("badend", {">img cut", "bad end", ">end"});
  HeadlessGame game(content);
  ::testing::internal::CaptureStderr();
  game.start();
  EXPECT_TRUE(game.fom().picStt.Visible()) << "no title picture, but still a title to click";
  game.pressTitle(kRight);
  EXPECT_TRUE(near(centreOf(game.fom().Pic), 30, 140, 160));
  game.clickText();
  // The pictures that could not be shown left the scene as it was.
  EXPECT_EQ(game.page(), "\nfirst\nsecond▼");
  EXPECT_TRUE(near(centreOf(game.fom().Pic), 30, 140, 160));
  game.clickText();
  game.advance(31'000);
  EXPECT_EQ(game.page(), "\nbad end▼");
  game.clickText();
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(game.fom().picStt.Visible());
  for (const char* file : {"img/ttl.jpg", "img/gone.jpg", "img/text.jpg", "img/cut.jpg"})
    EXPECT_NE(err.find(file), std::string::npos) << file << " not named in:\n" << err;
  EXPECT_TRUE(playOneGame(game, kLeft));
}

// ---- Music -------------------------------------------------------------------------------------------

constexpr const char* kSystemSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

struct MusicFault {
  const char* name;
  std::string bgm;        // bytes of bgm.mid; empty: no file
  const char* soundFont;  // the sequencer's sound font
  bool device;            // through an audio device that does not exist, rather than offline
  const char* named;      // what stderr must mention
};

void PrintTo(const MusicFault& f, std::ostream* os) { *os << f.name; }

class MusicFaults : public ::testing::TestWithParam<MusicFault> {
 protected:
  void TearDown() override {
    platform::mciCloseAll();
    platform::mciSetSoundFont(kSystemSoundFont);
    platform::mciSetAudioSink(platform::AudioSink::Offline);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
  }
};

TEST_P(MusicFaults, TheGameRunsSilentAndSaysWhy) {
  const MusicFault& f = GetParam();
  TestContent content;
  writeStory(content);
  if (!f.bgm.empty()) std::ofstream(content.root() / "bgm.mid", std::ios::binary) << f.bgm;
  std::string badFont = (content.root() / "font.sf2").string();
  std::ofstream(badFont) << "RIFF but no sound font at all";
  const std::string font = f.soundFont == std::string("bad") ? badFont : f.soundFont;
  HeadlessGame game(content);
  platform::mciSetSoundFont(font.c_str());
  if (f.device) {
    platform::mciSetAudioSink(platform::AudioSink::Device);
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  }
  const std::string err = startAndPlayTwoGames(game);
  const std::string named = f.named == std::string("font") ? font : f.named;
  const size_t at = err.find(named);
  EXPECT_NE(at, std::string::npos) << "expected \"" << named << "\" in:\n" << err;
  // The music poll keeps asking, and keeps finding nothing to restart.
  EXPECT_TRUE(game.fom().BgmTim.Enabled());
  if (f.device) {
    // The device starts behind the open: the alias is open, and stays "not ready" for good.
    char mode[16] = {};
    EXPECT_EQ(mciSendStringA("status MIDI mode", mode, sizeof mode, 0), 0u);
    EXPECT_STREQ(mode, "not ready");
    EXPECT_EQ(err.find(named, at + 1), std::string::npos) << "named more than once:\n" << err;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, MusicFaults,
    ::testing::Values(MusicFault{"Missing", "", kSystemSoundFont, false, "bgm.mid"},
                      MusicFault{"CutShort", tinyMidi().substr(0, 30), kSystemSoundFont, false, "bgm.mid"},
                      MusicFault{"NotMidi", "MThd? no, a text file\r\n", kSystemSoundFont, false, "bgm.mid"},
                      MusicFault{"NoSoundFont", tinyMidi(), "/nonexistent/default-GM.sf2", false, "font"},
                      MusicFault{"SoundFontThatDoesNotLoad", tinyMidi(), "bad", false, "font"},
                      MusicFault{"NoAudioDevice", tinyMidi(), kSystemSoundFont, true, "no audio output: "}),
    [](const ::testing::TestParamInfo<MusicFault>& info) { return std::string(info.param.name); });
