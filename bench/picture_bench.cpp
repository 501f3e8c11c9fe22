// Picture display speed: decoding a 1920 × 1080 JPEG into the buffer box, painting it over a 600 × 600
// box and drawing that box, the work of one ">img" line up to the window's pixels (goal: 5 ms).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/media/image.h"
#include "platform/runtime/form.h"
#include "platform/runtime/picture_box.h"
#include "platform/sdl/offscreen_target.h"

namespace {

constexpr double kGoalMs = 5.0;

std::string photoPath() {
  const char* dir = std::getenv("LANTERNFALL_BENCH_DATA");
  return std::string(dir ? dir : "tests/data") + "/img/ui_photo_1920x1080.jpg";
}

struct Boxes {
  platform::Form form{"fom"};
  platform::PictureBox buffer{&form, "E"};
  platform::PictureBox target{&form, "Pic"};
  Boxes() { target.setPixelRect({0, 0, 600, 600}); }
};

void paintWhole(platform::PictureBox& target, const platform::PictureBox& buffer) {
  target.PaintPicture(buffer, 0, 0, target.ScaleWidth(), target.ScaleHeight(), 0, 0, buffer.ScaleWidth(),
                      buffer.ScaleHeight());
}

void BM_LoadAndPaint(benchmark::State& state) {
  Boxes boxes;
  boxes.buffer.setVisible(false);
  platform::OffscreenTarget window(600, 600);
  const std::string path = photoPath();
  for (auto _ : state) {
    boxes.target.Cls();
    // As ShowPicture loads it: knowing the box it will be painted over.
    if (!boxes.buffer.LoadPicture(path, nullptr, 600, 600)) {
      state.SkipWithError(("cannot load " + path).c_str());
      return;
    }
    paintWhole(boxes.target, boxes.buffer);
    window.renderer().draw(boxes.form);
    benchmark::DoNotOptimize(window.pixel(300, 300));
  }
}
BENCHMARK(BM_LoadAndPaint)->Unit(benchmark::kMillisecond);

void BM_DecodeOnly(benchmark::State& state) {
  const std::string path = photoPath();
  for (auto _ : state) {
    auto image = platform::loadImageFile(path);
    if (!image) {
      state.SkipWithError(("cannot load " + path).c_str());
      return;
    }
    benchmark::DoNotOptimize(image->pixels.data());
  }
}
BENCHMARK(BM_DecodeOnly)->Unit(benchmark::kMillisecond);

void BM_StretchOnly(benchmark::State& state) {
  Boxes boxes;
  if (!boxes.buffer.LoadPicture(photoPath(), nullptr, 600, 600)) {
    state.SkipWithError("cannot load the photo");
    return;
  }
  for (auto _ : state) {
    boxes.target.Cls();
    paintWhole(boxes.target, boxes.buffer);
    benchmark::DoNotOptimize(boxes.target.retained().pixels.data());
  }
}
BENCHMARK(BM_StretchOnly)->Unit(benchmark::kMillisecond);

// Prints the usual table, and one RESULT line for the speed report.
class ResultReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.benchmark_name() == "BM_LoadAndPaint" && !run.error_occurred)
        loadAndPaintMs = run.GetAdjustedRealTime();
    }
  }
  double loadAndPaintMs = -1;
};

}  // namespace

int main(int argc, char** argv) {
  platform::installPictureDecoder();
  benchmark::Initialize(&argc, argv);
  ResultReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  if (reporter.loadAndPaintMs >= 0) {
    std::printf("RESULT\tpicture: load + paint + draw 1920x1080 JPEG into 600x600\t%.2f\tms\t%.0f\n",
                reporter.loadAndPaintMs, kGoalMs);
  }
  return 0;
}
