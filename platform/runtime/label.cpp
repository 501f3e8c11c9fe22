// The label: caption, font and background style; every change marks the window changed.
#include "platform/runtime/label.h"

#include <cmath>

namespace platform {

namespace {
// The old runtime refused point sizes it could not make a font of.
constexpr float kMaxFontPoints = 2048.0f;
}  // namespace

void checkFontSize(const std::string& owner, float pt) {
  if (!std::isfinite(pt) || pt <= 0 || pt > kMaxFontPoints) {
    throw PropertyError(kErrInvalidPropertyValue, owner + ": point size out of range");
  }
}

Label::Label(Control* parent, std::string name, int index)
    : Control(ControlKind::Label, parent, std::move(name), index) {}

void Label::setCaption(const std::string& c) {
  if (caption_ == c) return;
  caption_ = c;
  invalidate();
}

void Label::setFontName(const std::string& n) {
  if (fontName_ == n) return;
  fontName_ = n;
  invalidate();
}

void Label::setFontBold(bool b) {
  if (fontBold_ == b) return;
  fontBold_ = b;
  invalidate();
}

void Label::setFontSize(float pt) {
  checkFontSize(Name(), pt);
  if (fontSize_ == pt) return;
  fontSize_ = pt;
  invalidate();
}

void Label::setBackStyleOpaque(bool opaque) {
  if (opaque_ == opaque) return;
  opaque_ = opaque;
  invalidate();
}

void Label::Click() {
  if (onClick) onClick(static_cast<int16_t>(Index()));
}

}  // namespace platform
