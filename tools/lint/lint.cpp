// lanternfall-lint: checks a content folder (txt/*.dat, img/*.jpg, bgm.mid) for everything that would go
// wrong in play, before a player meets it. Prints "file:line: error|warning: message" lines (line 0 means
// the file as a whole) and exits 1 when any error was found, 2 when the folder cannot be read.
// Usage: lanternfall-lint [content folder]   (default: ./content, else the game's folder beside this tool)
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/media/image.h"
#include "platform/media/text_file.h"
#include "platform/runtime/text_layout.h"
#include "platform/sdl/text_measure.h"

namespace fs = std::filesystem;

namespace {

// Every scenario the game can start: the opening, her nine events, his nine, and the two endings.
const std::vector<std::string> kStartedScenarios = {"opn", "00", "01", "02", "03", "04",  "05",
                                                    "06",  "07", "08", "10", "11", "12",  "13",
                                                    "14",  "15", "16", "17", "18", "end", "badend"};
const std::set<std::string> kEndings = {"end", "badend"};

// The window the game opens on a 1024 × 768 screen, worked out as the layout does it: the height is 4/5 of
// the screen's (rounded to whole pixels by the window), the width 8/6 of it in twips, and the scene picture
// 6 of the 8.1 logical units across the client area. The rows are drawn in bold at the base size.
constexpr int kTwipsPerPixel = 15;
constexpr int kScreenHeightPx = 768;
constexpr const char* kSceneFontFamily = "ＭＳ Ｐゴシック";
constexpr const char* kPageMark = "▼";
constexpr long kMaxRunCount = 32767;  // the run counter is a 16-bit integer

struct SceneGeometry {
  float textWidthPx = 0;
  int fontPoints = 0;
};

SceneGeometry sceneAtScreenHeight(int screenHeightPx) {
  const double heightTw = std::lround(screenHeightPx * kTwipsPerPixel / 5.0 * 4.0 / kTwipsPerPixel) *
                          static_cast<double>(kTwipsPerPixel);
  // Halves go to the even neighbour, as the layout rounds.
  const double r = std::nearbyint(heightTw / 6);
  const double widthPx = std::lround(8 * r / kTwipsPerPixel);
  SceneGeometry g;
  // The picture box is placed in logical units; the label covering it is drawn in whole pixels.
  g.textWidthPx = static_cast<float>(std::floor(widthPx * 6 / 8.1));
  g.fontPoints = static_cast<int>(std::floor(heightTw / 100 / 10)) + 3;
  return g;
}

// ---------------------------------------------------------------------------------------------------
// Findings.

struct Report {
  int errors = 0;
  int warnings = 0;

  void error(const std::string& file, int line, const std::string& message) {
    ++errors;
    pending_.push_back({file, line, "error: " + message});
  }
  void warning(const std::string& file, int line, const std::string& message) {
    ++warnings;
    pending_.push_back({file, line, "warning: " + message});
  }
  // Prints what was found since the last flush (one file's findings) in line order.
  void flush() {
    std::stable_sort(pending_.begin(), pending_.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    for (const Finding& f : pending_) std::printf("%s:%d: %s\n", f.file.c_str(), f.line, f.message.c_str());
    pending_.clear();
  }

 private:
  struct Finding {
    std::string file;
    int line;
    std::string message;
  };
  std::vector<Finding> pending_;
};

std::optional<std::string> readWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Lines as the game's reader splits them: CR LF or a lone CR ends a line, a lone LF does not; a last
// line without an ending still counts.
std::vector<std::string> splitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string current;
  bool any = false;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r') {
      lines.push_back(current);
      current.clear();
      any = false;
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      current += bytes[i];
      any = true;
    }
  }
  if (any) lines.push_back(current);
  return lines;
}

// ---------------------------------------------------------------------------------------------------
// The line kinds, tested as the interpreter tests them: the first characters exactly, same case.

bool startsWith(std::string_view line, std::string_view word) { return line.substr(0, word.size()) == word; }

enum class Kind { Tugi, Run, End, Page, Img, Game, Text };

Kind kindOf(std::string_view line) {
  if (startsWith(line, "tugi")) return Kind::Tugi;
  if (startsWith(line, "--")) return Kind::Run;
  if (startsWith(line, ">end")) return Kind::End;
  if (startsWith(line, ">p")) return Kind::Page;
  if (startsWith(line, ">img")) return Kind::Img;
  if (startsWith(line, ">game")) return Kind::Game;
  return Kind::Text;
}

bool endsScenario(Kind k) { return k == Kind::Tugi || k == Kind::End || k == Kind::Game; }

// A line after which the text line before it waits for a click. The end of the file reads as "tugi".
bool isStopLine(std::string_view line) {
  return startsWith(line, ">game") || startsWith(line, ">end") || startsWith(line, ">ive") ||
         startsWith(line, "tugi") || line == ">p";
}

std::string lowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// Leading spaces, tabs and ideographic spaces, which turn a command into text.
std::string_view skipLeadingBlanks(std::string_view s) {
  for (;;) {
    if (!s.empty() && (s[0] == ' ' || s[0] == '\t')) {
      s.remove_prefix(1);
    } else if (startsWith(s, "\xE3\x80\x80")) {  // U+3000
      s.remove_prefix(3);
    } else {
      return s;
    }
  }
}

// The command a text line was probably meant to be, when it differs from one only by case or blanks.
std::optional<std::string> misspeltCommand(std::string_view line) {
  static const std::vector<std::string> kWords = {"tugi", "--", ">end", ">p", ">img", ">game"};
  const std::string_view trimmed = skipLeadingBlanks(line);
  const std::string folded = lowerAscii(trimmed.substr(0, 5));
  for (const std::string& w : kWords) {
    if (startsWith(folded, w)) return w;
  }
  return std::nullopt;
}

std::optional<long> parseRunCount(std::string_view digits) {
  if (digits.empty() || digits.size() > 9) return std::nullopt;
  long n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

std::string inQuotes(std::string_view s) { return "\"" + std::string(s) + "\""; }

// ---------------------------------------------------------------------------------------------------
// One content folder.

class Linter {
 public:
  Linter(fs::path folder, Report& report) : folder_(std::move(folder)), report_(report) {}

  void run() {
    for (const std::string& name : kStartedScenarios) {
      checkScenario(name, true);
      report_.flush();
    }
    std::error_code ec;
    std::vector<std::string> others;
    for (const auto& entry : fs::directory_iterator(folder_ / "txt", ec)) {
      if (entry.path().extension() != ".dat") continue;
      const std::string name = entry.path().stem().string();
      if (std::find(kStartedScenarios.begin(), kStartedScenarios.end(), name) == kStartedScenarios.end())
        others.push_back(name);
    }
    std::sort(others.begin(), others.end());
    for (const std::string& name : others) {
      checkScenario(name, false);
      report_.flush();
    }
    checkPicture("ttl", display(folder_ / "img" / "ttl.jpg"), 0, "the title picture");
    report_.flush();
    checkMidi();
    report_.flush();
  }

 private:
  std::string display(const fs::path& p) const { return p.lexically_normal().string(); }

  // -- scenarios ------------------------------------------------------------------------------------

  void checkScenario(const std::string& name, bool started) {
    const fs::path path = folder_ / "txt" / (name + ".dat");
    const std::string file = display(path);
    if (!fs::is_regular_file(path)) {
      report_.error(file, 0, "scenario " + inQuotes(name) + " is missing; the game starts it");
      return;
    }
    auto bytes = readWhole(path);
    if (!bytes) {
      report_.error(file, 0, "cannot read the scenario file");
      return;
    }
    if (!started) report_.warning(file, 0, "the game never starts a scenario named " + inQuotes(name));
    std::vector<std::string> lines;
    for (const std::string& raw : splitLines(*bytes))
      lines.push_back(decodeLine(file, lines.size() + 1, raw));
    if (lines.empty()) {
      report_.error(file, 0, "the scenario holds no line");
      return;
    }
    checkEnd(file, name, lines);
    checkLines(file, lines);
    checkRuns(file, lines);
  }

  // Decodes one line from code page 932, naming each invalid sequence by the column where it shows.
  std::string decodeLine(const std::string& file, size_t lineNo, const std::string& raw) {
    int invalid = 0;
    std::string text = platform::decodeCp932(raw, &invalid);
    if (invalid > 0) {
      size_t column = 0;
      for (size_t pos = 0; pos < text.size();) {
        size_t len = 1;
        const char32_t c = platform::decodeUtf8(text, pos, &len);
        ++column;
        if (c == 0xFFFD)
          report_.error(file, static_cast<int>(lineNo),
                        "invalid Shift-JIS byte sequence at character " + std::to_string(column) +
                            " (the player sees \xEF\xBF\xBD)");
        pos += len;
      }
    }
    return text;
  }

  void checkEnd(const std::string& file, const std::string& name, const std::vector<std::string>& lines) {
    size_t endAt = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
      if (endsScenario(kindOf(lines[i]))) {
        endAt = i;
        break;
      }
    }
    if (endAt + 1 < lines.size()) {
      report_.error(file, static_cast<int>(endAt + 2),
                    std::to_string(lines.size() - endAt - 1) + " line(s) after the end command on line " +
                        std::to_string(endAt + 1) + " are never read");
    }
    if (kEndings.count(name) && (endAt == lines.size() || kindOf(lines[endAt]) != Kind::End)) {
      report_.warning(file, static_cast<int>(std::min(endAt, lines.size() - 1) + 1),
                      "the ending does not end with \">end\": the game would hand back to the wish "
                      "simulation and play the ending again");
    }
  }

  void checkLines(const std::string& file, const std::vector<std::string>& lines) {
    int lineCount = 1;  // rows on the page, counted as the interpreter counts them
    for (size_t i = 0; i < lines.size(); ++i) {
      const std::string& line = lines[i];
      const int no = static_cast<int>(i + 1);
      const std::string next = i + 1 < lines.size() ? lines[i + 1] : "tugi";
      switch (kindOf(line)) {
        case Kind::Run:
          if (!parseRunCount(line.substr(2)))
            report_.error(file, no,
                          "the run count " + inQuotes(line.substr(2)) + " is not a whole decimal number");
          else if (*parseRunCount(line.substr(2)) > kMaxRunCount)
            report_.error(
                file, no,
                "the run count " + line.substr(2) + " is larger than " + std::to_string(kMaxRunCount));
          break;
        case Kind::Page:
          lineCount = 0;
          if (line != ">p")
            report_.warning(file, no,
                            inQuotes(line) +
                                " has characters after \">p\": the page turns without waiting for a "
                                "click on the line before it");
          break;
        case Kind::Img:
          checkImgLine(file, no, line);
          break;
        case Kind::Text: {
          if (startsWith(line, ">ive")) {
            report_.warning(
                file, no, "\">ive\" is no command: this line is shown as text, and the line before it waits");
          } else if (auto meant = misspeltCommand(line)) {
            report_.warning(file, no,
                            "looks like the command " + inQuotes(*meant) +
                                " but is shown as text: commands are lower case and start the line");
          }
          const bool pageEnd = isStopLine(next) || lineCount > 14;
          if (pageEnd) lineCount = 0;
          ++lineCount;
          if (line.empty()) {
            if (isStopLine(next) && i > 0)
              report_.warning(file, no,
                              "an empty line before a stop line: the line before it does not wait, and the "
                              "page may turn before the player has read it");
            else if (pageEnd)
              report_.warning(file, no,
                              "an empty line fills the page: the next row opens a new page and waits for a "
                              "click without \"▼\"");
          } else {
            checkRowWidth(file, no, pageEnd ? line + kPageMark : line);
          }
          break;
        }
        default:
          break;
      }
    }
  }

  void checkImgLine(const std::string& file, int no, const std::string& line) {
    if (line.size() > 4 && line[4] != ' ')
      report_.warning(file, no,
                      "the fifth character of " + inQuotes(line) + " is skipped, not part of the name");
    const std::string name = line.size() > 5 ? line.substr(5) : std::string();
    if (name.empty()) {
      report_.warning(file, no, "\">img\" with an empty name shows the previous picture again");
      return;
    }
    checkPicture(name, file, no, "the picture " + inQuotes(name));
  }

  // Pictures are loaded with the game's own loader; each name is checked once.
  void checkPicture(const std::string& name, const std::string& file, int no, const std::string& what) {
    auto known = pictures_.find(name);
    if (known == pictures_.end()) {
      const fs::path path = folder_ / "img" / (name + ".jpg");
      std::string problem;
      if (!fs::is_regular_file(path)) {
        problem = "is missing: " + display(path);
      } else {
        // The loader decodes JPEG alone and names any other format it meets.
        std::string error;
        if (!platform::loadImageFile(path.string(), &error))
          problem = (error.find(", not a JPEG") != std::string::npos ? "is not a JPEG file: "
                                                                     : "does not decode: ") +
                    error;
      }
      if (!name.empty() && name.back() == ' ') problem += " (the name ends in a space)";
      known = pictures_.emplace(name, problem).first;
    }
    if (!known->second.empty()) report_.error(file, no, what + " " + known->second);
  }

  void checkRowWidth(const std::string& file, int no, const std::string& row) {
    if (!measure_) {
      const SceneGeometry g = sceneAtScreenHeight(kScreenHeightPx);
      geometry_ = g;
      measure_ =
          std::make_unique<platform::TextMeasure>(kSceneFontFamily, true, static_cast<float>(g.fontPoints));
      if (!measure_->ok()) report_.warning(file, 0, "rows not measured: " + measure_->error());
    }
    if (!measure_->ok()) return;
    if (measure_->lineCount(row, geometry_.textWidthPx) > 1) {
      report_.warning(file, no,
                      "the row is " + std::to_string(static_cast<int>(measure_->width(row))) +
                          " pixels wide and wraps on the scene picture (" +
                          std::to_string(static_cast<int>(geometry_.textWidthPx)) +
                          " pixels at a 1024 x 768 screen)");
    }
  }

  // Runs: walks the scenario step by step as the interpreter would, sharing one run counter between
  // nested runs, and reports a run whose steps reach the end of the scenario.
  void checkRuns(const std::string& file, const std::vector<std::string>& lines) {
    for (const std::string& l : lines)
      if (kindOf(l) == Kind::Run &&
          (!parseRunCount(l.substr(2)) || *parseRunCount(l.substr(2)) > kMaxRunCount))
        return;  // reported already; the steps cannot be counted
    struct OpenRun {
      long count;
      int line;
    };
    std::vector<OpenRun> runs;  // innermost last; each is one loop of the step that met its "--" line
    long runVar = 0;
    size_t pos = 0;
    bool ended = false;
    for (;;) {
      // One step: lines that take no time are passed within it.
      bool startedRun = false;
      for (;;) {
        const std::string line = pos < lines.size() ? lines[pos] : "tugi";
        if (pos < lines.size()) ++pos;
        const Kind k = kindOf(line);
        if (endsScenario(k)) {
          ended = true;
          break;
        }
        if (k == Kind::Run) {
          runs.push_back({*parseRunCount(line.substr(2)), static_cast<int>(pos)});
          runVar = 1;
          startedRun = true;
          break;
        }
        if (k == Kind::Text && !line.empty()) break;
      }
      // A step of a run that reaches the end command (or the end of the file) breaks the rule; the steps
      // left would read a closed file.
      if (ended) {
        if (!runs.empty()) {
          report_.error(file, runs.back().line,
                        "the run of " + std::to_string(runs.back().count) +
                            " step(s) reaches the end of the scenario; its steps must lie before the end");
        }
        return;
      }
      // After the step: the loops of the open runs go on, or finish and end the steps that held them.
      if (!startedRun && !runs.empty()) ++runVar;
      while (!runs.empty() && runVar > runs.back().count) {
        runs.pop_back();
        if (!runs.empty()) ++runVar;
      }
    }
  }

  // -- music ----------------------------------------------------------------------------------------

  void checkMidi() {
    const fs::path path = folder_ / "bgm.mid";
    const std::string file = display(path);
    auto bytes = readWhole(path);
    if (!bytes) {
      report_.error(file, 0, "the music file is missing");
      return;
    }
    if (auto problem = midiProblem(*bytes)) report_.error(file, 0, "not a standard MIDI file: " + *problem);
  }

  static uint32_t be(const std::string& b, size_t at, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
    return v;
  }

  // The header chunk, then every track chunk the header announces, each walked event by event.
  static std::optional<std::string> midiProblem(const std::string& b) {
    if (b.size() < 14 || b.compare(0, 4, "MThd") != 0) return "it does not begin with an MThd chunk";
    const uint32_t headerLen = be(b, 4, 4);
    if (headerLen < 6 || 8 + static_cast<size_t>(headerLen) > b.size()) return "the MThd chunk is too short";
    const uint32_t format = be(b, 8, 2), tracks = be(b, 10, 2), division = be(b, 12, 2);
    if (format > 2) return "unknown format " + std::to_string(format);
    if (tracks == 0) return "the header announces no track";
    if (division == 0) return "the time division is 0";
    size_t at = 8 + headerLen;
    uint32_t found = 0;
    while (found < tracks) {
      if (at + 8 > b.size())
        return "the header announces " + std::to_string(tracks) + " track(s), the file holds " +
               std::to_string(found);
      const uint32_t len = be(b, at + 4, 4);
      if (at + 8 + static_cast<size_t>(len) > b.size()) return "a chunk runs past the end of the file";
      if (b.compare(at, 4, "MTrk") == 0) {
        if (auto problem = trackProblem(b, at + 8, at + 8 + len))
          return "track " + std::to_string(found + 1) + ": " + *problem;
        ++found;
      }
      at += 8 + len;  // chunks of other kinds are skipped, as readers must
    }
    return std::nullopt;
  }

  static std::optional<std::string> trackProblem(const std::string& b, size_t at, size_t end) {
    uint8_t running = 0;
    auto varLen = [&](uint32_t& v) {
      v = 0;
      for (int i = 0; i < 4; ++i) {
        if (at >= end) return false;
        const uint8_t c = static_cast<uint8_t>(b[at++]);
        v = (v << 7) | (c & 0x7F);
        if (!(c & 0x80)) return true;
      }
      return false;
    };
    while (at < end) {
      uint32_t delta = 0;
      if (!varLen(delta)) return std::string("an event time is cut off");
      if (at >= end) return std::string("an event is cut off");
      uint8_t status = static_cast<uint8_t>(b[at]);
      if (status == 0xFF) {
        if (at + 2 > end) return std::string("a meta event is cut off");
        const uint8_t type = static_cast<uint8_t>(b[at + 1]);
        at += 2;
        uint32_t len = 0;
        if (!varLen(len) || at + len > end) return std::string("a meta event runs past its track");
        at += len;
        if (type == 0x2F) return std::nullopt;  // end of track
        continue;
      }
      if (status == 0xF0 || status == 0xF7) {
        ++at;
        uint32_t len = 0;
        if (!varLen(len) || at + len > end)
          return std::string("a system exclusive event runs past its track");
        at += len;
        continue;
      }
      if (status & 0x80) {
        if (status >= 0xF0) return std::string("a system message that files may not hold");
        running = status;
        ++at;
      } else if (!running) {
        return std::string("running status with no status before it");
      }
      const int kind = running & 0xF0;
      const size_t dataBytes = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
      if (at + dataBytes > end) return std::string("a channel event is cut off");
      at += dataBytes;
    }
    return std::string("the track has no end-of-track event");
  }

  fs::path folder_;
  Report& report_;
  std::map<std::string, std::string> pictures_;  // name -> problem, empty when the picture is fine
  std::unique_ptr<platform::TextMeasure> measure_;
  SceneGeometry geometry_;
};

fs::path defaultFolder(const char* argv0) {
  if (fs::is_directory("content/txt")) return "content";
  // The game's own folder: the build directory, two levels above this tool.
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) self = fs::absolute(argv0, ec);
  return self.parent_path().parent_path().parent_path();
}

}  // namespace

// Fontconfig keeps some of the family rules it parses until the process ends; under the leak checker
// (the sanitizer build) that would turn every run into a failure. Read only by the sanitizer runtime.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

int main(int argc, char** argv) {
  if (argc > 2 ||
      (argc == 2 && (std::string_view(argv[1]) == "-h" || std::string_view(argv[1]) == "--help"))) {
    std::fprintf(stderr, "usage: %s [content folder]\n", argv[0]);
    return 2;
  }
  const fs::path folder = argc == 2 ? fs::path(argv[1]) : defaultFolder(argv[0]);
  if (!fs::is_directory(folder)) {
    std::fprintf(stderr, "%s: no content folder at %s\n", argv[0], folder.string().c_str());
    return 2;
  }
  Report report;
  Linter(folder, report).run();
  std::printf("%s: %d error(s), %d warning(s)\n", folder.string().c_str(), report.errors, report.warnings);
  return report.errors > 0 ? 1 : 0;
}
