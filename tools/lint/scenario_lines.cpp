// Line-by-line checks of a scenario file, streamed: nothing is kept per line.
#include "tools/lint/scenario_lines.h"

#include <string_view>

#include "platform/media/text_file.h"
#include "platform/runtime/utf8.h"
#include "script/scenario_syntax.h"
#include "tools/lint/command_typos.h"

namespace lint {

namespace {

using Kind = script::LineKind;

constexpr int64_t kMaxRunCount = 32767;  // the old run counter was a 16-bit integer

std::string inQuotes(std::string_view s) { return "\"" + std::string(s) + "\""; }

// Valid UTF-8 that holds at least one character beyond ASCII: what an ordinary editor saves.
bool looksLikeUtf8(std::string_view b) {
  bool beyondAscii = false;
  for (size_t at = 0; at < b.size();) {
    size_t length = 1;
    if (platform::decodeUtf8(b, at, &length) == platform::kReplacementChar &&
        b.substr(at, 3) != "\xEF\xBF\xBD")
      return false;
    beyondAscii = beyondAscii || length > 1;
    at += length;
  }
  return beyondAscii;
}

// A file an editor saved: lines ended by LF alone, which the game's reader runs together, or UTF-8. Each
// is named once for the whole file, with the way out.
bool isEditorFile(const std::string& file, const std::string& bytes, Report& report) {
  bool editorFile = false;
  if (bytes.find('\r') == std::string::npos && bytes.find('\n') != std::string::npos) {
    report.error(file, 1, "line-end findings",
                 "the lines end in LF alone: the game reads the whole file as one line; convert it with "
                 "lanternfall-convert");
    editorFile = true;
  }
  int invalid = 0;
  platform::decodeCp932(bytes, &invalid);
  if ((invalid > 0 || bytes.starts_with("\xEF\xBB\xBF")) && looksLikeUtf8(bytes)) {
    report.error(file, 1, "encoding findings",
                 "this file is UTF-8, not Shift-JIS; convert it with lanternfall-convert");
    editorFile = true;
  }
  return editorFile;
}

// Each invalid sequence by the column where the player sees U+FFFD.
void checkDecoding(const std::string& file, int64_t no, const std::string& text, Report& report) {
  size_t column = 0;
  for (size_t at = 0; at < text.size();) {
    size_t length = 1;
    const char32_t c = platform::decodeUtf8(text, at, &length);
    ++column;
    if (c == platform::kReplacementChar)
      report.error(file, no, "invalid Shift-JIS byte sequences",
                   "invalid Shift-JIS byte sequence at character " + std::to_string(column) +
                       " (the player sees \xEF\xBF\xBD)");
    at += length;
  }
}

void checkRunCount(const std::string& file, int64_t no, std::string_view line, Report& report) {
  const std::string_view text = script::afterCommandWord(line, Kind::Run);
  int64_t count = 0;
  bool padded = false;
  if (!script::parseRunCount(text, &count, &padded))
    report.error(file, no, "bad run counts",
                 "the run count " + inQuotes(text) + " is not a whole decimal number");
  else if (padded)
    report.error(file, no, "bad run counts",
                 "the run count " + inQuotes(text) + " has blanks around its digits");
  else if (count > kMaxRunCount)
    report.error(file, no, "bad run counts",
                 "the run count " + std::string(text) + " is larger than " + std::to_string(kMaxRunCount));
}

void checkImgLine(const std::string& file, int64_t no, std::string_view line, Report& report) {
  if (line.size() > 4 && line[4] != ' ')
    report.warning(file, no, "picture-line findings",
                   "the fifth character of " + inQuotes(line) + " is skipped, not part of the name");
  if (script::pictureName(line).empty())
    report.warning(file, no, "picture-line findings",
                   "\">img\" with an empty name shows the previous picture again");
}

void checkTextLine(const std::string& file, int64_t no, std::string_view line, Report& report) {
  const char* kind = "lines that look like commands";
  if (script::startsWithWord(line, ">ive")) {
    report.warning(file, no, kind,
                   "\">ive\" is no command: this line is shown as text, and the line before it waits");
  } else if (auto meant = misspeltCommand(line)) {
    report.warning(
        file, no, kind,
        "looks like the command " + inQuotes(*meant) +
            " but is shown as text: commands are lower case, in half-width letters, and start the line");
  } else if (script::startsWithWord(line, ">") || script::startsWithWord(line, "＞") ||
             script::startsWithWord(line, "-")) {
    const auto near = nearestCommand(line);
    report.warning(file, no, kind,
                   inQuotes(line.substr(0, 200)) +
                       " starts like a command but is none, so it is shown as text" +
                       (near ? "; did you mean " + inQuotes(*near) + "?"
                             : "; the commands are tugi, --N, >p, >img NAME, >end and >game"));
  }
}

void checkLine(const std::string& file, int64_t no, std::string_view line, Report& report) {
  const Kind kind = script::classifyLine(line);
  switch (kind) {
    case Kind::Run:
      checkRunCount(file, no, line, report);
      break;
    case Kind::Page:
      if (line != ">p")
        report.warning(file, no, "page lines with text after them",
                       inQuotes(line) +
                           " has characters after \">p\": the page turns without waiting for a "
                           "click on the line before it");
      break;
    case Kind::Img:
      checkImgLine(file, no, line, report);
      break;
    case Kind::Text:
      checkTextLine(file, no, line, report);
      break;
    case Kind::Tugi:
    case Kind::End:
    case Kind::Game:
      if (const std::string_view rest = script::afterCommandWord(line, kind); !rest.empty())
        report.warning(file, no, "texts after commands",
                       "the game ignores " + inQuotes(rest.substr(0, 200)) + " after " +
                           inQuotes(script::commandWord(kind)) +
                           "; put text on a line of its own before the command");
      break;
  }
}

}  // namespace

ScenarioLines checkScenarioLines(const std::string& file, const std::string& bytes, Report& report) {
  ScenarioLines result;
  const bool editorFile = isEditorFile(file, bytes, report);
  // Lines as the game's reader splits them: CR LF or a lone CR ends a line, a lone LF does not; a last
  // line without an ending still counts.
  for (size_t at = 0; at < bytes.size();) {
    size_t end = bytes.find('\r', at);
    if (end == std::string::npos) end = bytes.size();
    const std::string raw = bytes.substr(at, end - at);
    at = end + 1;
    if (at < bytes.size() && bytes[at] == '\n') ++at;
    ++result.count;
    if (editorFile) continue;
    int invalid = 0;
    const std::string line = platform::decodeCp932(raw, &invalid);
    if (invalid > 0) checkDecoding(file, result.count, line, report);
    if (raw.find('\n') != std::string::npos)
      report.error(
          file, result.count, "line-end findings",
          "a line ends in LF alone here: the game runs it together with the next; convert the source "
          "with lanternfall-convert, or end it with CR LF");
    checkLine(file, result.count, line, report);
  }
  result.playable = !editorFile && result.count > 0;
  return result;
}

}  // namespace lint
