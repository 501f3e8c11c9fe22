// The scenario interpreter under bulk: a one-million-line scenario played as a single run (one step that
// shows every line), its time, and how the peak memory grows with the number of lines.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/fom.h"
#include "platform/media/text_file.h"
#include "platform/runtime/event_loop.h"
#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;

constexpr int kMillion = 1'000'000;

const fs::path& benchDir() {
  static const fs::path dir = [] {
    fs::path made = testing_support::processScratchFolder("lanternfall-bench");
    fs::create_directories(made / "txt");
    return made;
  }();
  return dir;
}

// "--<lines>" and then that many rows of Japanese prose in CP932: the whole file is one run.
std::string writeRunScenario(int lines) {
  const std::string name = "run" + std::to_string(lines);
  const fs::path path = benchDir() / "txt" / (name + ".dat");
  if (fs::exists(path)) return name;
  std::ofstream out(path, std::ios::binary);
  const std::string row = platform::encodeCp932("月の光が葉の上で揺れていた。彼女は小さく頷いた。");
  out << "--" << lines << "\r\n";
  for (int i = 0; i < lines; ++i) out << row << i << "\r\n";
  return name;
}

// Plays the scenario as one run, then clicks past its last line (which waits with "▼" for the end of the
// file) into the hand-over; returns false if it did not get there.
bool playAsOneRun(const std::string& name) {
  auto loop = platform::EventLoop::manual();
  auto fom = std::make_unique<Fom>(*loop);
  fom->BgmTim.setEnabled(false);
  fom->TxtDir = benchDir().string() + "/txt/";
  bool handedOver = false;
  fom->trace = [&handedOver](std::string_view what, std::string_view) { handedOver |= what == "wish"; };
  fom->StartScenario(name);
  // The click that StartScenario runs has enabled the timer again; the tick test holds at "tugi".
  const bool waiting = fom->PageMark == "▼" && fom->CurrentLine == "tugi";
  fom->lbl[0].Click();
  platform::CloseAll();
  return waiting && handedOver;
}

// Peak resident memory since the last reset, in KiB.
long peakRssKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}
void resetPeakRss() { std::ofstream("/proc/self/clear_refs") << "5"; }

void BM_MillionLineRun(benchmark::State& state) {
  const std::string name = writeRunScenario(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    if (!playAsOneRun(name)) state.SkipWithError("the run did not reach the end of the scenario");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MillionLineRun)->Arg(10'000)->Arg(kMillion)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  // Memory first, before the timed runs leave their pages in the allocator: what a small run costs at all,
  // and how much more a run of a hundred times the lines needs (flat: nothing).
  const std::string small = writeRunScenario(10'000);
  const std::string large = writeRunScenario(kMillion);
  resetPeakRss();
  const long base = peakRssKiB();
  const bool smallOk = playAsOneRun(small);
  const long afterSmall = peakRssKiB();
  const bool largeOk = playAsOneRun(large);
  const long afterLarge = peakRssKiB();
  if (!smallOk || !largeOk) std::fprintf(stderr, "interpreter_bench: a run did not reach its hand-over\n");

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  std::vector<double> ms;
  for (int i = 0; i < 3; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    playAsOneRun(large);
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(ms.begin(), ms.end());
  std::printf("RESULT\tinterpreter: 1,000,000-line run (median of 3)\t%.0f\tms\t1000\n", ms[1]);
  std::printf("RESULT\tinterpreter: peak memory of a 10,000-line run\t%.1f\tMiB\t8\n",
              static_cast<double>(afterSmall - base) / 1024.0);
  std::printf("RESULT\tinterpreter: peak memory, 1,000,000 lines over 10,000\t%.1f\tMiB\t1\n",
              static_cast<double>(afterLarge - afterSmall) / 1024.0);
  return 0;
}
