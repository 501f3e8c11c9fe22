// The application object: the executable's folder, the seeded generator, ending the program.
#include "platform/runtime/app.h"

#include <chrono>
#include <exception>
#include <new>
#include <random>
#include <utility>

namespace platform {
namespace {

std::string gAppPathOverride;
ExecutablePathSource gExecutablePath = nullptr;
std::mt19937 gGenerator{12345u};
std::function<float()> gRandomSource;
std::function<void()> gEndHandler;
bool gEnded = false;

}  // namespace

std::string AppPath() {
  if (!gAppPathOverride.empty()) return gAppPathOverride;
  // The executable itself, links resolved: the working directory plays no part.
  const std::string exe = gExecutablePath ? gExecutablePath() : std::string();
  const auto slash = exe.find_last_of(kPathSeparator);
  if (slash == std::string::npos) return ".";
  // A root keeps its separator: "/" on Linux, "C:/" for a program in a Windows drive's root folder.
  if (slash == 0 || (slash == 2 && exe[1] == ':')) return exe.substr(0, slash + 1);
  return exe.substr(0, slash);
}

void setExecutablePathSource(ExecutablePathSource source) { gExecutablePath = source; }

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

bool runGuarded(const char* what, const std::function<void()>& work) {
  try {
    work();
    return true;
  } catch (const std::bad_alloc&) {
    reportProblem(std::string(what) + " ran out of memory and was abandoned; the game goes on");
  } catch (const std::exception& e) {
    reportProblem(std::string(what) + " stopped: " + e.what() + "; the game goes on");
  } catch (...) {
    reportProblem(std::string(what) + " stopped on an unknown failure; the game goes on");
  }
  return false;
}

}  // namespace platform
