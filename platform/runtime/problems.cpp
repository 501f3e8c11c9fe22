// The problem log: what was written, how often it came again, and how many of each kind went unnamed.
#include "platform/runtime/problems.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/runtime/printable.h"

namespace platform {

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
  // Since the last summary: per kind, how many were named and how many only counted. The kinds are the
  // program's own words, a handful.
  struct KindCount {
    uint64_t named = 0;
    uint64_t unnamed = 0;
  };
  std::map<std::string, KindCount, std::less<>> kinds;
  int burstDepth = 0;
  size_t namedInBurst = 0;
  std::string prefix;  // "<program>: ", or nothing
  bool onStderr = true;
};

// How often counts are written while the same problems keep coming.
constexpr std::chrono::seconds kProblemCountInterval{10};
constexpr std::string_view kNoKind = "problems";

ProblemLog& problemLog() {
  static ProblemLog* log = new ProblemLog;  // never destroyed: reports may come during exit
  return *log;
}

// A message naming a 16 MiB row or picture name is cut where a character begins, and says so.
std::string clipped(const std::string& message) {
  if (message.size() <= kMaxProblemBytes) return message;
  size_t end = kMaxProblemBytes;
  while (end > 0 && (static_cast<unsigned char>(message[end]) & 0xC0) == 0x80) --end;
  return message.substr(0, end) + "…";
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
    if (log.onStderr) {
      std::fprintf(stderr, "%s... and %s more like it: %s\n", log.prefix.c_str(),
                   withThousands(repeats).c_str(), printable(message).c_str());
    }
    if (!forget) kept.emplace_back(std::move(message), 0);
  }
  std::fflush(stderr);
  log.written = std::move(kept);
  log.index.clear();
  for (size_t i = 0; i < log.written.size(); ++i) log.index.emplace(log.written[i].first, i);
  log.lastFlush = std::chrono::steady_clock::now();
}

// Writes a message unless it was written already (then it is counted).
void writeLocked(ProblemLog& log, const std::string& message) {
  if (auto it = log.index.find(message); it != log.index.end()) {
    ++log.written[it->second].second;
    return;
  }
  if (log.written.size() >= ProblemLog::kMaxKept) flushLocked(log, true);
  log.index.emplace(message, log.written.size());
  log.written.emplace_back(message, 0);
  if (log.onStderr) {
    std::fprintf(stderr, "%s%s\n", log.prefix.c_str(), printable(message).c_str());
    std::fflush(stderr);
  }
  if (gProblemListener) gProblemListener(message);
}

// "... and 999,999 more missing pictures", one line per kind; a summary that comes again every step is
// folded like any repeated message.
void summariseKindsLocked(ProblemLog& log) {
  auto kinds = std::move(log.kinds);
  log.kinds.clear();
  log.namedInBurst = 0;
  for (const auto& [kind, count] : kinds) {
    if (count.unnamed > 0) writeLocked(log, "... and " + withThousands(count.unnamed) + " more " + kind);
  }
}

}  // namespace

void reportProblem(const std::string& rawMessage, std::string_view kind) {
  const std::string message = clipped(rawMessage);
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
  if (log.burstDepth > 0) {
    const std::string_view bucket = kind.empty() ? kNoKind : kind;
    auto count = log.kinds.find(bucket);
    if (count == log.kinds.end()) count = log.kinds.emplace(bucket, ProblemLog::KindCount{}).first;
    const bool kindFull = !kind.empty() && count->second.named >= kNamedPerKind;
    if (kindFull || log.namedInBurst >= kNamedPerBurst) {
      ++count->second.unnamed;
      return;
    }
    ++count->second.named;
    ++log.namedInBurst;
  }
  writeLocked(log, message);
}

ProblemBurst::ProblemBurst() {
  ProblemLog& log = problemLog();
  std::lock_guard<std::mutex> hold(log.lock);
  ++log.burstDepth;
}

ProblemBurst::~ProblemBurst() {
  ProblemLog& log = problemLog();
  std::lock_guard<std::mutex> hold(log.lock);
  if (--log.burstDepth == 0) summariseKindsLocked(log);
}

void setProblemProgram(std::string_view program) {
  ProblemLog& log = problemLog();
  std::lock_guard<std::mutex> hold(log.lock);
  log.prefix = program.empty() ? std::string() : std::string(program) + ": ";
}

void setProblemsOnStderr(bool on) {
  ProblemLog& log = problemLog();
  std::lock_guard<std::mutex> hold(log.lock);
  log.onStderr = on;
}

void setProblemListener(std::function<void(const std::string&)> listener) {
  gProblemListener = std::move(listener);
}

void flushProblems() {
  ProblemLog& log = problemLog();
  std::lock_guard<std::mutex> hold(log.lock);
  summariseKindsLocked(log);
  flushLocked(log, true);
}

void flushProblemsIfDue() {
  ProblemLog& log = problemLog();
  std::lock_guard<std::mutex> hold(log.lock);
  if (log.written.empty() || std::chrono::steady_clock::now() - log.lastFlush < kProblemCountInterval) {
    return;
  }
  flushLocked(log, false);
}

}  // namespace platform
