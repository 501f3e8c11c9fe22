// The application object: the executable's folder, the seeded generator, ending the program.
#include "platform/runtime/app.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <new>
#include <random>
#include <unordered_map>
#include <utility>
#include <vector>

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

// Problems written since the last flush, each with how many identical ones came after it unwritten.
// Bounded: when it is full, it is flushed and starts again. The audio thread reports too, so it is kept
// under a lock.
struct ProblemLog {
  static constexpr size_t kMaxKept = 256;
  std::mutex lock;
  std::vector<std::pair<std::string, uint64_t>> written;
  std::unordered_map<std::string, size_t> index;
  std::chrono::steady_clock::time_point lastFlush = std::chrono::steady_clock::now();
  bool flushAtExit = false;
};

// How often counts are written while the same problems keep coming.
constexpr std::chrono::seconds kProblemCountInterval{10};

ProblemLog& problemLog() {
  static ProblemLog* log = new ProblemLog;  // never destroyed: reports may come during exit
  return *log;
}

// Control characters (a NUL or an escape sequence in a file name) are shown as \xNN, so that what a
// file holds can neither cut a message short nor drive the terminal.
std::string printable(const std::string& message) {
  std::string out;
  out.reserve(message.size());
  for (unsigned char c : message) {
    if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

std::string withThousands(uint64_t n) {
  std::string digits = std::to_string(n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
    out.push_back(digits[i]);
  }
  return out;
}

// Writes the counts. forget: start afresh (a problem is named again when next met); otherwise problems
// that came again stay known and keep being counted, and those that did not are forgotten.
void flushLocked(ProblemLog& log, bool forget) {
  std::vector<std::pair<std::string, uint64_t>> kept;
  for (auto& [message, repeats] : log.written) {
    if (repeats == 0) continue;
    std::fprintf(stderr, "lanternfall: ... and %s more like it: %s\n", withThousands(repeats).c_str(),
                 printable(message).c_str());
    if (!forget) kept.emplace_back(std::move(message), 0);
  }
  std::fflush(stderr);
  log.written = std::move(kept);
  log.index.clear();
  for (size_t i = 0; i < log.written.size(); ++i) log.index.emplace(log.written[i].first, i);
  log.lastFlush = std::chrono::steady_clock::now();
}

}  // namespace

void reportProblem(const std::string& message) {
  ProblemLog& log = problemLog();
  std::lock_guard<std::mutex> hold(log.lock);
  if (!log.flushAtExit) {
    log.flushAtExit = true;
    std::atexit(flushProblems);
  }
  if (auto it = log.index.find(message); it != log.index.end()) {
    ++log.written[it->second].second;
    return;
  }
  if (log.written.size() >= ProblemLog::kMaxKept) flushLocked(log, true);
  log.index.emplace(message, log.written.size());
  log.written.emplace_back(message, 0);
  std::fprintf(stderr, "lanternfall: %s\n", printable(message).c_str());
  std::fflush(stderr);
  if (gProblemListener) gProblemListener(message);
}

void setProblemListener(std::function<void(const std::string&)> listener) {
  gProblemListener = std::move(listener);
}

void flushProblems() {
  ProblemLog& log = problemLog();
  std::lock_guard<std::mutex> hold(log.lock);
  flushLocked(log, true);
}

void flushProblemsIfDue() {
  ProblemLog& log = problemLog();
  std::lock_guard<std::mutex> hold(log.lock);
  if (log.written.empty() || std::chrono::steady_clock::now() - log.lastFlush < kProblemCountInterval) return;
  flushLocked(log, false);
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
