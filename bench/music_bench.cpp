// The music's cost, apart from the window: synthesis of the bundled bgm.mid as a share of one core, the
// start-up time the open command takes on the user-interface thread (the synthesizer, the audio device
// and the sound font start beside it), and one status poll, which BgmTim sends a hundred times a second.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/media/executable_path.h"
#include "platform/media/mci.h"
#include "platform/media/midi_file.h"
#include "platform/runtime/app.h"

namespace {

namespace fs = std::filesystem;

std::string bgmPath() {
  if (const char* dir = std::getenv("LANTERNFALL_CONTENT")) return (fs::path(dir) / "bgm.mid").string();
  return (fs::path(platform::AppPath()).parent_path() / "bgm.mid").string();
}

double cpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

bool openBgm(platform::AudioSink sink = platform::AudioSink::Offline) {
  platform::mciSetAudioSink(sink);
  const std::string open = "open \"" + bgmPath() + "\" alias MIDI";
  return mciSendStringA(open.c_str(), nullptr, 0, 0) == 0;
}

// CPU per second of music while it plays, rendered offline in the 10 ms steps of the game's poll.
double synthesisPercent() {
  if (!openBgm()) return -1;
  mciSendStringA("play MIDI", nullptr, 0, 0);
  platform::mciWaitReady();
  constexpr int kSeconds = 50;
  const double t0 = cpuMs();
  for (int i = 0; i < kSeconds * 100; ++i) platform::mciRenderOffline(10);
  const double used = cpuMs() - t0;
  platform::mciCloseAll();
  return used / (kSeconds * 1000.0) * 100.0;
}

// Wall time of the open command on the calling thread, and until the device is ready to play.
void openTimes(platform::AudioSink sink, double* openMs, double* readyMs) {
  const auto t0 = std::chrono::steady_clock::now();
  const bool ok = openBgm(sink);
  const auto t1 = std::chrono::steady_clock::now();
  platform::mciWaitReady();
  const auto t2 = std::chrono::steady_clock::now();
  platform::mciCloseAll();
  *openMs = ok ? std::chrono::duration<double, std::milli>(t1 - t0).count() : -1;
  *readyMs = ok ? std::chrono::duration<double, std::milli>(t2 - t0).count() : -1;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// ---- Music files as large or as dense as a file may be ----

std::string be(uint32_t v, int bytes) {
  std::string s;
  for (int i = bytes - 1; i >= 0; --i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
  return s;
}

std::string smf(const std::vector<std::string>& tracks) {
  std::string file = "MThd" + be(6, 4) + be(1, 2) + be(static_cast<uint32_t>(tracks.size()), 2) + be(480, 2);
  for (const std::string& t : tracks)
    file += "MTrk" + be(static_cast<uint32_t>(t.size() + 4), 4) + t + std::string("\x00\xff\x2f\x00", 4);
  return file;
}

// The worst the reader can meet within 4 MiB: 8,000 tempo changes in a conductor track and 1.375 M notes,
// a note every tick (some 96 in any 100 ms: music, not a flood), so that every note meets the tempo map.
std::string largestMidi() {
  std::string conductor, notes;
  for (int i = 0; i < 8000; ++i) {
    conductor += std::string(i == 0 ? "\x00" : "\x81\x2c", i == 0 ? 1 : 2) + "\xff\x51\x03" +
                 be(400000 + 20 * static_cast<uint32_t>(i % 5000), 3);
  }
  notes = std::string("\x00\x90\x3c\x40", 4);
  for (int i = 1; i < 1375000; ++i) notes += std::string("\x01", 1) + char(0x30 + i % 40) + char(0x40);
  return smf({conductor, notes});
}

// Program changes on every channel, two every tick, as many as a file may have in 100 ms without being
// refused: the costliest accepted music for the audio thread.
std::string densestAcceptedMidi() {
  std::string t;
  for (int tick = 0; tick < 96 * 10 * 20; ++tick) {
    for (int k = 0; k < 2; ++k) {
      t += std::string(k == 0 && tick > 0 ? "\x01" : "\x00", 1) + char(0xc0 | ((tick * 2 + k) % 16)) +
           char((tick * 7 + k * 31) % 128);
    }
  }
  return smf({t});
}

double msSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// Time to read (and check) the largest file, median of five.
double largestReadMs() {
  const std::string bytes = largestMidi();
  if (bytes.size() > platform::kMaxMidiFileBytes) return -1;
  std::vector<double> times;
  for (int i = 0; i < 5; ++i) {
    platform::MidiFileInfo info;
    std::string bare, problem;
    const auto t0 = std::chrono::steady_clock::now();
    const bool ok = platform::parseMidiFile(bytes, &info, &bare, &problem);
    times.push_back(msSince(t0));
    if (!ok) std::fprintf(stderr, "music_bench: the largest file is refused: %s\n", problem.c_str());
  }
  return median(times);
}

// The close of a device that plays `bytes` through the audio thread, a second and a half in.
double closeWhilePlayingMs(const fs::path& dir, const std::string& bytes) {
  const fs::path path = dir / "playing.mid";
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return -1;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  platform::mciSetAudioSink(platform::AudioSink::Device);
  const std::string open = "open \"" + path.string() + "\" alias DENSE";
  if (mciSendStringA(open.c_str(), nullptr, 0, 0) != 0) return -1;
  mciSendStringA("play DENSE", nullptr, 0, 0);
  platform::mciWaitReady();
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  const auto t0 = std::chrono::steady_clock::now();
  mciSendStringA("close DENSE", nullptr, 0, 0);
  const double ms = msSince(t0);
  fs::remove(path);
  return ms;
}

}  // namespace

// Figures over whole runs rather than the benchmark library's loops: each needs a device opened anew.
int main() {
  // SDL's dummy driver unless the environment names another: it opens like a sound card, minus the
  // sound server, whose connection only adds to what the device open costs.
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  platform::installExecutablePath();
  std::vector<double> synth, open, ready, deviceOpen, deviceReady;
  for (int i = 0; i < 5; ++i) {
    if (i < 3) synth.push_back(synthesisPercent());
    double o = 0, r = 0;
    openTimes(platform::AudioSink::Offline, &o, &r);
    open.push_back(o);
    ready.push_back(r);
    openTimes(platform::AudioSink::Device, &o, &r);
    deviceOpen.push_back(o);
    deviceReady.push_back(r);
  }
  std::fprintf(stderr, "music_bench: offline device ready %.1f ms after the open command (median)\n",
               median(ready));
  std::fprintf(stderr, "music_bench: audio device ready %.1f ms after the open command (median)\n",
               median(deviceReady));
  // Part of the idle CPU of the whole game (process_bench.sh), which is the figure with the goal.
  std::fprintf(stderr, "music_bench: synthesis of bgm.mid %.2f %% of one core (median)\n", median(synth));
  std::printf("RESULT\tmusic: open command on the UI thread\t%.2f\tms\t5\n", median(open));
  std::printf("RESULT\tmusic: open command on the UI thread, audio device\t%.2f\tms\t1\n",
              median(deviceOpen));

  // One poll with the buffer the game's poll uses.
  if (openBgm()) {
    platform::mciWaitReady();
    char reply[16];
    constexpr int kPolls = 100000;
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kPolls; ++i) {
      std::fill(reply, reply + 16, ' ');
      mciSendStringA("status MIDI mode", reply, 15, 0);
    }
    const auto t1 = std::chrono::steady_clock::now();
    platform::mciCloseAll();
    const double us = std::chrono::duration<double, std::micro>(t1 - t0).count() / kPolls;
    std::printf("RESULT\tmusic: one status poll\t%.2f\tus\t20\n", us);
  }

  std::printf(
      "RESULT\tmusic: reading the largest MIDI file (4 MiB, 8000 tempos, 1.375 M notes)\t%.1f\tms\t100\n",
      largestReadMs());
  const fs::path dir = fs::temp_directory_path() / ("lanternfall_music_bench_" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::string bgm;
  if (std::FILE* f = std::fopen(bgmPath().c_str(), "rb")) {
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bgm.append(chunk, n);
    std::fclose(f);
  }
  std::printf("RESULT\tmusic: close while bgm.mid plays\t%.1f\tms\t1000\n", closeWhilePlayingMs(dir, bgm));
  std::printf("RESULT\tmusic: close while the densest accepted music plays\t%.1f\tms\t1000\n",
              closeWhilePlayingMs(dir, densestAcceptedMidi()));
  fs::remove_all(dir);
  return 0;
}
