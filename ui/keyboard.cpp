// Form_KeyDown: the keyboard as a player of this kind of game expects it. Every key does what a click
// already does where the player is, so the game's rules see nothing new: Enter and Space are the left
// click (EASY on the title, the next line on the text), H the right click on the title (HARD), and 1, 2, 3
// the option buttons. The arrow keys are the option group's own (the runtime moves its selection), and
// F11, Alt+Enter and Escape belong to the window.
// A gamepad's buttons come as keys of their own: A is Enter, B is the right click on the title (HARD)
// and the next line on the text, the d-pad's up and down are the arrow keys, Start is F11.
// Reading keys: PageUp (and a pad's X or Y) opens the text history, which then takes every key but the
// switches; Ctrl (and a pad's right trigger) held fast-forwards the text. The switches: M mutes the music,
// V turns the speaking of the text on and off, and S speaks the day and the powers.
#include "app/fom.h"
#include "platform/runtime/input.h"

// A switch acts once per press: a held key repeats, and a repeated M would flick the music on and off.
bool Fom::switchKeyDown(int16_t KeyCode) {
  if (KeyCode != 'M' && KeyCode != 'V' && KeyCode != 'S') return false;
  if (Me.keyRepeating()) return true;
  if (KeyCode == 'M') ToggleMute();
  if (KeyCode == 'V') ToggleVoicing();
  if (KeyCode == 'S') SpeakWishState();
  return true;
}

void Fom::Form_KeyDown(int16_t& KeyCode, int16_t Shift) {
  if (switchKeyDown(KeyCode)) {
    KeyCode = 0;
    return;
  }
  if (HistoryOpen()) {
    HistoryKeyDown(KeyCode);
    KeyCode = 0;
    return;
  }
  // The key that closed the history, held on: its repeats are not the game's.
  if (historyClosedByKey_ != 0 && Me.keyRepeating() && KeyCode == historyClosedByKey_) {
    KeyCode = 0;
    return;
  }
  historyClosedByKey_ = 0;
  const bool onTitle = picStt.Visible();
  switch (KeyCode) {
    case platform::kKeyPageUp:
    case platform::kPadX:
    case platform::kPadY:
      OpenHistory();
      KeyCode = 0;
      return;
    case platform::kKeyControl:
    case platform::kPadRightTrigger:
      StartFastForward();
      KeyCode = 0;
      return;
    case platform::kKeyReturn:
    case platform::kKeySpace:
    case platform::kPadA:
      // A held key repeats, as repeated clicks would.
      if (onTitle) {
        StartGame(platform::kLeftButton, Shift, 0, 0);
      } else if (lbl[0].effectivelyVisible()) {
        lbl[0].Click();
      }
      KeyCode = 0;
      break;
    case 'H':
      if (onTitle) StartGame(platform::kRightButton, Shift, 0, 0);
      KeyCode = 0;
      break;
    case platform::kPadB:
      if (onTitle) {
        StartGame(platform::kRightButton, Shift, 0, 0);
      } else if (lbl[0].effectivelyVisible()) {
        lbl[0].Click();
      }
      KeyCode = 0;
      break;
    case '1':
    case '2':
    case '3':
      // The option buttons lie under the title picture while it is shown, out of the pointer's reach.
      if (!onTitle) optChar[KeyCode - '1'].Click();
      KeyCode = 0;
      break;
    default:
      break;
  }
}

void Fom::Form_KeyUp(int16_t& KeyCode, int16_t /*Shift*/) {
  if (KeyCode == platform::kKeyControl || KeyCode == platform::kPadRightTrigger) StopFastForward();
}
