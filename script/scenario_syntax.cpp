// The scenario line rules shared by the interpreter and the content tools.
#include "script/scenario_syntax.h"

namespace script {

bool startsWithWord(std::string_view line, std::string_view word) {
  // Comparing the first Len(word) characters is a byte prefix test: UTF-8 sequences never straddle a
  // match of whole characters.
  return line.size() >= word.size() && line.substr(0, word.size()) == word;
}

LineKind classifyLine(std::string_view line) {
  if (startsWithWord(line, "tugi")) return LineKind::Tugi;
  if (startsWithWord(line, "--")) return LineKind::Run;
  if (startsWithWord(line, ">end")) return LineKind::End;
  if (startsWithWord(line, ">p")) return LineKind::Page;
  if (startsWithWord(line, ">img")) return LineKind::Img;
  if (startsWithWord(line, ">game")) return LineKind::Game;
  return LineKind::Text;
}

std::string_view commandWord(LineKind kind) {
  switch (kind) {
    case LineKind::Tugi:
      return "tugi";
    case LineKind::Run:
      return "--";
    case LineKind::End:
      return ">end";
    case LineKind::Page:
      return ">p";
    case LineKind::Img:
      return ">img";
    case LineKind::Game:
      return ">game";
    case LineKind::Text:
      break;
  }
  return {};
}

bool endsScenario(LineKind kind) {
  return kind == LineKind::Tugi || kind == LineKind::End || kind == LineKind::Game;
}

std::string_view afterCommandWord(std::string_view line, LineKind kind) {
  const size_t n = commandWord(kind).size();
  return line.size() > n ? line.substr(n) : std::string_view();
}

std::string_view pictureName(std::string_view line) {
  if (line.size() <= 4) return {};
  // The fifth character may be a full-width space of several bytes; a stray byte counts as one.
  const auto lead = static_cast<unsigned char>(line[4]);
  size_t len = 1;
  if ((lead & 0xE0) == 0xC0)
    len = 2;
  else if ((lead & 0xF0) == 0xE0)
    len = 3;
  else if ((lead & 0xF8) == 0xF0)
    len = 4;
  return 4 + len < line.size() ? line.substr(4 + len) : std::string_view();
}

std::string_view pictureNameRefusal(std::string_view name) {
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) return "its name holds a control character";
  }
  constexpr std::string_view kOutside = "its name leads out of the picture folder";
  const bool driveLetter = name.size() >= 2 && name[1] == ':' &&
                           ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
  if (driveLetter || (!name.empty() && (name[0] == '/' || name[0] == '\\'))) return kOutside;
  size_t begin = 0;
  while (begin <= name.size()) {
    size_t end = name.find_first_of("/\\", begin);
    if (end == std::string_view::npos) end = name.size();
    if (name.substr(begin, end - begin) == "..") return kOutside;
    begin = end + 1;
  }
  return {};
}

bool parseRunCount(std::string_view text, int64_t* count, bool* padded) {
  auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
  size_t b = 0;
  size_t e = text.size();
  while (b < e && isSpace(text[b])) ++b;
  while (e > b && isSpace(text[e - 1])) --e;
  if (padded) *padded = b > 0 || e < text.size();
  if (b == e) return false;
  int64_t n = 0;
  for (size_t i = b; i < e; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    if (n < kMaxRunCount) n = n * 10 + (text[i] - '0');
  }
  *count = n < kMaxRunCount ? n : kMaxRunCount;
  return true;
}

bool isStopLine(std::string_view next) {
  return startsWithWord(next, ">game") || next == ">p" || startsWithWord(next, ">end") ||
         startsWithWord(next, ">ive") || startsWithWord(next, "tugi");
}

bool tickMayStep(std::string_view next) {
  return !(next == ">p" || startsWithWord(next, ">end") || startsWithWord(next, ">game") ||
           startsWithWord(next, "tugi"));
}

}  // namespace script
