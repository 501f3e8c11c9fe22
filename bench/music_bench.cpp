// The music's cost, apart from the window: synthesis of the bundled bgm.mid as a share of one core, the
// start-up time the open command takes on the user-interface thread (the synthesizer, the audio device
// and the sound font start beside it), and one status poll, which BgmTim sends a hundred times a second.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/media/executable_path.h"
#include "platform/media/mci.h"
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
  return 0;
}
