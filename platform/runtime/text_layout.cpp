// Line layout with the Japanese line-breaking rules (kinsoku shori), streaming over the caption so that
// only the lines a box can show are ever decoded or measured.
#include "platform/runtime/text_layout.h"

#include <algorithm>

#include "platform/runtime/utf8.h"

namespace platform {

namespace {

constexpr size_t kMaxGlyphsPerLine = 4096;  // far more than any screen line holds

bool isIn(char32_t c, std::u32string_view set) { return set.find(c) != std::u32string_view::npos; }

// ASCII letters, digits and punctuation: runs of these are words and are not split.
bool isWordChar(char32_t c) { return c > 0x20 && c < 0x7F; }
bool isSpace(char32_t c) { return c == U' ' || c == U'\t'; }

struct Glyph {
  char32_t cp;
  size_t offset;  // byte offset in the caption
  size_t length;  // bytes
  float advance;
};

// A break before glyph k (the line keeps glyphs [0, k), the next line starts with `next`), judged at a
// strictness level: 0 keeps every rule, 1 lets a weak no-start character begin the line, 2 also splits
// an ASCII word. The strong rules are never relaxed here.
bool breakAllowed(const std::vector<Glyph>& line, size_t k, char32_t next, int level) {
  const char32_t before = line[k - 1].cp;
  if (isStrongNoStart(next) || isOpeningBracket(before) || isSpace(next)) return false;
  if (level < 2 && isWordChar(before) && isWordChar(next)) return false;
  if (level < 1 && isWeakNoStart(next)) return false;
  return true;
}

}  // namespace

bool isStrongNoStart(char32_t c) {
  static constexpr std::u32string_view kSet =
      U"、。，．」』）］｝〕〉》】〗〙〟’”・：；？！"  // full-width
      U"､｡｣･"                                          // half-width katakana forms
      U",.)]}:;?!";                                    // ASCII forms
  return isIn(c, kSet);
}

bool isWeakNoStart(char32_t c) {
  static constexpr std::u32string_view kSet =
      U"ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶㇰㇱㇲㇳㇴㇵㇶㇷㇸㇹㇺㇻㇼㇽㇾㇿーゝゞヽヾ々"
      U"ｧｨｩｪｫｬｭｮｯｰ";
  return isIn(c, kSet);
}

bool isOpeningBracket(char32_t c) {
  static constexpr std::u32string_view kSet = U"「『（［｛〔〈《【〖〘〝‘“｢([{";
  return isIn(c, kSet);
}

bool isHangingPunctuation(char32_t c) {
  static constexpr std::u32string_view kSet = U"、。，．､｡";
  return isIn(c, kSet);
}

std::vector<LaidLine> layoutText(std::string_view text, float boxWidth, size_t maxLines,
                                 const AdvanceFn& advance) {
  std::vector<LaidLine> lines;
  std::vector<Glyph> line;
  size_t pos = 0;

  auto peek = [&](size_t at, size_t* len) -> char32_t {
    if (at >= text.size()) {
      *len = 0;
      return 0;
    }
    return decodeUtf8(text, at, len);
  };
  auto emit = [&](size_t begin, size_t count) {
    LaidLine out;
    out.begin = begin;
    out.end = count == 0 ? begin : line[count - 1].offset + line[count - 1].length;
    for (size_t i = 0; i < count; ++i) out.width += line[i].advance;
    lines.push_back(out);
  };

  while (lines.size() < maxLines) {
    // One line starts at pos.
    line.clear();
    const size_t lineBegin = pos;
    float width = 0;
    size_t resume = std::string_view::npos;  // where the next line starts
    for (;;) {
      size_t len;
      const char32_t c = peek(pos, &len);
      if (len == 0) {  // end of the caption
        emit(lineBegin, line.size());
        return lines;
      }
      if (c == U'\r' || c == U'\n') {
        // CR LF is one break; a lone CR or LF breaks too rather than showing as a box.
        size_t after = pos + 1;
        if (c == U'\r' && after < text.size() && text[after] == '\n') ++after;
        emit(lineBegin, line.size());
        resume = after;
        break;
      }
      const float adv = advance(c);
      // A line of glyphs without width (marks a font draws as nothing) must still end somewhere.
      const bool full = line.size() >= kMaxGlyphsPerLine;
      if (line.empty() || (width + adv <= boxWidth && !full)) {
        line.push_back({c, pos, len, adv});
        width += adv;
        pos += len;
        continue;
      }

      // c does not fit. Hanging punctuation and spaces stay on this line past the right edge, unless
      // what follows them could not start the next line.
      size_t nextLen;
      const char32_t next = peek(pos + len, &nextLen);
      if (isSpace(c)) {
        size_t after = pos + len;
        size_t sl;
        char32_t s = peek(after, &sl);
        while (sl != 0 && isSpace(s)) {
          after += sl;
          s = peek(after, &sl);
        }
        if (sl == 0 || !isStrongNoStart(s)) {
          // The spaces vanish at the break: nothing of them would be seen past the edge.
          emit(lineBegin, line.size());
          resume = after;
          break;
        }
      }
      if (isHangingPunctuation(c) && (nextLen == 0 || !isStrongNoStart(next))) {
        line.push_back({c, pos, len, adv});
        emit(lineBegin, line.size());
        resume = pos + len;
        break;
      }

      // Break somewhere before c: the latest place that keeps the rules, relaxing the weak rule and
      // then the whole-word rule only when nothing else fits. When no place keeps even the strong
      // rules (a line of nothing but closing punctuation), break right before c.
      size_t k = line.size();
      bool found = false;
      for (int level = 0; level <= 2 && !found; ++level) {
        for (size_t cand = line.size(); cand >= 1; --cand) {
          const char32_t starter = cand == line.size() ? c : line[cand].cp;
          if (breakAllowed(line, cand, starter, level)) {
            k = cand;
            found = true;
            break;
          }
        }
      }
      emit(lineBegin, k);
      resume = k == line.size() ? pos : line[k].offset;
      break;
    }
    pos = resume;
    if (pos >= text.size()) break;  // a final CR LF adds no empty line: it would draw nothing
  }
  return lines;
}

}  // namespace platform
