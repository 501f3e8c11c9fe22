// The pointer and keyboard rules over the control tree: hit-testing, clicks and double clicks, window and
// option-group keys, and the tooltip timing, all on the times the events carry.
#include "platform/runtime/input.h"

#include <algorithm>
#include <vector>

#include "platform/runtime/app.h"
#include "platform/runtime/form.h"
#include "platform/runtime/label.h"
#include "platform/runtime/option_button.h"
#include "platform/runtime/picture_box.h"
#include "platform/runtime/shade.h"

namespace platform {

namespace {

// The topmost visible control under (x, y) within c, which itself contains the point; c when no child
// does. Children are kept back to front, so the search runs front to back. A shade is hit as a whole.
Control* hitWithin(Control& c, float x, float y) {
  if (c.kind() == ControlKind::Shade) return &c;
  const auto& kids = c.children();
  for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
    Control* child = *it;
    if (child->Visible() && child->windowRect().contains(x, y)) return hitWithin(*child, x, y);
  }
  return &c;
}

// The double-click box of the classic desktop: centred on the first press, its right and bottom edges
// outside it.
bool inDoubleClickBox(float x0, float y0, float x, float y) {
  const float half = kDoubleClickBoxPx / 2.0f;
  return x >= x0 - half && x < x0 + half && y >= y0 - half && y < y0 + half;
}

// A control the pointer could reach: visible, and on top at its own centre.
bool reachable(Form& form, Control& c) {
  if (!c.effectivelyVisible()) return false;
  const RectF r = c.windowRect();
  Control* top = hitTest(form, r.x + r.w / 2, r.y + r.h / 2);
  for (Control* p = top; p; p = p->Parent()) {
    if (p == &c) return true;
  }
  return false;
}

void collectOptions(Control& c, std::vector<OptionButton*>& out) {
  for (Control* child : c.children()) {
    if (child->kind() == ControlKind::OptionButton) out.push_back(static_cast<OptionButton*>(child));
    collectOptions(*child, out);
  }
}

}  // namespace

InputEvent keyEvent(bool down, int16_t keyCode) {
  InputEvent k;
  k.type = down ? InputEvent::Type::KeyDown : InputEvent::Type::KeyUp;
  k.keyCode = keyCode;
  return k;
}

Control* hitTest(Form& form, float x, float y) { return hitWithin(form, x, y); }

Input::Input(Form& form) : form_(form) {}

void Input::handle(const InputEvent& e) {
  switch (e.type) {
    case InputEvent::Type::PointerDown:
      pointerDown(e);
      break;
    case InputEvent::Type::PointerUp:
      pointerUp(e);
      break;
    case InputEvent::Type::PointerMove:
      pointerMove(e);
      break;
    case InputEvent::Type::PointerLeave:
      inside_ = false;
      hover_ = nullptr;
      hideTooltip();
      break;
    case InputEvent::Type::KeyDown:
      keyDown(e);
      break;
    case InputEvent::Type::KeyUp:
      if (form_.onKeyUp) {
        int16_t code = e.keyCode;
        runGuarded("key up", [&] { form_.onKeyUp(code, e.shift); });
      }
      break;
    case InputEvent::Type::Wheel:
      if (e.wheelSteps != 0 && form_.onMouseWheel) {
        runGuarded("mouse wheel", [&] { form_.onMouseWheel(e.wheelSteps, e.shift, e.x, e.y); });
      }
      break;
  }
}

void Input::pointerDown(const InputEvent& e) {
  hideTooltip();
  tipSuppressed_ = true;
  if (e.button != kLeftButton && e.button != kRightButton && e.button != kMiddleButton) return;
  Control* target = hitTest(form_, e.x, e.y);

  // Pairing: the second press of one button on one control, inside the box and the time of the first.
  const bool second = lastWasFirst_ && target == lastPress_ && e.button == lastButton_ &&
                      e.timeMs - lastTimeMs_ <= kDoubleClickMs && inDoubleClickBox(lastX_, lastY_, e.x, e.y);
  // A third press starts a new sequence, as does any press that did not pair.
  lastWasFirst_ = !second;
  lastPress_ = target;
  lastButton_ = e.button;
  lastX_ = e.x;
  lastY_ = e.y;
  lastTimeMs_ = e.timeMs;

  if (target->kind() == ControlKind::Shade) {
    auto* shade = static_cast<Shade*>(target);
    if (!shade->onMouseDown) return;
    const RectF r = shade->windowRect();
    const float ux = shade->ScaleLeft() + shade->toUnitsX(e.x - r.x);
    const float uy = shade->ScaleTop() + shade->toUnitsY(e.y - r.y);
    runGuarded("mouse down", [&] { shade->onMouseDown(e.button, e.shift, ux, uy); });
    return;
  }
  if (target->kind() == ControlKind::PictureBox) {
    auto* box = static_cast<PictureBox*>(target);
    if (!box->onMouseDown) return;
    const RectF r = box->windowRect();
    const float inset = box->BorderStyle() ? static_cast<float>(PictureBox::kBorderPx) : 0.0f;
    const float ux = box->ScaleLeft() + box->toUnitsX(e.x - r.x - inset);
    const float uy = box->ScaleTop() + box->toUnitsY(e.y - r.y - inset);
    runGuarded("mouse down", [&] { box->onMouseDown(e.button, e.shift, ux, uy); });
    return;
  }
  const bool clickable = target->kind() == ControlKind::Label ||
                         (target->kind() == ControlKind::OptionButton && e.button == kLeftButton);
  if (!clickable) return;
  pressed_ = target;
  pressedButton_ = e.button;
  pressedIsDoubleClick_ = second;
}

void Input::pointerUp(const InputEvent& e) {
  if (!pressed_ || e.button != pressedButton_) return;
  Control* was = pressed_;
  pressed_ = nullptr;
  if (hitTest(form_, e.x, e.y) != was) return;  // released elsewhere: no click
  if (was->kind() == ControlKind::Label) {
    // The second press of a double click raises the double click, not a click: a double click on the
    // text steps once.
    if (!pressedIsDoubleClick_) runGuarded("click", [&] { static_cast<Label*>(was)->Click(); });
  } else if (was->kind() == ControlKind::OptionButton) {
    focus_ = was;
    runGuarded("click", [&] { static_cast<OptionButton*>(was)->Click(); });
  }
}

void Input::pointerMove(const InputEvent& e) {
  pointerX_ = e.x;
  pointerY_ = e.y;
  inside_ = true;
  hideTooltip();
  tipSuppressed_ = false;
  hover_ = hitTest(form_, e.x, e.y);
  hoverSinceMs_ = e.timeMs;
}

void Input::keyDown(const InputEvent& e) {
  // Keys of the window itself, which the form never sees.
  const bool altEnter = e.keyCode == kKeyReturn && (e.shift & kAltMask) != 0;
  // A gamepad's Start button is the pad's F11.
  if (e.keyCode == kKeyF11 || e.keyCode == kPadStart || altEnter) {
    if (!e.repeat) runGuarded("fullscreen", [&] { form_.setFullscreen(!form_.fullscreen()); });
    return;
  }
  int16_t code = e.keyCode;
  if (form_.onKeyDown) {
    form_.setKeyRepeating(e.repeat);
    runGuarded("key down", [&] { form_.onKeyDown(code, e.shift); });
    form_.setKeyRepeating(false);
  }
  if (code == 0) return;  // the form took it
  if (code == kKeyEscape && form_.fullscreen()) {
    runGuarded("fullscreen", [&] { form_.setFullscreen(false); });
    return;
  }
  if (code == kKeyUp || code == kKeyLeft) moveOptionFocus(-1);
  if (code == kKeyDown || code == kKeyRight) moveOptionFocus(+1);
}

// Arrow keys in the focused option group: select the next (or previous) button, wrapping around, and
// raise its click. The focus is the button last clicked, or else the selected one; a group hidden or
// covered takes no keys.
bool Input::moveOptionFocus(int step) {
  std::vector<OptionButton*> all;
  collectOptions(form_, all);
  if (all.empty()) return false;
  Control* focus = nullptr;
  for (OptionButton* o : all) {
    if (o == focus_) focus = o;
  }
  if (!focus) {
    for (OptionButton* o : all) {
      if (o->Value()) {
        focus = o;
        break;
      }
    }
  }
  if (!focus) focus = all.front();
  std::vector<OptionButton*> group;
  for (OptionButton* o : all) {
    if (o->Parent() == focus->Parent() && reachable(form_, *o)) group.push_back(o);
  }
  std::stable_sort(group.begin(), group.end(),
                   [](const OptionButton* a, const OptionButton* b) { return a->Index() < b->Index(); });
  if (group.empty()) return false;
  // Move from the selected button of the group; from the focused one when none is selected.
  auto at = std::find_if(group.begin(), group.end(), [](const OptionButton* o) { return o->Value(); });
  if (at == group.end()) at = std::find(group.begin(), group.end(), focus);
  const int n = static_cast<int>(group.size());
  const int from = at == group.end() ? (step > 0 ? -1 : 0) : static_cast<int>(at - group.begin());
  OptionButton* next = group[static_cast<size_t>(((from + step) % n + n) % n)];
  focus_ = next;
  runGuarded("click", [&] { next->Click(); });
  return true;
}

void Input::hideTooltip() {
  if (tipShown_ && onTooltipChanged) onTooltipChanged();
  tipShown_ = false;
}

std::string Input::tooltipText() const {
  if (!tipShown_ || !hover_ || !hover_->effectivelyVisible()) return std::string();
  return hover_->ToolTipText();
}

int64_t Input::tooltipDueMs() const {
  if (!hover_ || tipShown_ || tipSuppressed_ || !inside_ || hover_->ToolTipText().empty() ||
      !hover_->effectivelyVisible()) {
    return -1;
  }
  return hoverSinceMs_ + kTooltipDelayMs;
}

void Input::showDueTooltip(int64_t nowMs) {
  // A shown tooltip whose control was hidden or lost its text goes.
  if (tipShown_ && tooltipText().empty()) hideTooltip();
  const int64_t due = tooltipDueMs();
  if (due < 0 || nowMs < due) return;
  tipShown_ = true;
  if (onTooltipChanged) onTooltipChanged();
}

}  // namespace platform
