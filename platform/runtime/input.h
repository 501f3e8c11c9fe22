// The pointer and keyboard rules of the old desktop runtime, over a Form's control tree: which control a
// press lands on, when a press and a release make a click, when two presses make a double click, the
// button and shift numbers handlers see, keys for the window and for a focused option group, and the
// tooltip after the pointer rests. The window backend feeds it plain events on the loop's clock; tests
// feed it the same events on the manual clock.
//
// Kept from the old runtime: a click is a press and a release of one button on the same control; the
// second press of a double click raises no click on a label; presses pair into a double click only on
// the same control, within the double-click box (4 × 4 pixels) and the double-click time; arrow keys move
// the selection of a focused option group and raise the click of the button they select; the form sees
// every key first (as with KeyPreview on) and may swallow it.
// Modernised: a right or middle click on a label clicks it too (a label that answers clicks answers
// every button); F11, Alt+Enter and a gamepad's Start toggle fullscreen before the form sees them, and
// Escape leaves fullscreen unless the form takes it first (a program closes its overlays with Escape); the
// mouse wheel reaches the form, which the old runtime never told; a shade (shade.h) takes every press it
// covers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

class Control;
class Form;

// Mouse buttons as handlers see them.
inline constexpr int16_t kLeftButton = 1;
inline constexpr int16_t kRightButton = 2;
inline constexpr int16_t kMiddleButton = 4;
// Shift state as handlers see it: a sum of these.
inline constexpr int16_t kShiftMask = 1;
inline constexpr int16_t kCtrlMask = 2;
inline constexpr int16_t kAltMask = 4;

// Key codes: the old runtime's virtual-key numbers. Digits and letters are their ASCII codes ('1', 'H').
inline constexpr int16_t kKeyReturn = 13;   // also the keypad's Enter
inline constexpr int16_t kKeyControl = 17;  // either Ctrl key, held or released
inline constexpr int16_t kKeyEscape = 27;
inline constexpr int16_t kKeySpace = 32;
inline constexpr int16_t kKeyPageUp = 33;
inline constexpr int16_t kKeyPageDown = 34;
inline constexpr int16_t kKeyLeft = 37;
inline constexpr int16_t kKeyUp = 38;
inline constexpr int16_t kKeyRight = 39;
inline constexpr int16_t kKeyDown = 40;
// The function keys, F1 to F12: 112 to 123.
inline constexpr int16_t kKeyF1 = 112;
inline constexpr int16_t kKeyF2 = 113;
inline constexpr int16_t kKeyF3 = 114;
inline constexpr int16_t kKeyF4 = 115;
inline constexpr int16_t kKeyF5 = 116;
inline constexpr int16_t kKeyF6 = 117;
inline constexpr int16_t kKeyF7 = 118;
inline constexpr int16_t kKeyF8 = 119;
inline constexpr int16_t kKeyF9 = 120;
inline constexpr int16_t kKeyF10 = 121;
inline constexpr int16_t kKeyF11 = 122;
inline constexpr int16_t kKeyF12 = 123;
// A gamepad's buttons, as keys (the numbers Windows gives them), so that a pad and a keyboard reach the
// game's rules the same way. The pad's d-pad up and down arrive as kKeyUp and kKeyDown.
inline constexpr int16_t kPadA = 195;
inline constexpr int16_t kPadB = 196;
inline constexpr int16_t kPadX = 197;
inline constexpr int16_t kPadY = 198;
inline constexpr int16_t kPadRightTrigger = 202;
inline constexpr int16_t kPadStart = 207;  // "Menu" on newer pads

// The classic desktop's defaults.
inline constexpr int kDoubleClickMs = 500;
inline constexpr int kDoubleClickBoxPx = 4;  // the box is centred on the first press
inline constexpr int kTooltipDelayMs = 500;

// One input event. Positions are in pixels of the form's client area; times on the loop's clock.
struct InputEvent {
  enum class Type { PointerDown, PointerUp, PointerMove, PointerLeave, KeyDown, KeyUp, Wheel };
  Type type = Type::PointerMove;
  int16_t button = 0;      // pointer: kLeftButton, kRightButton or kMiddleButton (0: another button)
  float x = 0, y = 0;      // pointer
  int16_t keyCode = 0;     // key
  bool repeat = false;     // key: the key is held and the keyboard repeats it
  int16_t wheelSteps = 0;  // wheel: whole notches, positive away from the player (up), with x and y
  int16_t shift = 0;       // kShiftMask + kCtrlMask + kAltMask
  int64_t timeMs = 0;
};

// A key pressed (down) or let go, as a backend reports it (a gamepad's buttons too); the caller stamps the
// time.
InputEvent keyEvent(bool down, int16_t keyCode);

// The topmost visible control under (x, y), in the form's client pixels; the form itself where no
// control is.
Control* hitTest(Form& form, float x, float y);

class Input {
 public:
  explicit Input(Form& form);

  // Apply the rules to one event: notifications of the controls run inside this call.
  void handle(const InputEvent& e);

  // Tooltip: the text on screen (empty when none), where the pointer rested, and when the resting
  // pointer's tooltip is due (-1: none waiting). showDueTooltip(now) shows it once its time has come.
  std::string tooltipText() const;
  float tooltipX() const { return pointerX_; }
  float tooltipY() const { return pointerY_; }
  int64_t tooltipDueMs() const;
  void showDueTooltip(int64_t nowMs);
  // Called whenever a tooltip appears or goes: the window must be drawn afresh.
  std::function<void()> onTooltipChanged;

 private:
  void pointerDown(const InputEvent& e);
  void pointerUp(const InputEvent& e);
  void pointerMove(const InputEvent& e);
  void keyDown(const InputEvent& e);
  void hideTooltip();
  bool moveOptionFocus(int step);

  Form& form_;
  // The press that may become a click.
  Control* pressed_ = nullptr;
  int16_t pressedButton_ = 0;
  bool pressedIsDoubleClick_ = false;
  // The last press that started a click sequence, for pairing the next one into a double click.
  Control* lastPress_ = nullptr;
  int16_t lastButton_ = 0;
  float lastX_ = 0, lastY_ = 0;
  int64_t lastTimeMs_ = 0;
  bool lastWasFirst_ = false;  // the last press may still be the first of a double click
  // The option button with the keyboard focus (the last one clicked), or none yet.
  Control* focus_ = nullptr;
  // Pointer and tooltip.
  bool inside_ = false;
  float pointerX_ = 0, pointerY_ = 0;
  Control* hover_ = nullptr;
  int64_t hoverSinceMs_ = 0;
  bool tipShown_ = false;
  bool tipSuppressed_ = false;  // after a press, until the pointer moves again
};

}  // namespace platform
