// Line layout of label and option-button captions: hard breaks at CR LF, then wrapping at character
// boundaries with the Japanese line-breaking rules. Called by the renderer on every frame it draws text.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace platform {

// Advance width of one code point, in pixels. The renderer passes the font's glyph advances; tests pass
// their own widths so that the rules can be checked without any font.
using AdvanceFn = std::function<float(char32_t)>;

// One laid-out line: a byte range of the caption (no CR or LF in it) and its width in pixels, which may
// pass the box width by the hanging punctuation or trailing spaces.
struct LaidLine {
  size_t begin = 0;
  size_t end = 0;
  float width = 0;
};

// Lay out utf8 for a box boxWidth pixels wide, producing at most maxLines lines: a caption is read only
// as far as the box can show, so that a huge caption costs no more than a full box.
// Each CR LF ends a line (as does a lone CR or LF); a line wider than the box wraps:
//  - never before a strong no-start character (closing brackets, 、。，．・：；？！ and half-width forms);
//  - where possible not before a weak one (small kana, ー, iteration marks);
//  - never after an opening bracket;
//  - 、。，． that would overflow hang past the right edge rather than start the next line, and spaces
//    there vanish at the break (the line ends before them);
//  - a run of ASCII letters, digits and punctuation stays whole unless it alone is wider than the box.
// Invalid UTF-8 bytes are measured as U+FFFD. Every line holds at least one character.
std::vector<LaidLine> layoutText(std::string_view utf8, float boxWidth, size_t maxLines,
                                 const AdvanceFn& advance);
// The width of text on one line, unbroken: the sum of its characters' advances (U+FFFD for invalid bytes).
float textWidth(std::string_view utf8, const AdvanceFn& advance);

// The character classes the layout uses, exposed for the renderer's tooltip and for tests.
bool isStrongNoStart(char32_t c);
bool isWeakNoStart(char32_t c);
bool isOpeningBracket(char32_t c);
bool isHangingPunctuation(char32_t c);

}  // namespace platform
