// Music from strangers: files no synthesiser could play (floods of events, absurd tempos and track
// counts) and files that are no files at all. Each is refused within bounds and named for what it is.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/media/mci.h"
#include "platform/media/midi_file.h"
#include "tests/support/game_harness.h"
#include "tests/support/test_seed.h"

using testing_support::TestContent;
namespace fs = std::filesystem;

namespace {

std::string be(uint32_t v, int bytes) {
  std::string out;
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<char>((v >> (8 * i)) & 255));
  return out;
}

// A standard MIDI file of `tracks` copies of one track.
std::string midiFile(const std::string& trackEvents, int tracks = 1) {
  std::string file = "MThd" + be(6, 4) + be(1, 2) + be(static_cast<uint32_t>(tracks), 2) + be(480, 2);
  const std::string body = trackEvents + std::string("\x00\xFF\x2F\x00", 4);
  for (int t = 0; t < tracks; ++t) file += "MTrk" + be(static_cast<uint32_t>(body.size()), 4) + body;
  return file;
}

}  // namespace

TEST(HostileMusic, MusicNoSynthesiserCouldPlayIsRefusedAndNamed) {
  const std::string note("\x00\x90\x3C\x40\x60\x80\x3C\x00", 8);  // a quarter note at tick 0
  platform::MidiFileInfo info;
  std::string smf, problem;
  ASSERT_TRUE(platform::parseMidiFile(midiFile(note), &info, &smf, &problem)) << problem;

  // A flood: 100,000 notes at tick 0 (running status: three bytes each).
  std::string flood("\x00\x90\x3C\x40", 4);
  for (int i = 0; i < 100000; ++i) flood += std::string("\x00\x3C\x40", 3);
  EXPECT_FALSE(platform::parseMidiFile(midiFile(flood), &info, &smf, &problem));
  EXPECT_NE(problem.find("it starts 100001 notes within 100 ms at 0 s"), std::string::npos) << problem;
  // A chord of 64 voices at every beat is music.
  std::string chords;
  for (int beat = 0; beat < 100; ++beat) {
    for (int v = 0; v < 64; ++v)
      chords += std::string(v == 0 && beat > 0 ? "\x83\x60" : "\x00", v == 0 && beat > 0 ? 2 : 1) +
                std::string("\x90\x3C\x40", 3);
  }
  EXPECT_TRUE(platform::parseMidiFile(midiFile(chords), &info, &smf, &problem)) << problem;

  EXPECT_FALSE(platform::parseMidiFile(midiFile(std::string("\x00\xFF\x51\x03\x00\x00\x00", 7) + note), &info,
                                       &smf, &problem));
  EXPECT_NE(problem.find("tempo of 0"), std::string::npos) << problem;
  EXPECT_FALSE(platform::parseMidiFile(midiFile(note, 129), &info, &smf, &problem));
  EXPECT_NE(problem.find("it has 129 tracks; the synthesiser plays at most 128"), std::string::npos)
      << problem;

  // The slowest tempo over the longest a file can last, and times no file has: saturated, never wrapped.
  platform::MidiFileInfo slow;
  slow.ticksPerQuarter = 1;
  slow.tempos.push_back({0, 0xFFFFFF});
  EXPECT_GT(slow.ticksToMs(int64_t{1} << 50), 0);
  EXPECT_EQ(slow.ticksToMs(INT64_MAX), INT64_MAX / 1000);
  EXPECT_GE(slow.msToTicks(INT64_MAX), 0);
  EXPECT_GE(info.msToTicks(INT64_MAX), 0);
}

namespace {

std::string midiTracks(const std::vector<std::string>& tracks, int ticksPerQuarter) {
  std::string file = "MThd" + be(6, 4) + be(1, 2) + be(static_cast<uint32_t>(tracks.size()), 2) +
                     be(static_cast<uint32_t>(ticksPerQuarter), 2);
  for (const std::string& t : tracks) {
    const std::string body = t + std::string("\x00\xFF\x2F\x00", 4);
    file += "MTrk" + be(static_cast<uint32_t>(body.size()), 4) + body;
  }
  return file;
}

// `count` copies of a two- or three-byte channel event at one tick (after the first, running status).
std::string burst(const std::string& event, int count) {
  std::string t = std::string(1, '\0') + event;
  for (int i = 1; i < count; ++i) t += std::string(1, '\0') + event.substr(1);
  return t;
}

}  // namespace

TEST(HostileMusic, FloodsOfAnyChannelEventAreRefusedAsNoteFloodsAre) {
  platform::MidiFileInfo info;
  std::string smf, problem;
  // 1.4 million program changes at tick 0 would hold the audio thread (and the close) for minutes.
  EXPECT_FALSE(platform::parseMidiFile(midiTracks({burst("\xC0\x05", 1400000)}, 480), &info, &smf, &problem));
  EXPECT_NE(
      problem.find("it sends 1400000 program changes and system-exclusive messages within 100 ms at 0 s"),
      std::string::npos)
      << problem;
  // System-exclusive messages count with them; controllers, pitch bends and note-offs by their own measure.
  std::string sysex;
  for (int i = 0; i < 300; ++i) sysex += std::string("\x00\xF0\x05\x7E\x7F\x09\x01\xF7", 8);
  EXPECT_FALSE(platform::parseMidiFile(midiTracks({sysex}, 480), &info, &smf, &problem));
  EXPECT_NE(problem.find("it sends 300 program changes and system-exclusive messages"), std::string::npos)
      << problem;
  // Ten seconds in (9,600 ticks at 120 beats a minute), on two tracks that the check merges.
  const std::string later = std::string("\xCB\x00", 2);  // 9600 as a variable-length quantity
  const std::string bends = later + burst(std::string("\xE0\x00\x40", 3), 2500).substr(1);
  EXPECT_FALSE(platform::parseMidiFile(midiTracks({bends, bends}, 480), &info, &smf, &problem));
  EXPECT_NE(problem.find(
                "it sends 5000 controller, pitch-bend, pressure and note-off events within 100 ms at 10 s"),
            std::string::npos)
      << problem;
  // Busy music is no flood: every channel changing instrument twice and sweeping a controller each tick.
  std::string busy;
  for (int tick = 0; tick < 2000; ++tick) {
    for (int ch = 0; ch < 16; ++ch) {
      busy +=
          std::string(1, char(ch == 0 && tick > 0 ? 1 : 0)) + char(0xB0 | ch) + char(7) + char(tick % 128);
      if (ch < 2) busy += std::string(1, '\0') + char(0xC0 | ch) + char(tick % 128);
    }
  }
  EXPECT_TRUE(platform::parseMidiFile(midiTracks({busy}, 480), &info, &smf, &problem)) << problem;
}

// The flood check walks the tempo map beside the events; its answers must be those of converting every
// note's tick through ticksToMs and counting, on a tempo map that changes every few ticks.
TEST(HostileMusic, TheNoteFloodCheckAgreesWithTheTempoMapNoteByNote) {
  const uint32_t seed = testing_support::testSeed();
  std::mt19937 random(seed);
  platform::MidiFileInfo map;
  map.ticksPerQuarter = 96;
  std::string conductor;
  constexpr int kTicks = 1000;
  for (int tick = 0; tick < kTicks; tick += 5) {
    const int64_t micros = tick / 5 % 2 ? 1000000 : 250000;
    map.tempos.push_back({tick, micros});
    conductor +=
        std::string(1, char(tick == 0 ? 0 : 5)) + "\xFF\x51\x03" + be(static_cast<uint32_t>(micros), 3);
  }
  std::vector<int64_t> msOfTick;
  for (int tick = 0; tick < kTicks; ++tick) msOfTick.push_back(map.ticksToMs(tick));
  bool sawRefused = false, sawPlayed = false;
  // About 15 ticks make 100 ms here, so some 30 × density notes start in any window.
  for (int density : {20, 31, 34, 37, 50}) {
    std::vector<int64_t> ticks;
    std::string tracks[2];
    for (std::string& t : tracks) {
      int sinceLast = 0;
      for (int tick = 0; tick < kTicks; ++tick, ++sinceLast) {
        const int n = static_cast<int>(random() % (2 * density + 1));
        for (int i = 0; i < n; ++i, sinceLast = 0) {
          t += std::string(1, char(sinceLast)) + "\x90\x3C\x40";
          ticks.push_back(tick);
        }
      }
    }
    std::sort(ticks.begin(), ticks.end());
    std::vector<int64_t> ms;
    for (int64_t tick : ticks) ms.push_back(msOfTick[static_cast<size_t>(tick)]);
    size_t refusedCount = 0;
    int64_t refusedAt = 0;
    for (size_t i = 0; i < ms.size() && refusedCount == 0; ++i) {
      const size_t count =
          static_cast<size_t>(std::upper_bound(ms.begin(), ms.end(), ms[i] + 99) - ms.begin()) - i;
      if (count > static_cast<size_t>(platform::kMaxNotesInWindow)) refusedCount = count, refusedAt = ms[i];
    }
    platform::MidiFileInfo info;
    std::string smf, problem;
    const bool played =
        platform::parseMidiFile(midiTracks({conductor, tracks[0], tracks[1]}, 96), &info, &smf, &problem);
    EXPECT_EQ(played, refusedCount == 0) << "seed " << seed << ", density " << density << ": " << problem;
    if (!played) {
      EXPECT_NE(problem.find("it starts " + std::to_string(refusedCount) + " notes within 100 ms at " +
                             std::to_string(refusedAt / 1000) + " s"),
                std::string::npos)
          << "seed " << seed << ": " << problem;
    }
    (played ? sawPlayed : sawRefused) = true;
  }
  EXPECT_TRUE(sawPlayed && sawRefused) << "seed " << seed << ": the densities straddle the limit";
}

TEST(HostileMusic, AMusicFileThatIsNoFileOrTooLargeIsNamedForWhatItIs) {
  TestContent content;
  platform::mciSetAudioSink(platform::AudioSink::Offline);
  const fs::path root = content.root();
  ASSERT_EQ(mkfifo((root / "fifo.mid").c_str(), 0600), 0);
  fs::create_directory(root / "folder.mid");
  {
    std::ofstream big(root / "big.mid", std::ios::binary);
    big << "MThd";
  }
  fs::resize_file(root / "big.mid", uint64_t{2} << 30);
  const std::pair<const char*, const char*> cases[] = {{"fifo.mid", "is a FIFO, not a file"},
                                                       {"folder.mid", "is a folder, not a file"},
                                                       {"big.mid", "is 2 GiB, more than the 4 MiB"}};
  for (const auto& [name, says] : cases) {
    ::testing::internal::CaptureStderr();
    const auto start = std::chrono::steady_clock::now();
    mciSendStringA(("open \"" + (root / name).string() + "\" alias MIDI").c_str(), nullptr, 0, 0);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::string err = ::testing::internal::GetCapturedStderr();
    mciSendStringA("close MIDI", nullptr, 0, 0);
    EXPECT_NE(err.find(says), std::string::npos) << err;
    EXPECT_LT(seconds, 1.0) << name;
  }
}
