// Option buttons: selection within the group of buttons sharing a parent, and the click.
#include "platform/runtime/option_button.h"

namespace platform {

OptionButton::OptionButton(Control* parent, std::string name, int index)
    : Control(ControlKind::OptionButton, parent, std::move(name), index) {}

void OptionButton::setCaption(const std::string& c) {
  if (caption_ == c) return;
  caption_ = c;
  invalidate();
}

void OptionButton::setValue(bool v) {
  if (v && Parent() != nullptr) {
    for (Control* sibling : Parent()->children()) {
      if (sibling != this && sibling->kind() == ControlKind::OptionButton) {
        static_cast<OptionButton*>(sibling)->setValue(false);
      }
    }
  }
  if (value_ == v) return;
  value_ = v;
  invalidate();
}

void OptionButton::setFontSize(float pt) {
  checkFontSize(Name(), pt);
  if (fontSize_ == pt) return;
  fontSize_ = pt;
  invalidate();
}

void OptionButton::setFontName(const std::string& n) {
  if (fontName_ == n) return;
  fontName_ = n;
  invalidate();
}

void OptionButton::Click() {
  setValue(true);
  // Raised also when the button was already selected: what the program made of an earlier choice may
  // differ from the shown selection, and a click must always reach it.
  if (onClick) onClick(static_cast<int16_t>(Index()));
}

}  // namespace platform
