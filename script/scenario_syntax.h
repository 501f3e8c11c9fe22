// What a scenario line is: the command words, the run count, the stop-line and tick tests. The one
// definition the interpreter and the content tools share, so that a rule changes in one place. Pure
// functions over UTF-8 text; no file, no control, no platform.
#pragma once

#include <cstdint>
#include <string_view>

namespace script {

// What the reader yields once the file is at its end, every time it is asked.
inline constexpr std::string_view kEndOfFile = "tugi";
// The mark at the end of a text line that waits for a click.
inline constexpr std::string_view kPageMark = "▼";
// A page ends on its 15th counted line (its 16th when ">p" began it, since that count starts at 0).
inline constexpr uint8_t kLastLineBeforePageEnd = 14;

// The line kinds, tried in this order on the first characters of the line, exactly and with case: the
// first that matches decides. Anything else, a blank line included, is a text line.
enum class LineKind {
  Tugi,  // "tugi": the end, into the wish simulation
  Run,   // "--N": the next N steps at once
  End,   // ">end": the end, back to the title
  Page,  // ">p": a fresh page
  Img,   // ">img NAME": a picture; the fifth character is skipped whatever it is
  Game,  // ">game": the same as "tugi"
  Text,
};

LineKind classifyLine(std::string_view line);

// The word that makes a line of that kind ("tugi", "--", ">end", ">p", ">img", ">game"); empty for text.
std::string_view commandWord(LineKind kind);

// "tugi", ">end" and ">game" end the scenario; what follows them is never read.
bool endsScenario(LineKind kind);

// The text that follows the command word, which the game ignores for the end commands and takes as the
// count of a run, the name of a picture (after the skipped fifth character), or nothing for ">p" (any
// character at all there makes the line turn the page without the wait of a bare ">p").
std::string_view afterCommandWord(std::string_view line, LineKind kind);

// The picture name of an ">img" line: its characters (not bytes) from the sixth on, empty for five or
// fewer.
std::string_view pictureName(std::string_view line);

// Why a picture name cannot be used, or empty when it can. The name becomes a path below the picture
// folder as written, so it may go into subfolders there but never out of it: no absolute path, no ".."
// between separators (either slash, so that content plays alike on every system), no drive letter. Nor
// may it hold a control character: a NUL would end the path early and so open some other file.
std::string_view pictureNameRefusal(std::string_view name);

// The count of a "--" line, from the text after the two dashes: decimal digits, with spaces or tabs
// around them allowed. False when it is no number (the run then takes no step). Counts with absurdly
// many digits are held at kMaxRunCount, which no scenario file can reach anyway (every step reads a
// line); `padded` tells whether spaces were around the digits.
inline constexpr int64_t kMaxRunCount = INT64_C(1) << 53;
bool parseRunCount(std::string_view text, int64_t* count, bool* padded = nullptr);

// A line after which the text line before it waits for a click: ">game", ">end", ">ive" or "tugi" at
// its start, or exactly ">p". The end of the file reads as "tugi" and so stops too.
bool isStopLine(std::string_view next);

// Whether a tick of the auto-advance may step when this line is the one read ahead. Only a click moves
// past ">p" alone and the end commands; ">ive" and the line count play no part here.
bool tickMayStep(std::string_view next);

// The first characters of `line` are `word`: the whole of it, so a shorter line never matches.
bool startsWithWord(std::string_view line, std::string_view word);

}  // namespace script
