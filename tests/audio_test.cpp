// The media control interface and the music loop, headless: offline rendering stands in for the sound
// card and the manual clock for BgmTim, so a file is played to its end deterministically.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/fom.h"
#include "audio/shared_routines.h"
#include "platform/media/mci.h"
#include "platform/media/music_mute.h"
#include "platform/media/sequencer.h"
#include "platform/media/text_file.h"
#include "platform/runtime/app.h"
#include "tests/support/game_harness.h"

namespace fs = std::filesystem;
using testing_support::HeadlessGame;
using testing_support::TestContent;

namespace {

std::string be(uint32_t v, int bytes) {
  std::string s;
  for (int i = bytes - 1; i >= 0; --i) s += char((v >> (8 * i)) & 0xff);
  return s;
}

std::string varLen(uint32_t v) {
  std::string s(1, char(v & 0x7f));
  while (v >>= 7) s.insert(s.begin(), char((v & 0x7f) | 0x80));
  return s;
}

// A format-0 file: piano, `notes` quarter notes of middle C upwards, at `microsPerQuarter`, ending on
// the last note-off. Its length is notes × microsPerQuarter.
std::string tinyMidi(int notes, uint32_t microsPerQuarter = 250000, int ticksPerQuarter = 480) {
  std::string ev;
  ev += varLen(0) + "\xff\x51\x03" + be(microsPerQuarter, 3);
  ev += varLen(0) + std::string("\xc0\x00", 2);
  for (int i = 0; i < notes; ++i) {
    ev += varLen(0) + "\x90" + char(60 + i) + char(100);
    ev += varLen(uint32_t(ticksPerQuarter)) + "\x80" + char(60 + i) + std::string(1, '\0');
  }
  ev += varLen(0) + std::string("\xff\x2f\x00", 3);
  return "MThd" + be(6, 4) + be(0, 2) + be(1, 2) + be(uint32_t(ticksPerQuarter), 2) + "MTrk" +
         be(uint32_t(ev.size()), 4) + ev;
}

void writeFile(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

std::vector<std::string> recorded() {
  int n = 0;
  const char* const* c = platform::mciRecordedCommands(&n);
  return std::vector<std::string>(c, c + n);
}

// What the poll would read, without recording anything.
std::string mode(const char* alias = "MIDI") {
  platform::mciRecordCommands(false);
  char buf[32] = {};
  const std::string cmd = std::string("status ") + alias + " mode";
  const uint32_t rc = mciSendStringA(cmd.c_str(), buf, sizeof buf, 0);
  platform::mciRecordCommands(true);
  return rc == 0 ? buf : "error " + std::to_string(rc);
}

int64_t positionMs() {
  platform::mciRecordCommands(false);
  char buf[32] = {};
  mciSendStringA("status MIDI position", buf, sizeof buf, 0);
  platform::mciRecordCommands(true);
  return std::atoll(buf);
}

class MusicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::mciSetAudioSink(platform::AudioSink::Offline);
    platform::mciSetSoundFont("/usr/share/sounds/sf2/default-GM.sf2");
    platform::mciClearRecordedCommands();
    platform::mciRecordCommands(true);
  }
  void TearDown() override {
    platform::mciRecordCommands(false);
    platform::mciClearRecordedCommands();
    platform::mciCloseAll();
    platform::mciSetAudioSink(platform::AudioSink::Offline);
    platform::mciSetSoundFont("/usr/share/sounds/sf2/default-GM.sf2");
    platform::setMusicMuted(false);
    BgmLoop = 0;
  }
  // One 10 ms step of a real machine: the sound card renders, then BgmTim ticks.
  void step(HeadlessGame& game) {
    platform::mciRenderOffline(10);
    game.advance(10);
  }
};

TEST_F(MusicTest, StartUpAndShutDownSendTheExactCommands) {
  TestContent content;
  writeFile(content.root() / "bgm.mid", tinyMidi(8));
  HeadlessGame game(content);
  game.start();
  game.advance(30);
  int16_t cancel = 0;
  game.fom().ShutDown(cancel);

  const std::string open =
      platform::encodeCp932("open \"" + content.root().string() + "/bgm.mid\" alias MIDI");
  const std::vector<std::string> expected = {"close MIDI notify", open,
                                             "play MIDI notify",  "status MIDI mode",
                                             "status MIDI mode",  "status MIDI mode",
                                             "close MIDI notify"};
  EXPECT_EQ(recorded(), expected);
  EXPECT_EQ(cancel, 0);
  EXPECT_TRUE(platform::endRequested());
  EXPECT_EQ(mode(), "error " + std::to_string(platform::kMciErrInvalidDeviceName));
}

TEST_F(MusicTest, RestartsWithinOneTickOfTheEndAndKeepsLooping) {
  TestContent content;
  writeFile(content.root() / "bgm.mid", tinyMidi(2));  // 500 ms
  HeadlessGame game(content);
  game.start();
  platform::mciWaitReady();
  ASSERT_EQ(mode(), "playing");

  int restarts = 0;
  int64_t sinceStartMs = 0;
  float loudestWhilePlaying = 0.0f;
  for (int i = 0; i < 160; ++i) {
    platform::mciRenderOffline(10);
    sinceStartMs += 10;
    loudestWhilePlaying = std::max(loudestWhilePlaying, platform::mciOfflinePeak());
    const std::string before = mode();
    if (before == "stopped") {
      // Not a moment early, and long before FluidSynth's own end, seconds after the last note.
      EXPECT_GE(sinceStartMs, 500);
      EXPECT_LE(sinceStartMs, 510);
    } else {
      ASSERT_EQ(before, "playing") << "after " << sinceStartMs << " ms";
      EXPECT_LT(sinceStartMs, 510);
    }
    platform::mciClearRecordedCommands();
    game.advance(10);
    if (before == "stopped") {
      const std::vector<std::string> restart = {"status MIDI mode", "seek MIDI to start", "play MIDI from 0"};
      EXPECT_EQ(recorded(), restart);
      EXPECT_EQ(mode(), "playing");
      EXPECT_EQ(positionMs(), 0);
      ++restarts;
      sinceStartMs = 0;
    } else {
      EXPECT_EQ(recorded(), std::vector<std::string>{"status MIDI mode"});
    }
  }
  EXPECT_EQ(restarts, 3);  // 1600 ms of 500 ms loops
  EXPECT_GT(loudestWhilePlaying, 0.01f) << "the notes should be heard";
}

// M: the music goes silent and comes back without its loop stopping or losing time, and a restart of the
// loop does not bring the sound back. The state shows for a moment in the corner of the scene.
TEST_F(MusicTest, MuteSilencesTheLoopWithoutStoppingIt) {
  TestContent content;
  writeFile(content.root() / "bgm.mid", tinyMidi(2));  // 500 ms
  HeadlessGame game(content);
  game.start();
  platform::mciWaitReady();
  auto loudestOver = [&](int ms) {
    float loudest = 0.0f;
    for (int t = 0; t < ms; t += 10) {
      platform::mciRenderOffline(10);
      loudest = std::max(loudest, platform::mciOfflinePeak());
      game.advance(10);
    }
    return loudest;
  };
  auto press = [&](int16_t key) { game.fom().Form_KeyDown(key, 0); };
  EXPECT_GT(loudestOver(100), 0.01f);

  press('M');
  EXPECT_TRUE(platform::musicMuted());
  EXPECT_TRUE(game.fom().lblMute.effectivelyVisible());
  EXPECT_EQ(game.fom().lblMute.Caption(), "BGM オフ");
  const int64_t before = positionMs();
  EXPECT_EQ(loudestOver(200), 0.0f);
  EXPECT_EQ(mode(), "playing");
  EXPECT_GE(positionMs(), before + 190);
  // Across the end of the file and the poll's restart.
  platform::mciClearRecordedCommands();
  EXPECT_EQ(loudestOver(400), 0.0f);
  const std::vector<std::string> commands = recorded();
  EXPECT_NE(std::find(commands.begin(), commands.end(), "play MIDI from 0"), commands.end());
  game.advance(1000);  // the moment is over
  EXPECT_FALSE(game.fom().lblMute.Visible());

  press('M');
  EXPECT_FALSE(platform::musicMuted());
  EXPECT_EQ(game.fom().lblMute.Caption(), "BGM オン");
  EXPECT_GT(loudestOver(200), 0.01f);
}

TEST_F(MusicTest, PlayingPausedAndNotReadyNeverRestart) {
  TestContent content;
  writeFile(content.root() / "bgm.mid", tinyMidi(2));
  HeadlessGame game(content);
  game.start();
  platform::mciWaitReady();
  for (int i = 0; i < 20; ++i) step(game);
  ASSERT_EQ(mode(), "playing");

  ASSERT_EQ(mciSendStringA("pause MIDI", nullptr, 0, 0), 0u);
  const int64_t pausedAt = positionMs();
  platform::mciClearRecordedCommands();
  for (int i = 0; i < 100; ++i) step(game);  // twice the file's length
  EXPECT_EQ(mode(), "paused");
  EXPECT_EQ(positionMs(), pausedAt);
  EXPECT_EQ(recorded(), std::vector<std::string>(100, "status MIDI mode"));

  ASSERT_EQ(mciSendStringA("resume MIDI", nullptr, 0, 0), 0u);
  EXPECT_EQ(mode(), "playing");
  platform::mciCloseAll();

  // A sound font that exists but does not load leaves the device "not ready" for good.
  writeFile(content.root() / "broken.sf2", "not a sound font");
  platform::mciSetSoundFont((content.root() / "broken.sf2").c_str());
  OpenBgm(content.root().string() + "/bgm.mid");
  PlayBgm();
  platform::mciWaitReady();
  platform::mciClearRecordedCommands();
  for (int i = 0; i < 100; ++i) step(game);
  EXPECT_EQ(mode(), "not ready");
  EXPECT_EQ(recorded(), std::vector<std::string>(100, "status MIDI mode"));
}

TEST_F(MusicTest, MissingFileLeavesEveryCommandFailingSilently) {
  TestContent content;  // no bgm.mid
  HeadlessGame game(content);
  game.start();
  platform::mciClearRecordedCommands();
  for (int i = 0; i < 50; ++i) step(game);
  EXPECT_EQ(recorded(), std::vector<std::string>(50, "status MIDI mode"));

  char reply[16];
  std::memset(reply, ' ', sizeof reply);
  EXPECT_EQ(mciSendStringA("status MIDI mode", reply, 15, 0), platform::kMciErrInvalidDeviceName);
  EXPECT_EQ(std::string(reply, 16), std::string(16, ' '));
  EXPECT_EQ(mciSendStringA("play MIDI notify", nullptr, 0, 0), platform::kMciErrInvalidDeviceName);
  EXPECT_EQ(mciSendStringA("close MIDI notify", nullptr, 0, 0), platform::kMciErrInvalidDeviceName);
}

TEST_F(MusicTest, PlayAskedBeforeTheSoundFontIsReadyStartsWhenItIs) {
  TestContent content;
  writeFile(content.root() / "a.mid", tinyMidi(4));
  ASSERT_EQ(
      mciSendStringA(("open \"" + (content.root() / "a.mid").string() + "\" alias A").c_str(), nullptr, 0, 0),
      0u);
  ASSERT_EQ(mciSendStringA("play A notify", nullptr, 0, 0), 0u);
  const std::string early = mode("A");
  EXPECT_TRUE(early == "not ready" || early == "playing") << early;
  platform::mciWaitReady();
  EXPECT_EQ(mode("A"), "playing");

  // Seeking stops at the start; playing from there again is not "from 0" but the current position.
  platform::mciRenderOffline(300);
  ASSERT_EQ(mciSendStringA("seek a to start", nullptr, 0, 0), 0u);
  EXPECT_EQ(mode("A"), "stopped");
  char pos[8];
  ASSERT_EQ(mciSendStringA("status A position", pos, sizeof pos, 0), 0u);
  EXPECT_STREQ(pos, "0");
  ASSERT_EQ(mciSendStringA("play A", nullptr, 0, 0), 0u);
  platform::mciRenderOffline(200);
  ASSERT_EQ(mciSendStringA("status A position", pos, sizeof pos, 0), 0u);
  EXPECT_NEAR(std::atoi(pos), 200, 5);
}

TEST_F(MusicTest, QuotedPathWithSpacesAndJapaneseFoldersOpens) {
  TestContent content;
  const fs::path folder = content.root() / "My Music" / "ランタンの 音楽";
  writeFile(folder / "bgm.mid", tinyMidi(2));
  OpenBgm(folder.string() + "/bgm.mid");  // the game's own routine encodes the command as CP932
  ASSERT_EQ(recorded().size(), 2u);
  EXPECT_NE(recorded()[1].find("\x83\x89\x83\x93\x83\x5e\x83\x93"), std::string::npos)  // ランタン in CP932
      << "the command is sent in CP932";
  platform::mciWaitReady();
  EXPECT_EQ(mode("midi"), "stopped");  // aliases and verbs are case-insensitive
  EXPECT_EQ(mciSendStringA("PLAY Midi FROM 0 NOTIFY", nullptr, 0, 0), 0u);
  EXPECT_EQ(mode(), "playing");
}

TEST_F(MusicTest, RepliesAreCutToTheBufferLength) {
  TestContent content;
  writeFile(content.root() / "bgm.mid", tinyMidi(2));
  OpenBgm(content.root().string() + "/bgm.mid");
  platform::mciWaitReady();

  char buf[8];
  std::memset(buf, '#', sizeof buf);
  ASSERT_EQ(mciSendStringA("status MIDI mode", buf, 4, 0), 0u);
  EXPECT_EQ(std::string(buf, 8), std::string("sto\0####", 8));
  std::memset(buf, '#', sizeof buf);
  ASSERT_EQ(mciSendStringA("status MIDI mode", buf, 1, 0), 0u);
  EXPECT_EQ(std::string(buf, 8), std::string("\0#######", 8));
  std::memset(buf, '#', sizeof buf);
  ASSERT_EQ(mciSendStringA("status MIDI mode", buf, 0, 0), 0u);
  EXPECT_EQ(std::string(buf, 8), "########");
  EXPECT_EQ(mciSendStringA("status MIDI mode", nullptr, 15, 0), 0u);
  // The poll's own buffer: the reply and its zero at the front, blanks behind.
  char poll[16];
  std::memset(poll, ' ', sizeof poll);
  ASSERT_EQ(mciSendStringA("status MIDI mode", poll, 15, 0), 0u);
  EXPECT_EQ(std::string(poll, 16), std::string("stopped\0        ", 16));
}

TEST_F(MusicTest, MalformedCommandsGiveWindowsErrorCodes) {
  TestContent content;
  const std::string dir = content.root().string();
  writeFile(content.root() / "bgm.mid", tinyMidi(2));
  writeFile(content.root() / "noise.mid", "MThd but nothing a sequencer could play");
  writeFile(content.root() / "song.wav", "RIFF");
  auto send = [](const std::string& c) { return mciSendStringA(c.c_str(), nullptr, 0, 0); };

  ASSERT_EQ(send("open \"" + dir + "/bgm.mid\" alias MIDI"), 0u);
  EXPECT_EQ(send("open \"" + dir + "/bgm.mid\" alias midi"), platform::kMciErrDuplicateAlias);
  EXPECT_EQ(send("dance MIDI"), platform::kMciErrUnrecognizedCommand);
  EXPECT_EQ(send(""), platform::kMciErrMissingCommandString);
  EXPECT_EQ(send("status OTHER mode"), platform::kMciErrInvalidDeviceName);
  EXPECT_EQ(send("close OTHER"), platform::kMciErrInvalidDeviceName);
  EXPECT_EQ(send("open \"" + dir + "/bgm.mid alias X"), platform::kMciErrNoClosingQuote);
  EXPECT_EQ(send("open \"" + dir + "/absent.mid\" alias X"), platform::kMciErrFileNotFound);
  EXPECT_EQ(send("open \"" + dir + "/song.wav\" alias X"), platform::kMciErrExtensionNotFound);
  EXPECT_EQ(send("open \"" + dir + "/noise.mid\" alias X"), platform::kMciErrInvalidFile);
  EXPECT_EQ(send("status MIDI colour"), platform::kMciErrUnrecognizedKeyword);
  EXPECT_EQ(send("status MIDI"), platform::kMciErrMissingParameter);
  EXPECT_EQ(send("play MIDI from soon"), platform::kMciErrBadInteger);
  platform::mciSetSoundFont((dir + "/no-such-font.sf2").c_str());
  EXPECT_EQ(send("open \"" + dir + "/bgm.mid\" alias X"), platform::kMciErrCannotLoadDriver);

  // None of the failures disturbed the device that is open, nor touched a reply buffer.
  char buf[8] = "unset!";
  EXPECT_EQ(mciSendStringA("status X mode", buf, sizeof buf, 0), platform::kMciErrInvalidDeviceName);
  EXPECT_STREQ(buf, "unset!");
  platform::mciWaitReady();
  EXPECT_EQ(mode(), "stopped");
  EXPECT_EQ(send("close MIDI notify"), 0u);
  EXPECT_EQ(send("close MIDI notify"), platform::kMciErrInvalidDeviceName);
}

TEST(MidiFile, LengthFollowsTheTempoMapAndTheLatestTrack) {
  // Two tracks: the conductor changes tempo at beat 2; the second track ends last, at beat 4.
  const std::string conductor = varLen(0) + "\xff\x51\x03" + be(500000, 3) + varLen(960) + "\xff\x51\x03" +
                                be(250000, 3) + varLen(0) + std::string("\xff\x2f\x00", 3);
  const std::string notes = varLen(0) + std::string("\x90\x40\x50", 3) + varLen(1920) +
                            std::string("\x40\x00", 2) +  // running status
                            varLen(0) + std::string("\xff\x2f\x00", 3);
  const std::string smf = "MThd" + be(6, 4) + be(1, 2) + be(2, 2) + be(480, 2) + "MTrk" +
                          be(uint32_t(conductor.size()), 4) + conductor + "MTrk" +
                          be(uint32_t(notes.size()), 4) + notes;
  platform::MidiFileInfo info;
  std::string bare;
  ASSERT_TRUE(platform::parseMidiFile(smf, &info, &bare));
  EXPECT_EQ(info.totalTicks, 1920);
  EXPECT_EQ(info.ticksToMs(960), 1000);
  EXPECT_EQ(info.ticksToMs(1920), 1500);
  EXPECT_EQ(info.msToTicks(1250), 1440);

  // The same file inside an RMID wrapper.
  const std::string data = "data" + std::string(1, char(smf.size() & 0xff)) + char(smf.size() >> 8) +
                           std::string(2, '\0') + smf + (smf.size() % 2 ? std::string(1, '\0') : "");
  const std::string rmid = "RIFF" + std::string(4, '\0') + "RMID" + data;
  platform::MidiFileInfo wrapped;
  ASSERT_TRUE(platform::parseMidiFile(rmid, &wrapped, &bare));
  EXPECT_EQ(bare, smf);
  EXPECT_EQ(wrapped.totalTicks, 1920);

  // Cut short in the middle of an event: not a file to play.
  EXPECT_FALSE(platform::parseMidiFile(smf.substr(0, smf.size() - 6), &info, &bare));
  EXPECT_FALSE(platform::parseMidiFile("MThd", &info, &bare));
}

TEST(MidiFile, BundledMusicIsAGentleLoopOfHalfAMinuteToAMinute) {
  const char* dir = std::getenv("LANTERNFALL_CONTENT");
  std::ifstream in(fs::path(dir ? dir : "content") / "bgm.mid", std::ios::binary);
  ASSERT_TRUE(in) << "content/bgm.mid";
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  platform::MidiFileInfo info;
  std::string bare;
  ASSERT_TRUE(platform::parseMidiFile(bytes, &info, &bare));
  const int64_t ms = info.ticksToMs(info.totalTicks);
  EXPECT_GE(ms, 30000);
  EXPECT_LE(ms, 60000);
}

// The sound-card path, through SDL's dummy driver: the audio thread renders in real time and the
// device lock keeps the user-interface thread's commands from racing it.
TEST_F(MusicTest, DeviceSinkPlaysThroughTheAudioThread) {
  TestContent content;
  writeFile(content.root() / "a.mid", tinyMidi(2));
  const std::string open = "open \"" + (content.root() / "a.mid").string() + "\" alias A";
  platform::mciSetAudioSink(platform::AudioSink::Device);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_EQ(mciSendStringA(open.c_str(), nullptr, 0, 0), 0u);
  ASSERT_EQ(mciSendStringA("play A", nullptr, 0, 0), 0u);
  // The 500 ms file reaches its end on the audio thread alone; then the poll's restart plays it again.
  bool sawStopped = false;
  for (int i = 0; i < 1000 && !sawStopped; ++i) {
    sawStopped = mode("A") == "stopped";
    if (!sawStopped) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(sawStopped) << "the end of the file was never reached";
  ASSERT_EQ(mciSendStringA("seek A to start", nullptr, 0, 0), 0u);
  ASSERT_EQ(mciSendStringA("play A from 0", nullptr, 0, 0), 0u);
  EXPECT_EQ(mode("A"), "playing");
  for (int i = 0; i < 100; ++i)
    mciSendStringA("pause A", nullptr, 0, 0), mciSendStringA("resume A", nullptr, 0, 0);
  EXPECT_EQ(mciSendStringA("close A", nullptr, 0, 0), 0u);

  // With no audio output at all the open still succeeds, as the device starts behind it; the device then
  // stays "not ready" for good, so the poll never restarts it, and the reason is named once.
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(mciSendStringA(open.c_str(), nullptr, 0, 0), 0u);
  EXPECT_EQ(mciSendStringA("play A", nullptr, 0, 0), 0u);
  platform::mciWaitReady();
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(mode("A"), "not ready");
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const std::string err = ::testing::internal::GetCapturedStderr();
  const size_t named = err.find("no audio output: ");
  EXPECT_NE(named, std::string::npos) << err;
  EXPECT_EQ(err.find("no audio output: ", named + 1), std::string::npos) << "named more than once:\n" << err;
  EXPECT_EQ(mciSendStringA("close A", nullptr, 0, 0), 0u);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
}

// The synthesizer and the audio device start on a thread of their own: a close, or the end of the
// program, at any moment of that start-up must neither crash nor leak (the sanitizer build checks).
TEST_F(MusicTest, CloseDuringStartUpIsClean) {
  TestContent content;
  writeFile(content.root() / "a.mid", tinyMidi(2));
  const std::string open = "open \"" + (content.root() / "a.mid").string() + "\" alias A";
  for (auto sink : {platform::AudioSink::Device, platform::AudioSink::Offline}) {
    platform::mciSetAudioSink(sink);
    // From at once to well into the font's load: the closes meet different steps of the start-up.
    for (int waitMs : {0, 1, 2, 3, 5, 8, 13, 21}) {
      ASSERT_EQ(mciSendStringA(open.c_str(), nullptr, 0, 0), 0u);
      ASSERT_EQ(mciSendStringA("play A", nullptr, 0, 0), 0u);
      std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
      ASSERT_EQ(mciSendStringA("close A", nullptr, 0, 0), 0u);
    }
  }
  // Every start-up that was cut short gave back what it had taken, SDL's audio subsystem too.
  platform::mciSetAudioSink(platform::AudioSink::Device);
  ASSERT_EQ(mciSendStringA(open.c_str(), nullptr, 0, 0), 0u);
  ASSERT_EQ(mciSendStringA("play A", nullptr, 0, 0), 0u);
  platform::mciWaitReady();
  EXPECT_EQ(mode("A"), "playing");
}

TEST(MusicExit, TheProgramEndsCleanlyWhileADeviceStarts) {
  TestContent content;
  writeFile(content.root() / "a.mid", tinyMidi(2));
  const std::string open = "open \"" + (content.root() / "a.mid").string() + "\" alias A";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The exit waits for the start-up and releases the device: the leak checker would change the status.
  EXPECT_EXIT(
      {
        platform::mciSetAudioSink(platform::AudioSink::Device);
        mciSendStringA(open.c_str(), nullptr, 0, 0);
        mciSendStringA("play A", nullptr, 0, 0);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
