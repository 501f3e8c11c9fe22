// The wish simulation's cost: CPU of HARD play (the power tick at the 10 ms floor, the day tick, and a
// frame drawn for every change), and the time from a click on the title to the first text row drawn.
// Plays the bundled content beside the build; music is left to its offline sink and not counted here.
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/fom.h"
#include "platform/app.h"
#include "platform/event_loop.h"
#include "platform/mci.h"
#include "platform/renderer.h"
#include "platform/text_file.h"

namespace {

namespace fs = std::filesystem;

constexpr int16_t kRightButton = 2;
constexpr int kTickMs = platform::kTimerFloorMs;
constexpr int64_t kMeasuredMs = 25'000;  // HARD's day 31 comes at 30 s; stay inside one game

// The content folder the game would run from: LANTERNFALL_CONTENT, else the build folder above bench/.
std::string contentDir() {
  if (const char* dir = std::getenv("LANTERNFALL_CONTENT")) return dir;
  return fs::path(platform::AppPath()).parent_path().string();
}

double cpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// One game on the manual clock with a frame drawn off-screen whenever the window changed.
class BenchGame {
 public:
  BenchGame() {
    platform::mciSetAudioSink(platform::AudioSink::Offline);
    platform::setAppPathForTesting(contentDir());
    loop_ = platform::EventLoop::manual();
    fom_ = std::make_unique<Fom>(*loop_);
    fom_->trace = [this](std::string_view what, std::string_view) { inWish_ = what == "wish"; };
    fom_->Me.Load();
    fom_->Me.Show();
    target_ = std::make_unique<platform::OffscreenTarget>(static_cast<int>(fom_->Me.clientWidthPx()),
                                                          static_cast<int>(fom_->Me.clientHeightPx()));
    drawIfChanged();
  }
  ~BenchGame() {
    fom_.reset();
    platform::CloseAll();
    platform::mciCloseAll();
    platform::setAppPathForTesting("");
  }

  bool ok() const { return target_->ok() && fom_->picStt.Visible(); }
  Fom& fom() { return *fom_; }
  bool inWish() const { return inWish_; }

  void drawIfChanged() {
    if (fom_->Me.changeSerial() == drawn_) return;
    drawn_ = fom_->Me.changeSerial();
    target_->renderer().draw(fom_->Me);
    ++frames_;
  }
  void tick(bool draw = true) {
    loop_->advance(kTickMs);
    if (draw) drawIfChanged();
  }
  // Title to wish simulation: the player clicks through the opening.
  bool playOpening(int16_t button) {
    fom_->picStt.onMouseDown(button, 0, 0, 0);
    for (int clicks = 0; !inWish_ && clicks < 1000; ++clicks) {
      fom_->lbl[2].Click();
      drawIfChanged();
    }
    return inWish_;
  }
  int frames() const { return frames_; }

 private:
  std::unique_ptr<platform::EventLoop> loop_;
  std::unique_ptr<Fom> fom_;
  std::unique_ptr<platform::OffscreenTarget> target_;
  uint64_t drawn_ = 0;
  int frames_ = 0;
  bool inWish_ = false;
};

// One simulated second of HARD play: 100 power ticks, one day, and their frames.
void BM_HardSecond(benchmark::State& state) {
  BenchGame game;
  if (!game.ok() || !game.playOpening(kRightButton)) {
    state.SkipWithError("the game did not reach the wish simulation");
    return;
  }
  int64_t simulatedMs = 0;
  for (auto _ : state) {
    for (int i = 0; i < 1000 / kTickMs; ++i) game.tick();
    simulatedMs += 1000;
    if (!game.inWish() || simulatedMs >= kMeasuredMs) {
      state.PauseTiming();
      game.fom().lblDay.setCaption("1");  // keep the same game going, away from its last day
      simulatedMs = 0;
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_HardSecond)->Unit(benchmark::kMillisecond);

// Percent of one core that HARD play needs in real time, over kMeasuredMs of game time.
double hardCpuPercent(bool draw, int* frames) {
  BenchGame game;
  if (!game.ok() || !game.playOpening(kRightButton)) return -1;
  const double cpu0 = cpuMs();
  for (int64_t t = 0; t < kMeasuredMs; t += kTickMs) game.tick(draw);
  const double cpu = cpuMs() - cpu0;
  *frames = game.frames();
  if (!game.inWish()) std::fprintf(stderr, "sim_bench: the game left the wish simulation early\n");
  return 100.0 * cpu / static_cast<double>(kMeasuredMs);
}

// Wall time from the mouse button on the title to the frame that shows the opening's first row.
double clickToFirstTextMs() {
  BenchGame game;
  if (!game.ok()) return -1;
  const auto t0 = std::chrono::steady_clock::now();
  game.fom().picStt.onMouseDown(1, 0, 0, 0);
  game.drawIfChanged();
  const auto t1 = std::chrono::steady_clock::now();
  if (game.fom().lbl[2].Caption().empty()) std::fprintf(stderr, "sim_bench: no text after the click\n");
  return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  int frames = 0;
  // The game's own share, without frames, says how much of the figure is the drawing.
  const double ticksOnly = hardCpuPercent(false, &frames);
  const double percent = hardCpuPercent(true, &frames);
  std::fprintf(stderr, "sim_bench: HARD ticks alone %.2f %% of a core; with %d frames in %lld ms %.2f %%\n",
               ticksOnly, frames, static_cast<long long>(kMeasuredMs), percent);
  std::printf("RESULT\tsim: HARD wish simulation CPU, ticks and redraws\t%.2f\t%%core\t8\n", percent);

  std::vector<double> ms;
  for (int i = 0; i < 5; ++i) ms.push_back(clickToFirstTextMs());
  std::sort(ms.begin(), ms.end());
  std::printf("RESULT\tsim: click on the title to first text row drawn\t%.1f\tms\t16.7\n", ms[2]);
  return 0;
}
