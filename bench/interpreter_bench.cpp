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
#include "platform/event_loop.h"
#include "platform/text_file.h"

namespace {

namespace fs = std::filesystem;

constexpr int kMillion = 1'000'000;

const fs::path& benchDir() {
  static const fs::path dir = [] {
    std::string pattern = (fs::temp_directory_path() / "lanternfall-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    fs::create_directories(fs::path(pattern) / "txt");
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(benchDir(), ec);
    });
    return fs::path(pattern);
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

// Plays the scenario from StartScenario to its hand-over; returns false if it did not get there.
bool playAsOneRun(const std::string& name) {
  auto loop = platform::EventLoop::manual();
  auto fom = std::make_unique<Fom>(*loop);
  fom->BgmTim.setEnabled(false);
  fom->TxtDir = benchDir().string() + "/txt/";
  bool handedOver = false;
  fom->trace = [&handedOver](std::string_view what, std::string_view) { handedOver |= what == "wish"; };
  fom->StartScenario(name);
  platform::CloseAll();
  return handedOver;
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

// How far one run of `lines` lines lifts the peak above what the process held before it.
double peakGrowthMiB(int lines) {
  const std::string name = writeRunScenario(lines);
  resetPeakRss();
  const long before = peakRssKiB();
  if (!playAsOneRun(name)) std::fprintf(stderr, "interpreter_bench: %s did not hand over\n", name.c_str());
  return static_cast<double>(peakRssKiB() - before) / 1024.0;
}

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
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  // The figures for the report: median of three timed runs, and the peak growth at two sizes.
  const std::string name = writeRunScenario(kMillion);
  std::vector<double> ms;
  for (int i = 0; i < 3; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    playAsOneRun(name);
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(ms.begin(), ms.end());
  std::printf("RESULT\tinterpreter: 1,000,000-line run\t%.0f\tms\t1000\n", ms[1]);
  const double small = peakGrowthMiB(10'000);
  const double large = peakGrowthMiB(kMillion);
  std::printf("RESULT\tinterpreter: peak memory growth, 10,000-line run\t%.1f\tMiB\t8\n", small);
  std::printf("RESULT\tinterpreter: peak memory growth, 1,000,000-line run\t%.1f\tMiB\t8\n", large);
  return 0;
}
