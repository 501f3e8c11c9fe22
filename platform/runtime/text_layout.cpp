// Line layout with the Japanese line-breaking rules (kinsoku shori), streaming over the caption so that
// only the lines a box can show are ever decoded or measured.
#include "platform/runtime/text_layout.h"

#include <utility>

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

namespace {

// One caption laid out line by line; each line is read only once the previous one has ended.
class LineLayout {
 public:
  LineLayout(std::string_view text, float boxWidth, const AdvanceFn& advance)
      : text_(text), boxWidth_(boxWidth), advance_(advance) {}

  std::vector<LaidLine> run(size_t maxLines) {
    size_t pos = 0;
    while (lines_.size() < maxLines) {
      pos = layLine(pos);
      // The end of the caption; a final CR LF adds no empty line either: it would draw nothing.
      if (pos == kEnd || pos >= text_.size()) break;
    }
    return std::move(lines_);
  }

 private:
  static constexpr size_t kEnd = std::string_view::npos;

  char32_t peek(size_t at, size_t* len) const {
    if (at >= text_.size()) {
      *len = 0;
      return 0;
    }
    return decodeUtf8(text_, at, len);
  }

  // The line made of the first `count` glyphs gathered, starting at byte `begin`.
  void emit(size_t begin, size_t count) {
    LaidLine out;
    out.begin = begin;
    out.end = count == 0 ? begin : line_[count - 1].offset + line_[count - 1].length;
    for (size_t i = 0; i < count; ++i) out.width += line_[i].advance;
    lines_.push_back(out);
  }

  // One line from pos, emitted; where the next line starts, or kEnd at the end of the caption.
  size_t layLine(size_t pos) {
    line_.clear();
    const size_t lineBegin = pos;
    float width = 0;
    for (;;) {
      size_t len;
      const char32_t c = peek(pos, &len);
      if (len == 0) {
        emit(lineBegin, line_.size());
        return kEnd;
      }
      if (c == U'\r' || c == U'\n') {
        // CR LF is one break; a lone CR or LF breaks too rather than showing as a box.
        size_t after = pos + 1;
        if (c == U'\r' && after < text_.size() && text_[after] == '\n') ++after;
        emit(lineBegin, line_.size());
        return after;
      }
      const float adv = advance_(c);
      // A line of glyphs without width (marks a font draws as nothing) must still end somewhere.
      const bool full = line_.size() >= kMaxGlyphsPerLine;
      if (!line_.empty() && !(width + adv <= boxWidth_ && !full))
        return breakLine(lineBegin, {c, pos, len, adv});
      line_.push_back({c, pos, len, adv});
      width += adv;
      pos += len;
    }
  }

  // c does not fit: end the line, and say where the next one starts. Hanging punctuation and spaces stay
  // on this line past the right edge, unless what follows them could not start the next line.
  size_t breakLine(size_t lineBegin, const Glyph& c) {
    const size_t after = c.offset + c.length;
    if (isSpace(c.cp)) {
      size_t end = after, sl;
      char32_t s = peek(end, &sl);
      while (sl != 0 && isSpace(s)) {
        end += sl;
        s = peek(end, &sl);
      }
      if (sl == 0 || !isStrongNoStart(s)) {
        // The spaces vanish at the break: nothing of them would be seen past the edge.
        emit(lineBegin, line_.size());
        return end;
      }
    }
    size_t nextLen;
    const char32_t next = peek(after, &nextLen);
    if (isHangingPunctuation(c.cp) && (nextLen == 0 || !isStrongNoStart(next))) {
      line_.push_back(c);
      emit(lineBegin, line_.size());
      return after;
    }
    const size_t k = latestBreak(c.cp);
    emit(lineBegin, k);
    return k == line_.size() ? c.offset : line_[k].offset;
  }

  // The latest place before c that keeps the rules, relaxing the weak rule and then the whole-word rule
  // only when nothing else fits. When no place keeps even the strong rules (a line of nothing but
  // closing punctuation), right before c.
  size_t latestBreak(char32_t c) const {
    for (int level = 0; level <= 2; ++level) {
      for (size_t k = line_.size(); k >= 1; --k) {
        if (breakAllowed(line_, k, k == line_.size() ? c : line_[k].cp, level)) return k;
      }
    }
    return line_.size();
  }

  std::string_view text_;
  float boxWidth_;
  const AdvanceFn& advance_;
  std::vector<LaidLine> lines_;
  std::vector<Glyph> line_;
};

}  // namespace

std::vector<LaidLine> layoutText(std::string_view text, float boxWidth, size_t maxLines,
                                 const AdvanceFn& advance) {
  return LineLayout(text, boxWidth, advance).run(maxLines);
}

float textWidth(std::string_view utf8, const AdvanceFn& advance) {
  float sum = 0;
  for (size_t at = 0; at < utf8.size();) {
    size_t length = 1;
    sum += advance(decodeUtf8(utf8, at, &length));
    at += length;
  }
  return sum;
}

}  // namespace platform
