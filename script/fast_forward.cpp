// Fast-forward: while the player holds Ctrl, each tick of timSay is a click on the text, so pages turn
// at the timer's own pace; an end command still waits for a real click, so that holding Ctrl never
// carries the player out of a scenario. Let go, and reading is as it was at once.
#include "app/fom.h"
#include "script/scenario_syntax.h"

void Fom::StartFastForward() {
  // The held key repeats: only the first press counts.
  if (fastForward_ || HistoryOpen()) return;
  fastForward_ = true;
  timSayBeforeFastForward_ = timSay.Enabled();
  fastForwardFromLine_ = lineNo_;
  // A page waiting for a click turns one interval from now.
  if (scriptRunning_ && !picStt.Visible()) timSay.setEnabled(true);
}

void Fom::StopFastForward() {
  if (!fastForward_) return;
  fastForward_ = false;
  // Let go before anything stepped, a page that waited for a click waits again. Once a step was taken,
  // timSay stands as a click leaves it.
  if (scriptRunning_ && lineNo_ == fastForwardFromLine_) timSay.setEnabled(timSayBeforeFastForward_);
}

void Fom::fastForwardTick() {
  if (!scriptRunning_ || !lbl[0].effectivelyVisible()) return;
  switch (script::classifyLine(CurrentLine)) {
    case script::LineKind::Tugi:
    case script::LineKind::Game:
    case script::LineKind::End:
      return;  // the end of the scenario waits for the player
    default:
      lbl_Click(0);
  }
}
