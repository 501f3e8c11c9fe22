// Command look-alikes: case, blanks, full-width letters and near misses.
#include "tools/lint/command_typos.h"

#include <algorithm>
#include <vector>

#include "platform/runtime/utf8.h"
#include "script/scenario_syntax.h"

namespace lint {

namespace {

const std::vector<std::string> kCommandWords = {"tugi", "--", ">end", ">p", ">img", ">game"};

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
    } else if (script::startsWithWord(s, "\xE3\x80\x80")) {  // U+3000
      s.remove_prefix(3);
    } else {
      return s;
    }
  }
}

// Full-width forms of ASCII (U+FF01..U+FF5E, as an input method types them) turned into ASCII; at most
// `limit` characters, which is all a guess needs.
std::string foldFullWidth(std::string_view s, size_t limit) {
  std::string out;
  for (size_t at = 0, n = 0; at < s.size() && n < limit; ++n) {
    size_t length = 1;
    const char32_t c = platform::decodeUtf8(s, at, &length);
    if (c >= 0xFF01 && c <= 0xFF5E) {
      out.push_back(static_cast<char>(c - 0xFF01 + 0x21));
    } else {
      out.append(s.substr(at, length));
    }
    at += length;
  }
  return out;
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

}  // namespace

std::optional<std::string> misspeltCommand(std::string_view line) {
  const std::string folded = lowerAscii(foldFullWidth(skipLeadingBlanks(line), 5).substr(0, 5));
  for (const std::string& w : kCommandWords) {
    if (script::startsWithWord(folded, w)) return w;
  }
  return std::nullopt;
}

std::optional<std::string> nearestCommand(std::string_view line) {
  std::string word = lowerAscii(foldFullWidth(line, 12));
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

}  // namespace lint
