// The application object: the executable's folder, the seeded generator, ending the program.
#include "platform/runtime/app.h"

#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <random>

namespace platform {
namespace {

std::string gAppPathOverride;
std::mt19937 gGenerator{12345u};
std::function<float()> gRandomSource;
std::function<void()> gEndHandler;
bool gEnded = false;

}  // namespace

std::string AppPath() {
  if (!gAppPathOverride.empty()) return gAppPathOverride;
  // The executable itself, links resolved: the working directory plays no part.
  char buf[PATH_MAX + 1];
  const ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
  if (n <= 0) return ".";
  std::string exe(buf, static_cast<size_t>(n));
  const auto slash = exe.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return exe.substr(0, slash);
}

void setAppPathForTesting(const std::string& path) { gAppPathOverride = path; }
void setAppPath(const std::string& path) { gAppPathOverride = path; }

void Randomize() {
  const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  gGenerator.seed(static_cast<std::mt19937::result_type>(ticks ^ (ticks >> 32)));
}

float Rnd() {
  if (gRandomSource) return gRandomSource();
  // 24 random bits: every value is exact in single precision and strictly below 1.
  return static_cast<float>(gGenerator() >> 8) / 16777216.0f;
}

void setRandomSourceForTesting(std::function<float()> source) { gRandomSource = std::move(source); }

void End() {
  gEnded = true;
  if (gEndHandler) gEndHandler();
}

bool endRequested() { return gEnded; }

void setEndHandler(std::function<void()> handler) { gEndHandler = std::move(handler); }

void resetEndForTesting() {
  gEnded = false;
  gEndHandler = nullptr;
}

namespace {
std::function<void(const std::string&)> gProblemListener;
}  // namespace

void reportProblem(const std::string& message) {
  std::fprintf(stderr, "lanternfall: %s\n", message.c_str());
  std::fflush(stderr);
  if (gProblemListener) gProblemListener(message);
}

void setProblemListener(std::function<void(const std::string&)> listener) {
  gProblemListener = std::move(listener);
}

}  // namespace platform
