// The scenario interpreter: reads a scenario file one line ahead, pages its text into the three labels,
// shows its pictures, and hands over to the wish simulation or back to the title at its end.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "app/fom.h"
#include "audio/shared_routines.h"
#include "platform/media/text_file.h"
#include "platform/runtime/app.h"
#include "platform/runtime/vb_strings.h"
#include "script/scenario_syntax.h"

namespace {

using script::LineKind;

// Only for naming problems on stderr; the game itself never needs to know which file is playing.
std::string gScenarioPath;

// What a row keeps of its line. A label shows at most some fifty lines of a few hundred characters (its
// font grows with the window), so no row longer than this can be seen to its end; what lies past it
// would only be carried from page to page, three labels at a time.
constexpr size_t kMaxRowChars = 65536;

// A text line as its row: the line itself, or as much of it as can ever be seen.
std::string rowOf(const std::string& line) {
  if (line.size() <= kMaxRowChars) return line;  // no more characters than bytes
  std::string row = platform::Left(line, kMaxRowChars);
  if (row.size() < line.size()) {
    const std::string limit = std::to_string(kMaxRowChars);
    platform::reportProblem(gScenarioPath + ": a row of more than " + limit + " characters; only its first " +
                                limit + " are shown",
                            "over-long rows");
  }
  return row;
}

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
    lineNo_ = 1;
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
  lineNo_ = 1;
  lbl_Click(0);
}

// Interprets the line read ahead, and every line that follows it at once. The old interpreter called
// itself for each line that takes no time and for each step of a run; here those nested calls become
// the loop of takeStep, in the same order of effects, so that no content can deepen the call stack:
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
    platform::ProblemBurst burst;  // what one step writes to stderr stays a few lines
    explicit StepScope(Fom& f) : fom(f) {
      ++fom.stepDepth_;
      fom.beginPictureStep();
    }
    ~StepScope() {
      --fom.stepDepth_;
      fom.abandonPictureStep();
    }
  } scope(*this);

  std::vector<int64_t> runBounds;  // the runs in progress, innermost last
  for (pendingSteps_ = 1; pendingSteps_ > 0;) {
    --pendingSteps_;
    takeStep(runBounds);
  }
  endPictureStep();
}

void Fom::takeStep(std::vector<int64_t>& runBounds) {
  for (;;) {
    int64_t runCount = 0;
    const LineResult result = interpretLine(&runCount);
    if (result == LineResult::NextLineToo) continue;
    if (result == LineResult::Run && startRun(runCount, runBounds)) continue;
    if (!countRunOn(runBounds)) return;
  }
}

bool Fom::startRun(int64_t runCount, std::vector<int64_t>& runBounds) {
  RunVar = int64_t{1};
  // A run of no steps is over at once, leaving RunVar at 1 for the run around it.
  if (RunVar.number() > runCount) return false;
  runBounds.push_back(runCount);
  return true;
}

bool Fom::countRunOn(std::vector<int64_t>& runBounds) {
  // After an end nothing can be read any more, so no run takes another step.
  if (!scriptRunning_) runBounds.clear();
  while (!runBounds.empty()) {
    RunVar = RunVar.number() + 1;
    if (RunVar.number() <= runBounds.back()) return true;
    runBounds.pop_back();  // that run's own step is over too: its enclosing run counts on
  }
  return false;
}

Fom::LineResult Fom::interpretLine(int64_t* runCount) {
  // Once the scenario has ended its file is closed: nothing may read it until the next scenario.
  if (!scriptRunning_) return LineResult::StepOver;
  std::string line = std::move(CurrentLine);
  CurrentLine =
      platform::Eof(ScriptFileNo) ? std::string(script::kEndOfFile) : platform::LineInput(ScriptFileNo);
  if (lineTrace) lineTrace(lineNo_, line);
  ++lineNo_;

  switch (script::classifyLine(line)) {
    case LineKind::Tugi:
    case LineKind::Game:
      platform::Close(ScriptFileNo);
      scriptRunning_ = false;
      EnterWishMode();
      return LineResult::StepOver;
    case LineKind::Run:
      // The count text passes through LoopVar, as it always has; the bound is fixed from it once here.
      LoopVar = std::string(script::afterCommandWord(line, LineKind::Run));
      if (!script::parseRunCount(LoopVar.text(), runCount)) {
        platform::reportProblem(gScenarioPath + ": run count \"" + platform::Left(LoopVar.text(), 40) +
                                    "\" is no whole number; the run takes no step",
                                "run counts that are no number");
        *runCount = 0;
      }
      return LineResult::Run;
    case LineKind::End:
      platform::Close(ScriptFileNo);
      scriptRunning_ = false;
      ReturnToTitle();
      return LineResult::StepOver;
    case LineKind::Page:
      ShowText("", true);
      LineCount = 0;  // not 1: a page begun by ">p" holds 16 lines
      return LineResult::NextLineToo;
    case LineKind::Img:
      ShowPicture(std::string(script::pictureName(line)));
      return LineResult::NextLineToo;
    case LineKind::Text:
      break;
  }
  return showTextLine(line);
}

Fom::LineResult Fom::showTextLine(const std::string& line) {
  // After a page end the labels still show the old page; the new one starts empty.
  std::string previous;
  if (PageMark != script::kPageMark) previous = lbl[0].Caption();
  if (script::isStopLine(CurrentLine) || LineCount > script::kLastLineBeforePageEnd) {
    PageMark = script::kPageMark;
    timSay.setEnabled(false);
    LineCount = 0;
  } else {
    PageMark.clear();
  }
  ++LineCount;
  const std::string row = rowOf(line);
  previous.reserve(previous.size() + 2 + row.size() + PageMark.size());
  previous += "\r\n";
  previous += row;
  previous += PageMark;
  ShowText(previous, true);
  SpeakRow(row);
  // An empty line never waits, not even when it ended a page.
  return line.empty() ? LineResult::NextLineToo : LineResult::StepOver;
}

void Fom::ShowText(const std::string& text, bool visible) {
  History.noteShown(text);
  // A counted loop over the labels with the shared counter, which it leaves one past the last label.
  const int64_t upper = static_cast<int64_t>(std::size(lbl)) - 1;
  for (LoopVar = int64_t{0}; LoopVar.number() <= upper; LoopVar = LoopVar.number() + 1) {
    platform::Label& label = lbl[static_cast<size_t>(LoopVar.number())];
    label.setCaption(text);
    label.setVisible(visible);
  }
}

void Fom::lbl_Click(int16_t /*Index*/) {
  rowCutsIn_ = true;
  StepScript();
  // Also after an end: the timer then ticks without effect, and the next StartScenario takes it over.
  timSay.setEnabled(true);
}

void Fom::timSay_Timer() {
  if (fastForward_) {
    fastForwardTick();
    return;
  }
  // Only a click moves past a stop line; ">ive" and the line count play no part here.
  if (script::tickMayStep(CurrentLine)) StepScript();
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
