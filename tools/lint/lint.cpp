// lanternfall-lint: checks a content folder (txt/*.dat, img/*.jpg, bgm.mid) for everything that would go
// wrong in play, before a player meets it. Prints "file:line: error|warning: message" lines (line 0 means
// the file as a whole) and exits 1 when any error was found, 2 when nothing could be checked. Content
// comes from strangers: no file may stop the checker, so no call here throws and no read blocks.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/media/content_file.h"
#include "platform/media/image.h"
#include "platform/media/midi_file.h"
#include "platform/media/text_file.h"
#include "platform/runtime/control.h"
#include "platform/runtime/text_layout.h"
#include "platform/runtime/utf8.h"
#include "platform/sdl/text_measure.h"
#include "script/scenario_syntax.h"
#include "ui/layout.h"

namespace fs = std::filesystem;

namespace {

// Every scenario the game can start: the opening, her nine events, his nine, and the two endings.
const std::vector<std::string> kStartedScenarios = {"opn", "00", "01", "02", "03", "04",  "05",
                                                    "06",  "07", "08", "10", "11", "12",  "13",
                                                    "14",  "15", "16", "17", "18", "end", "badend"};
const std::set<std::string> kEndings = {"end", "badend"};

// The window the game opens on a 1024 × 768 screen, worked out from the layout's own proportions: the
// height is 4/5 of the screen's (rounded to whole pixels by the window), the width 8/6 of it in twips,
// and the scene picture kSceneSize of the kScaleWidth logical units across the client area. The rows are
// drawn in bold at the base size.
constexpr int kScreenHeightPx = 768;
constexpr const char* kSceneFontFamily = "ＭＳ Ｐゴシック";
constexpr long kMaxRunCount = 32767;  // the old run counter was a 16-bit integer

struct SceneGeometry {
  float textWidthPx = 0;
  int fontPoints = 0;
};

SceneGeometry sceneAtScreenHeight(int screenHeightPx) {
  constexpr int kTwipsPerPixel = platform::kTwipsPerPixel;
  const float firstHeightTw = ui::initialWindowHeight(static_cast<float>(screenHeightPx * kTwipsPerPixel));
  const double heightTw = std::lround(firstHeightTw / kTwipsPerPixel) * static_cast<double>(kTwipsPerPixel);
  // Halves go to the even neighbour, as the layout rounds.
  const double r = std::nearbyint(heightTw / 6);
  const double widthPx = std::lround(8 * r / kTwipsPerPixel);
  SceneGeometry g;
  // The picture box is placed in logical units; the label covering it is drawn in whole pixels.
  g.textWidthPx = static_cast<float>(std::floor(widthPx * ui::kSceneSize / ui::kScaleWidth));
  g.fontPoints = static_cast<int>(ui::basePointSize(heightTw));
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

// Larger than any scenario or picture an author makes; a file beyond it is named, not read.
constexpr uintmax_t kMaxFileBytes = 64u << 20;

// Reads a regular file whole through the game's own content reader, so that the checker refuses what the
// game refuses and never blocks or throws. The reason comes without the path, which the finding names.
std::optional<std::string> readFile(const fs::path& path, std::string* why) {
  std::string bytes;
  if (platform::readRegularFile(path.string(), kMaxFileBytes, &bytes, why)) return bytes;
  const std::string prefix = path.string() + ": ";
  if (why->starts_with(prefix)) why->erase(0, prefix.size());
  return std::nullopt;
}

bool isRegularFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

// Valid UTF-8 that holds at least one character beyond ASCII: what an ordinary editor saves.
bool looksLikeUtf8(std::string_view b) {
  bool beyondAscii = false;
  for (size_t i = 0; i < b.size();) {
    const auto c = static_cast<unsigned char>(b[i]);
    size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || i + len > b.size() || c == 0xC0 || c == 0xC1) return false;
    for (size_t k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(b[i + k]) & 0xC0) != 0x80) return false;
    beyondAscii = beyondAscii || len > 1;
    i += len;
  }
  return beyondAscii;
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
// The line kinds are the interpreter's own (script/scenario_syntax.h).

using script::classifyLine;
using script::endsScenario;
using script::isStopLine;
using Kind = script::LineKind;

bool startsWith(std::string_view line, std::string_view word) { return script::startsWithWord(line, word); }
Kind kindOf(std::string_view line) { return classifyLine(line); }

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

const std::vector<std::string> kCommandWords = {"tugi", "--", ">end", ">p", ">img", ">game"};

// Full-width forms of ASCII (U+FF01..U+FF5E, as an input method types them) turned into ASCII.
std::string foldFullWidth(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size();) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 == 0xEF && i + 2 < s.size()) {
      const unsigned cp = ((b0 & 0x0Fu) << 12) | ((static_cast<unsigned char>(s[i + 1]) & 0x3Fu) << 6) |
                          (static_cast<unsigned char>(s[i + 2]) & 0x3Fu);
      if (cp >= 0xFF01 && cp <= 0xFF5E) {
        out.push_back(static_cast<char>(cp - 0xFF01 + 0x21));
        i += 3;
        continue;
      }
    }
    out.push_back(s[i]);
    ++i;
  }
  return out;
}

// The command a text line was probably meant to be, when it differs from one only by case, blanks before
// it or full-width letters.
std::optional<std::string> misspeltCommand(std::string_view line) {
  const std::string folded = lowerAscii(foldFullWidth(skipLeadingBlanks(line)).substr(0, 5));
  for (const std::string& w : kCommandWords) {
    if (startsWith(folded, w)) return w;
  }
  return std::nullopt;
}

size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[b.size()];
}

// For a text line that starts like a command (">", "＞" or "-"), the command its first word is closest
// to, when it is close.
std::optional<std::string> nearestCommand(std::string_view line) {
  std::string word = lowerAscii(foldFullWidth(line));
  word = word.substr(0, std::min(word.find(' '), size_t{12}));
  std::optional<std::string> best;
  size_t bestDistance = 3;  // two edits at most
  for (const std::string& w : kCommandWords) {
    const size_t d = editDistance(word, w);
    if (d < bestDistance) {
      bestDistance = d;
      best = w;
    }
  }
  return best;
}

// The count of a "--" line as the game reads it; spaces around the digits, which the game forgives, are
// reported on their own.
std::optional<int64_t> runCountOf(std::string_view line, bool* padded = nullptr) {
  int64_t n = 0;
  if (!script::parseRunCount(script::afterCommandWord(line, Kind::Run), &n, padded)) return std::nullopt;
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
    fs::directory_iterator it(folder_ / "txt", ec), end;
    for (; !ec && it != end; it.increment(ec)) {
      if (it->path().extension() != ".dat") continue;
      const std::string name = it->path().stem().string();
      if (std::find(kStartedScenarios.begin(), kStartedScenarios.end(), name) == kStartedScenarios.end())
        others.push_back(name);
    }
    std::sort(others.begin(), others.end());
    for (const std::string& name : others) {
      checkScenario(name, false);
      report_.flush();
    }
    checkPicture("ttl", display(folder_ / "img" / "ttl.jpg"), 0, "the title picture", true);
    report_.flush();
    checkMidi();
    report_.flush();
  }

  // One scenario file alone, with the pictures it shows.
  void runOne(const std::string& name) {
    checkScenario(name, isStarted(name));
    report_.flush();
  }

  static bool isStarted(const std::string& name) {
    return std::find(kStartedScenarios.begin(), kStartedScenarios.end(), name) != kStartedScenarios.end();
  }

 private:
  std::string display(const fs::path& p) const { return p.lexically_normal().string(); }

  // -- scenarios ------------------------------------------------------------------------------------

  void checkScenario(const std::string& name, bool started) {
    const fs::path path = folder_ / "txt" / (name + ".dat");
    const std::string file = display(path);
    std::error_code ec;
    if (!fs::exists(path, ec)) {
      report_.error(file, 0, "scenario " + inQuotes(name) + " is missing; the game starts it");
      return;
    }
    std::string why;
    auto bytes = readFile(path, &why);
    if (!bytes) {
      report_.error(file, 0, "cannot read the scenario file: " + why);
      return;
    }
    if (!started) report_.warning(file, 0, "the game never starts a scenario named " + inQuotes(name));
    const std::vector<std::string> rawLines = splitLines(*bytes);
    if (rawLines.empty()) {
      report_.error(file, 0, "the scenario holds no line");
      return;
    }
    // An editor's file: lines ended by LF alone, which the game's reader runs together, and UTF-8. Each
    // is named once for the whole file, with the way out; the lines as the game would read them are not
    // worth checking further.
    bool editorFile = false;
    if (bytes->find('\r') == std::string::npos && bytes->find('\n') != std::string::npos) {
      report_.error(file, 1,
                    "the lines end in LF alone: the game reads the whole file as one line; convert it "
                    "with lanternfall-convert");
      editorFile = true;
    }
    int invalid = 0;
    platform::decodeCp932(*bytes, &invalid);
    if ((invalid > 0 || startsWith(*bytes, "\xEF\xBB\xBF")) && looksLikeUtf8(*bytes)) {
      report_.error(file, 1, "this file is UTF-8, not Shift-JIS; convert it with lanternfall-convert");
      editorFile = true;
    }
    if (editorFile) return;
    std::vector<std::string> lines;
    for (const std::string& raw : rawLines) {
      lines.push_back(decodeLine(file, lines.size() + 1, raw));
      if (raw.find('\n') != std::string::npos)
        report_.error(file, static_cast<int>(lines.size()),
                      "a line ends in LF alone here: the game runs it together with the next; convert the "
                      "source with lanternfall-convert, or end it with CR LF");
    }
    checkEnd(file, name, lines);
    checkLines(file, lines);
    checkRuns(file, lines);
  }

  // Decodes one line from code page 932, naming each invalid sequence by the column where it shows, up
  // to a handful a file: a file of random bytes would otherwise name every other byte.
  std::string decodeLine(const std::string& file, size_t lineNo, const std::string& raw) {
    if (lineNo == 1) invalidNamed_ = 0;
    int invalid = 0;
    std::string text = platform::decodeCp932(raw, &invalid);
    if (invalid > 0) {
      size_t column = 0;
      for (size_t pos = 0; pos < text.size();) {
        size_t len = 1;
        const char32_t c = platform::decodeUtf8(text, pos, &len);
        ++column;
        if (c == 0xFFFD) {
          ++invalidNamed_;
          if (invalidNamed_ <= kInvalidNamedPerFile) {
            report_.error(file, static_cast<int>(lineNo),
                          "invalid Shift-JIS byte sequence at character " + std::to_string(column) +
                              " (the player sees \xEF\xBF\xBD)");
          } else if (invalidNamed_ == kInvalidNamedPerFile + 1) {
            report_.error(file, static_cast<int>(lineNo),
                          "more invalid Shift-JIS byte sequences from here on; is this a scenario file?");
          }
        }
        pos += len ? len : 1;
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
        case Kind::Run: {
          bool padded = false;
          const auto count = runCountOf(line, &padded);
          if (!count)
            report_.error(file, no,
                          "the run count " + inQuotes(line.substr(2)) + " is not a whole decimal number");
          else if (padded)
            report_.error(file, no,
                          "the run count " + inQuotes(line.substr(2)) + " has blanks around its digits");
          else if (*count > kMaxRunCount)
            report_.error(
                file, no,
                "the run count " + line.substr(2) + " is larger than " + std::to_string(kMaxRunCount));
          break;
        }
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
                                " but is shown as text: commands are lower case, in half-width letters, and "
                                "start the line");
          } else if (startsWith(line, ">") || startsWith(line, "＞") || startsWith(line, "-")) {
            const auto near = nearestCommand(line);
            report_.warning(file, no,
                            inQuotes(line) + " starts like a command but is none, so it is shown as text" +
                                (near ? "; did you mean " + inQuotes(*near) + "?"
                                      : "; the commands are tugi, --N, >p, >img NAME, >end and >game"));
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
            checkRowWidth(file, no, pageEnd ? line + std::string(script::kPageMark) : line);
          }
          break;
        }
        case Kind::Tugi:
        case Kind::End:
        case Kind::Game: {
          const std::string_view rest = script::afterCommandWord(line, kindOf(line));
          if (!rest.empty())
            report_.warning(file, no,
                            "the game ignores " + inQuotes(rest) + " after " +
                                inQuotes(script::commandWord(kindOf(line))) +
                                "; put text on a line of its own before the command");
          break;
        }
      }
    }
  }

  void checkImgLine(const std::string& file, int no, const std::string& line) {
    if (line.size() > 4 && line[4] != ' ')
      report_.warning(file, no,
                      "the fifth character of " + inQuotes(line) + " is skipped, not part of the name");
    const std::string name(script::pictureName(line));
    if (name.empty()) {
      report_.warning(file, no, "\">img\" with an empty name shows the previous picture again");
      return;
    }
    checkPicture(name, file, no, "the picture " + inQuotes(name));
  }

  // Pictures are loaded with the game's own loader; each name is checked once, and its shape named once.
  void checkPicture(const std::string& name, const std::string& file, int no, const std::string& what,
                    bool title = false) {
    auto known = pictures_.find(name);
    if (known == pictures_.end()) {
      const fs::path path = folder_ / "img" / (name + ".jpg");
      Picture picture;
      std::error_code ec;
      if (!fs::exists(path, ec)) {
        picture.problem = "is missing: " + display(path) + lookAlikeHint(name);
      } else if (!isRegularFile(path)) {
        picture.problem = "is not a regular file: " + display(path);
      } else {
        // The loader decodes JPEG alone and names any other format it meets.
        std::string error;
        // The loader decodes JPEG alone and names any other format it meets.
        const auto image = platform::loadImageFile(path.string(), &error);
        if (!image) {
          picture.problem = (error.find(", not a JPEG") != std::string::npos ? "is not a JPEG file: "
                                                                             : "does not decode: ") +
                            error;
        } else {
          picture.width = image->width;
          picture.height = image->height;
        }
      }
      if (!name.empty() && name.back() == ' ') picture.problem += " (the name ends in a space)";
      known = pictures_.emplace(name, picture).first;
    }
    Picture& picture = known->second;
    if (!picture.problem.empty()) {
      report_.error(file, no, what + " " + picture.problem);
      return;
    }
    // The title fills the 4:3 play area, a scene picture the square beside the options: any other shape
    // is stretched to fit, which the author may not mean.
    const double w = picture.width, h = picture.height;
    const double wantW = title ? ui::kTitleWidth : ui::kSceneSize;
    const double wantH = title ? ui::kTitleHeight : ui::kSceneSize;
    bool& named = title ? picture.titleShapeNamed : picture.sceneShapeNamed;
    if (!named && h > 0 && std::abs(w * wantH - h * wantW) > 0.01 * h * wantW) {
      named = true;
      report_.warning(file, no,
                      what + " is " + std::to_string(picture.width) + " x " + std::to_string(picture.height) +
                          " pixels, not " + (title ? "4:3" : "square") + ": it is shown stretched to the " +
                          (title ? "4:3 play area" : "square scene"));
    }
  }

  // A file beside the missing picture that differs from it only in its extension or the case of its
  // name: the author has the picture, in a form the game does not read.
  std::string lookAlikeHint(const std::string& name) const {
    std::error_code ec;
    std::vector<std::string> found;
    fs::directory_iterator it(folder_ / "img", ec), end;
    for (; !ec && it != end && found.size() < 3; it.increment(ec)) {
      const std::string stem = it->path().stem().string();
      if (lowerAscii(stem) == lowerAscii(name)) found.push_back(it->path().filename().string());
    }
    if (found.empty()) return "";
    std::sort(found.begin(), found.end());
    std::string list;
    for (const std::string& f : found) list += (list.empty() ? "" : ", ") + f;
    return " (" + list + " is there, but the game reads only " + name +
           ".jpg: save the picture as JPEG under that name)";
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
    struct OpenRun {
      int64_t count;
      int line;
    };
    std::vector<OpenRun> runs;  // innermost last; each is one loop of the step that met its "--" line
    int64_t runVar = 0;
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
          // A count that is no number takes no step in the game (it is reported on its own line).
          runs.push_back({runCountOf(line).value_or(0), static_cast<int>(pos)});
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
    std::error_code ec;
    if (!fs::exists(path, ec)) {
      report_.error(file, 0, "the music file is missing");
      return;
    }
    std::string why;
    auto bytes = readFile(path, &why);
    if (!bytes) {
      report_.error(file, 0, "cannot read the music file: " + why);
      return;
    }
    if (auto problem = midiProblem(*bytes)) {
      report_.error(file, 0, "not a standard MIDI file: " + *problem);
      return;
    }
    // The game's own reader also refuses what no synthesiser could play: it goes silent on these.
    if (bytes->size() > platform::kMaxMidiFileBytes) {
      report_.error(file, 0,
                    "the game reads music files of at most " +
                        std::to_string(platform::kMaxMidiFileBytes >> 20) + " MiB");
      return;
    }
    platform::MidiFileInfo info;
    std::string smf, refusal;
    if (!platform::parseMidiFile(*bytes, &info, &smf, &refusal)) {
      report_.error(file, 0, "the game will not play it: " + refusal);
    }
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

  static constexpr int kInvalidNamedPerFile = 10;

  fs::path folder_;
  Report& report_;
  int invalidNamed_ = 0;
  struct Picture {
    std::string problem;  // empty when the picture is fine
    int width = 0;
    int height = 0;
    bool sceneShapeNamed = false;
    bool titleShapeNamed = false;
  };
  std::map<std::string, Picture> pictures_;
  std::unique_ptr<platform::TextMeasure> measure_;
  SceneGeometry geometry_;
};

fs::path defaultFolder(const char* argv0) {
  std::error_code ec;
  if (fs::is_directory("content/txt", ec)) return "content";
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) self = fs::absolute(argv0, ec);
  // Installed: the game's content under the same prefix (bin/ beside share/games/lanternfall/).
  const fs::path installed = self.parent_path().parent_path() / "share" / "games" / "lanternfall";
  if (fs::is_directory(installed / "txt", ec)) return installed;
  // In a build tree: the build directory, two levels above this tool.
  return self.parent_path().parent_path().parent_path();
}

constexpr const char* kUsage =
    "usage: lanternfall-lint [CONTENT | CONTENT/txt/NAME.dat]\n"
    "\n"
    "Checks a content folder (txt/*.dat, img/*.jpg, bgm.mid) for everything that would go wrong in play,\n"
    "or one scenario file and the pictures it shows (its content folder is the one above txt/).\n"
    "Findings are printed as FILE:LINE: error|warning: message, with the fix where there is one; line 0\n"
    "means the file as a whole. Without an argument: ./content, else the installed game's content, else\n"
    "the game's folder in the build tree this tool was built in.\n"
    "\n"
    "Write scenarios in UTF-8, convert them with lanternfall-convert, check them here, then play them\n"
    "with lanternfall-preview.\n"
    "\n"
    "  --help      this text\n"
    "  --version   the version\n"
    "\n"
    "Exit status: 0 when no error was found (warnings allowed), 1 when one was, 2 when nothing could be\n"
    "checked.\n";

}  // namespace

// Fontconfig keeps some of the family rules it parses until the process ends; under the leak checker
// (the sanitizer build) that would turn every run into a failure. Read only by the sanitizer runtime.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

int main(int argc, char** argv) {
  if (argc == 2 && (std::string_view(argv[1]) == "-h" || std::string_view(argv[1]) == "--help")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::printf("lanternfall-lint %s\n", LANTERNFALL_VERSION);
    return 0;
  }
  if (argc > 2 || (argc == 2 && argv[1][0] == '-' && argv[1][1] != '\0')) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const fs::path argument = argc == 2 ? fs::path(argv[1]) : defaultFolder(argv[0]);
  std::error_code ec;
  Report report;
  if (argument.extension() == ".dat" && !fs::is_directory(argument, ec)) {
    if (!fs::exists(argument, ec)) {
      std::fprintf(stderr, "%s: no scenario file at %s\n", argv[0], argument.c_str());
      return 2;
    }
    // CONTENT/txt/NAME.dat: the pictures are in CONTENT/img.
    const fs::path txt = argument.parent_path().empty() ? fs::path(".") : argument.parent_path();
    Linter(txt / "..", report).runOne(argument.stem().string());
    std::printf("%s: %d error(s), %d warning(s)\n", argument.c_str(), report.errors, report.warnings);
    return report.errors > 0 ? 1 : 0;
  }
  if (!fs::is_directory(argument, ec)) {
    std::fprintf(stderr, "%s: no content folder at %s\n", argv[0], argument.c_str());
    return 2;
  }
  Linter(argument, report).run();
  std::printf("%s: %d error(s), %d warning(s)\n", argument.c_str(), report.errors, report.warnings);
  return report.errors > 0 ? 1 : 0;
}
