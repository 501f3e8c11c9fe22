// Collecting, capping and printing findings.
#include "tools/lint/report.h"

#include <algorithm>
#include <cstdio>

#include "platform/runtime/printable.h"

namespace lint {

namespace {

const char* label(Severity s) { return s == Severity::Error ? "error: " : "warning: "; }

}  // namespace

void Report::add(Severity severity, const std::string& file, int64_t line, std::string_view kind,
                 const std::string& message) {
  ++(severity == Severity::Error ? errors_ : warnings_);
  KindCount& count = kinds_[file + '\n' + std::string(kind)];
  if (count.shown < kShownPerKind) {
    ++count.shown;
    pending_.push_back({file, line, label(severity) + message});
    return;
  }
  if (count.more == 0) {
    count.firstMoreLine = line;
    count.file = file;
  }
  ++count.more;
  // An error among the uncounted ones keeps the count line an error.
  if (severity == Severity::Error) count.severity = Severity::Error;
}

bool Report::shows(const std::string& file, std::string_view kind) const {
  const auto it = kinds_.find(file + '\n' + std::string(kind));
  return it == kinds_.end() || it->second.shown < kShownPerKind;
}

void Report::flush() {
  for (const auto& [key, count] : kinds_) {
    if (count.more == 0) continue;
    const std::string kind = key.substr(key.find('\n') + 1);
    pending_.push_back({count.file, count.firstMoreLine,
                        std::string(label(count.severity)) + "... and " + std::to_string(count.more) +
                            " more " + kind + " from here on, not named one by one"});
  }
  std::stable_sort(pending_.begin(), pending_.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  for (const Finding& f : pending_) {
    std::printf("%s:%lld: %s\n", platform::printable(f.file).c_str(), static_cast<long long>(f.line),
                platform::printable(f.text).c_str());
  }
  std::fflush(stdout);
  pending_.clear();
  kinds_.clear();
}

}  // namespace lint
