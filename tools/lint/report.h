// The checker's findings: collected one file at a time, printed in line order as
// "FILE:LINE: error|warning: message" with control characters escaped, and capped per kind so that a file
// of a million bad lines prints a screenful and a count rather than a million lines.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace lint {

enum class Severity { Error, Warning };

class Report {
 public:
  // kind groups findings of one sort within a file for the cap, in words for the count line ("invalid
  // Shift-JIS byte sequences"); line 0 means the file as a whole.
  void add(Severity severity, const std::string& file, int64_t line, std::string_view kind,
           const std::string& message);
  void error(const std::string& file, int64_t line, std::string_view kind, const std::string& message) {
    add(Severity::Error, file, line, kind, message);
  }
  void warning(const std::string& file, int64_t line, std::string_view kind, const std::string& message) {
    add(Severity::Warning, file, line, kind, message);
  }
  // Whether the next finding of this kind in this file is named rather than counted: a finding that
  // costs work to word need not be worded when it will only be counted.
  bool shows(const std::string& file, std::string_view kind) const;
  // Prints what was found since the last flush (one file's findings) in line order, each capped kind
  // followed by how many more there were, and forgets it.
  void flush();

  int errors() const { return errors_; }
  int warnings() const { return warnings_; }

  // Findings of one kind printed per file; the rest are counted.
  static constexpr int kShownPerKind = 10;

 private:
  struct Finding {
    std::string file;
    int64_t line;
    std::string text;  // "error: message"
  };
  struct KindCount {
    int shown = 0;
    int64_t more = 0;
    int64_t firstMoreLine = 0;
    Severity severity = Severity::Warning;
    std::string file;
  };
  std::vector<Finding> pending_;
  std::map<std::string, KindCount> kinds_;  // by file and kind
  int errors_ = 0;
  int warnings_ = 0;
};

}  // namespace lint
