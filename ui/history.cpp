// The text history: the pages read in this game, one at a time over the dimmed window, while the game
// stands still beneath. The wheel, the arrows and PageUp/PageDown page through it; the wheel past the
// newest page, Escape, Enter or a right click returns to the game exactly where it was.
#include <iterator>
#include <string>

#include "app/fom.h"
#include "platform/runtime/input.h"

void Fom::OpenHistory() {
  if (HistoryOpen() || picStt.Visible() || History.size() == 0) return;
  // The game stands still: no line, no day and no power moves until the history closes. The music plays on.
  timSay.hold();
  TimDay.hold();
  timColor.hold();
  const size_t pages = History.size();
  // The growing page is on screen already: the page before it is the one the player is looking for.
  historyAt_ = static_cast<int>(History.hasGrowingPage() && pages >= 2 ? pages - 2 : pages - 1);
  showHistoryPage();
  // The page on screen would show through under the page in view, row over row: it steps aside until
  // the history closes. Nothing in the game can look at the labels meanwhile.
  for (size_t i = 0; i < std::size(lbl); ++i) {
    sceneTextShown_[i] = lbl[i].Visible();
    lbl[i].setVisible(false);
  }
  histShade.setVisible(true);
}

void Fom::CloseHistory() {
  if (!HistoryOpen()) return;
  histShade.setVisible(false);
  for (size_t i = 0; i < std::size(lbl); ++i) lbl[i].setVisible(sceneTextShown_[i]);
  historyAt_ = -1;
  timSay.resume();
  TimDay.resume();
  timColor.resume();
}

void Fom::ScrollHistory(int steps, bool closeAtEnd) {
  if (!HistoryOpen()) return;
  const int last = static_cast<int>(History.size()) - 1;
  const int wanted = historyAt_ + steps;
  if (wanted > last && closeAtEnd) {
    CloseHistory();
    return;
  }
  const int at = wanted < 0 ? 0 : (wanted > last ? last : wanted);
  if (at == historyAt_) return;
  historyAt_ = at;
  showHistoryPage();
}

void Fom::showHistoryPage() {
  const std::string page = History.page(static_cast<size_t>(historyAt_));
  for (auto& label : histLbl) label.setCaption(page);
  histPos.setCaption("履歴 " + std::to_string(historyAt_ + 1) + "／" + std::to_string(History.size()));
  Speak(page, true);
}

void Fom::HistoryKeyDown(int16_t KeyCode) {
  switch (KeyCode) {
    case platform::kKeyUp:
    case platform::kKeyPageUp:
      ScrollHistory(-1, false);
      break;
    case platform::kKeyDown:
    case platform::kKeyPageDown:
      ScrollHistory(+1, false);
      break;
    case platform::kKeyEscape:
    case platform::kKeyReturn:
    case platform::kPadA:
    case platform::kPadB:
    case platform::kPadX:
    case platform::kPadY:
      CloseHistory();
      // Held on, the key's repeats would click the text the history just gave back.
      historyClosedByKey_ = KeyCode;
      break;
    default:
      break;  // nothing else reaches the game while the history is open
  }
}

void Fom::Form_MouseWheel(int16_t Steps, int16_t /*Shift*/, float X, float Y) {
  if (HistoryOpen()) {
    ScrollHistory(-Steps, true);
  } else if (Steps > 0 && Pic.effectivelyVisible() && Pic.windowRect().contains(X, Y)) {
    OpenHistory();
  }
}

void Fom::histShade_MouseDown(int16_t Button, int16_t /*Shift*/, float /*X*/, float /*Y*/) {
  // A left press does nothing: it must not reach the text under the history.
  if (Button == platform::kRightButton) CloseHistory();
}
