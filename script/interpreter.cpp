// The scenario interpreter: reads a scenario file one line ahead, pages its text into the three labels,
// shows its pictures, and hands over to the wish simulation or back to the title at its end.
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "app/fom.h"
#include "audio/shared_routines.h"
#include "platform/media/text_file.h"
#include "platform/runtime/app.h"
#include "platform/runtime/vb_strings.h"

namespace {

constexpr std::string_view kPageMark = "▼";
// What the reader yields once the file is at its end, every time it is asked.
constexpr std::string_view kEndOfFile = "tugi";
constexpr uint8_t kLastLineBeforePageEnd = 14;  // a page ends on its 15th counted line

// Runs are bounded by the end of the scenario anyway (every step reads a line); the cap only keeps the
// counter's arithmetic in range for a count with absurdly many digits.
constexpr int64_t kMaxRunCount = INT64_C(1) << 53;

// Only for naming problems on stderr; the game itself never needs to know which file is playing.
std::string gScenarioPath;

bool startsWith(std::string_view line, std::string_view word) {
  return platform::startsWithChars(line, word);
}

// The count of a "--" line: decimal digits, spaces around them allowed. Anything else counts as no number.
bool parseRunCount(std::string_view text, int64_t* count) {
  auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
  size_t b = 0;
  size_t e = text.size();
  while (b < e && isSpace(text[b])) ++b;
  while (e > b && isSpace(text[e - 1])) --e;
  if (b == e) return false;
  int64_t n = 0;
  for (size_t i = b; i < e; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    if (n < kMaxRunCount) n = n * 10 + (text[i] - '0');
  }
  *count = n < kMaxRunCount ? n : kMaxRunCount;
  return true;
}

// A line after which the text line before it waits for a click.
bool isStopLine(std::string_view next) {
  return startsWith(next, ">game") || next == ">p" || startsWith(next, ">end") || startsWith(next, ">ive") ||
         startsWith(next, "tugi");
}

// What became of one line: the step is over, the next line belongs to the same step (the line took no
// time), or the line began a run of `count` steps.
enum class LineResult { StepOver, NextLineToo, Run };

}  // namespace

void Fom::StartScenario(const std::string& name) {
  note("scenario", name);
  // The wish simulation stands still while a scenario runs.
  timSay.setEnabled(true);
  TimDay.setEnabled(false);
  timColor.setEnabled(false);
  // PageMark is deliberately left as the last scenario left it: emptying the labels is what starts the
  // first text line on a fresh page.
  ShowText("", true);
  LineCount = 1;

  // One scenario file at a time: a scenario started over a running one takes its place.
  if (scriptRunning_) platform::Close(ScriptFileNo);
  ScriptFileNo = static_cast<int16_t>(platform::FreeFile());
  gScenarioPath = TxtDir + name + ".dat";
  scriptRunning_ = true;
  const bool isEnding = name == "end" || name == "badend";
  std::string error;
  if (!platform::OpenForInput(ScriptFileNo, gScenarioPath, &error)) {
    // Played as an empty file: the reader yields nothing and then the end, into the wish simulation.
    // An ending that cannot be read still ends the game, or the day clock would start it forever.
    platform::reportProblem("cannot read scenario " + error +
                            (isEnding ? "; returning to the title" : "; playing it as empty"));
    CurrentLine = isEnding ? ">end" : "";
    lbl_Click(0);
    return;
  }
  if (isEnding && platform::Eof(ScriptFileNo)) {
    platform::reportProblem("scenario " + gScenarioPath + " is empty; returning to the title");
    CurrentLine = ">end";
  } else {
    // No end-of-file test before the first read: an empty file's first line is "".
    CurrentLine = platform::LineInput(ScriptFileNo);
  }
  lbl_Click(0);
}

// Interprets the line read ahead, and every line that follows it at once. The old interpreter called
// itself for each line that takes no time and for each step of a run; here those nested calls become
// the loop below, in the same order of effects, so that no content can deepen the call stack:
//  - a line that takes no time (">p", ">img", an empty text line) continues the same step;
//  - a run pushes its bound; when a step inside it is over, the one shared RunVar counts on and is
//    tested against the innermost bound, exactly as the loop of the nested call would have done.
void Fom::StepScript() {
  if (stepDepth_ > 0) {
    // Asked for from inside a step (nothing in the game does): it follows once this step is over.
    ++pendingSteps_;
    return;
  }
  // Whatever stops the step (memory running out in a line), the next step must still be able to run.
  struct StepScope {
    Fom& fom;
    explicit StepScope(Fom& f) : fom(f) {
      ++fom.stepDepth_;
      fom.beginPictureStep();
    }
    ~StepScope() {
      --fom.stepDepth_;
      fom.abandonPictureStep();
    }
  } scope(*this);

  auto interpretLine = [this](int64_t* runCount) -> LineResult {
    // Once the scenario has ended its file is closed: nothing may read it until the next scenario.
    if (!scriptRunning_) return LineResult::StepOver;
    std::string line = std::move(CurrentLine);
    CurrentLine = platform::Eof(ScriptFileNo) ? std::string(kEndOfFile) : platform::LineInput(ScriptFileNo);

    if (startsWith(line, "tugi")) {
      platform::Close(ScriptFileNo);
      scriptRunning_ = false;
      EnterWishMode();
      return LineResult::StepOver;
    }
    if (startsWith(line, "--")) {
      // The count text passes through LoopVar, as it always has; the bound is fixed from it once here.
      LoopVar = platform::Mid(line, 3);
      if (!parseRunCount(LoopVar.text(), runCount)) {
        platform::reportProblem(gScenarioPath + ": run count \"" + platform::Left(LoopVar.text(), 40) +
                                "\" is no whole number; the run takes no step");
        *runCount = 0;
      }
      return LineResult::Run;
    }
    if (startsWith(line, ">end")) {
      platform::Close(ScriptFileNo);
      scriptRunning_ = false;
      ReturnToTitle();
      return LineResult::StepOver;
    }
    if (startsWith(line, ">p")) {
      ShowText("", true);
      LineCount = 0;  // not 1: a page begun by ">p" holds 16 lines
      return LineResult::NextLineToo;
    }
    if (startsWith(line, ">img")) {
      // The fifth character is skipped whatever it is, a full-width space included.
      ShowPicture(platform::Mid(line, 6));
      return LineResult::NextLineToo;
    }
    if (startsWith(line, ">game")) {
      platform::Close(ScriptFileNo);
      scriptRunning_ = false;
      EnterWishMode();
      return LineResult::StepOver;
    }

    // A text line. After a page end the labels still show the old page; the new one starts empty.
    std::string previous;
    if (PageMark != kPageMark) previous = lbl[0].Caption();
    if (isStopLine(CurrentLine) || LineCount > kLastLineBeforePageEnd) {
      PageMark = kPageMark;
      timSay.setEnabled(false);
      LineCount = 0;
    } else {
      PageMark.clear();
    }
    ++LineCount;
    previous.reserve(previous.size() + 2 + line.size() + PageMark.size());
    previous += "\r\n";
    previous += line;
    previous += PageMark;
    ShowText(previous, true);
    // An empty line never waits, not even when it ended a page.
    return line.empty() ? LineResult::NextLineToo : LineResult::StepOver;
  };

  std::vector<int64_t> runBounds;  // the runs in progress, innermost last
  pendingSteps_ = 1;
  while (pendingSteps_ > 0) {
    --pendingSteps_;
    bool stepping = true;
    while (stepping) {
      int64_t runCount = 0;
      const LineResult result = interpretLine(&runCount);
      if (result == LineResult::NextLineToo) continue;
      if (result == LineResult::Run) {
        RunVar = int64_t{1};
        if (RunVar.number() <= runCount) {
          runBounds.push_back(runCount);
          continue;
        }
        // A run of no steps is over at once, leaving RunVar at 1 for the run around it.
      }
      // The step is over. After an end nothing can be read any more, so no run takes another step.
      if (!scriptRunning_) runBounds.clear();
      stepping = false;
      while (!runBounds.empty()) {
        RunVar = RunVar.number() + 1;
        if (RunVar.number() <= runBounds.back()) {
          stepping = true;
          break;
        }
        runBounds.pop_back();  // that run's own step is over too: its enclosing run counts on
      }
    }
  }
  endPictureStep();
}

void Fom::ShowText(const std::string& text, bool visible) {
  // A counted loop over the labels with the shared counter, which it leaves one past the last label.
  const int64_t upper = static_cast<int64_t>(std::size(lbl)) - 1;
  for (LoopVar = int64_t{0}; LoopVar.number() <= upper; LoopVar = LoopVar.number() + 1) {
    platform::Label& label = lbl[static_cast<size_t>(LoopVar.number())];
    label.setCaption(text);
    label.setVisible(visible);
  }
}

void Fom::lbl_Click(int16_t /*Index*/) {
  StepScript();
  // Also after an end: the timer then ticks without effect, and the next StartScenario takes it over.
  timSay.setEnabled(true);
}

void Fom::timSay_Timer() {
  // Only a click moves past a stop line; ">ive" and the line count play no part here.
  if (CurrentLine == ">p" || startsWith(CurrentLine, ">end") || startsWith(CurrentLine, ">game") ||
      startsWith(CurrentLine, "tugi")) {
    return;
  }
  StepScript();
}

void Fom::EnterWishMode() {
  note("wish", "");
  ShowText("", false);
  timSay.setEnabled(false);
  TimDay.setEnabled(true);
  timColor.setEnabled(true);
}

void Fom::ReturnToTitle() {
  note("title", "");
  // The labels keep their last page under the title; the next StartScenario empties them.
  ShowTitle();
}
