// The state every retained control shares: its place in the tree, its rectangle (kept in pixels), its own
// logical coordinate system, colours, border, tooltip and stacking. Every change marks the window changed.
#include "platform/runtime/control.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

void refuse(const std::string& what) { throw PropertyError(kErrInvalidPropertyValue, what); }

}  // namespace

Control::Control(ControlKind kind, Control* parent, std::string name, int index)
    : kind_(kind), parent_(parent), name_(std::move(name)), index_(index) {
  if (parent_ != nullptr) parent_->children_.push_back(this);  // a new control lies in front
}

Control::~Control() {
  if (parent_ != nullptr) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    parent_->invalidate();
  }
  for (Control* child : children_) child->parent_ = nullptr;
}

Control* Control::root() {
  Control* c = this;
  while (c->parent_ != nullptr) c = c->parent_;
  return c;
}

void Control::invalidate() {
  if (const uint64_t serial = root()->noteTreeChanged(); serial != 0) stamp_ = serial;
}

// ---- Geometry in the parent's units ----

float Control::Left() const {
  if (parent_ == nullptr) return rect_.x;
  return parent_->ScaleLeft() + parent_->toUnitsX(rect_.x);
}

float Control::Top() const {
  if (parent_ == nullptr) return rect_.y;
  return parent_->ScaleTop() + parent_->toUnitsY(rect_.y);
}

float Control::Width() const { return parent_ == nullptr ? rect_.w : parent_->toUnitsX(rect_.w); }

float Control::Height() const { return parent_ == nullptr ? rect_.h : parent_->toUnitsY(rect_.h); }

void Control::Move(float left, float top, float width, float height) {
  if (!(width >= 0) || !(height >= 0)) refuse(name_ + ": negative size");
  if (parent_ == nullptr) {
    setPixelRect({left, top, width, height});
    return;
  }
  setPixelRect({parent_->toPixelsX(left - parent_->ScaleLeft()),
                parent_->toPixelsY(top - parent_->ScaleTop()), parent_->toPixelsX(width),
                parent_->toPixelsY(height)});
}

void Control::setPixelRect(RectF r) {
  if (!(r.w >= 0) || !(r.h >= 0)) refuse(name_ + ": negative size");
  if (r.x == rect_.x && r.y == rect_.y && r.w == rect_.w && r.h == rect_.h) return;
  rect_ = r;
  invalidate();
}

RectF Control::windowRect() const {
  RectF r = rect_;
  for (const Control* p = parent_; p != nullptr && p->parent_ != nullptr; p = p->parent_) {
    // Children sit in the parent's client area, inside its border.
    const float inset = p->clientInsetPx();
    r.x += p->rect_.x + inset;
    r.y += p->rect_.y + inset;
  }
  return r;
}

// ---- The logical coordinate system over the client area ----

float Control::ScaleLeft() const { return scalePixels_ ? 0.0f : scaleLeft_; }
float Control::ScaleTop() const { return scalePixels_ ? 0.0f : scaleTop_; }
float Control::ScaleWidth() const { return scalePixels_ ? clientWidthPx() : scaleWidth_; }
float Control::ScaleHeight() const { return scalePixels_ ? clientHeightPx() : scaleHeight_; }

void Control::setScale(float left, float top, float width, float height) {
  if (width == 0 || height == 0 || !std::isfinite(width) || !std::isfinite(height)) {
    refuse(name_ + ": a scale needs a width and a height");
  }
  if (clientWidthPx() <= 0 || clientHeightPx() <= 0)
    refuse(name_ + ": no client area to spread a scale over");
  if (!scalePixels_ && scaleLeft_ == left && scaleTop_ == top && scaleWidth_ == width &&
      scaleHeight_ == height) {
    return;
  }
  scalePixels_ = false;
  scaleLeft_ = left;
  scaleTop_ = top;
  scaleWidth_ = width;
  scaleHeight_ = height;
  invalidate();
}

void Control::setScaleModePixels() {
  // Children are kept in pixels, so nothing moves; only the units that read them back change.
  if (scalePixels_) return;
  scalePixels_ = true;
  invalidate();
}

float Control::clientWidthPx() const { return rect_.w; }
float Control::clientHeightPx() const { return rect_.h; }

float Control::toPixelsX(float units) const {
  return scalePixels_ ? units : units * clientWidthPx() / scaleWidth_;
}

float Control::toPixelsY(float units) const {
  return scalePixels_ ? units : units * clientHeightPx() / scaleHeight_;
}

float Control::toUnitsX(float px) const {
  if (scalePixels_) return px;
  float client = clientWidthPx();
  return client > 0 ? px * scaleWidth_ / client : 0.0f;
}

float Control::toUnitsY(float px) const {
  if (scalePixels_) return px;
  float client = clientHeightPx();
  return client > 0 ? px * scaleHeight_ / client : 0.0f;
}

// ---- Look ----

void Control::setVisible(bool v) {
  if (visible_ == v) return;
  visible_ = v;
  invalidate();
}

bool Control::effectivelyVisible() const {
  for (const Control* c = this; c != nullptr; c = c->parent_) {
    if (!c->visible_) return false;
  }
  return true;
}

void Control::setBackColor(Color c) {
  if (backColor_ == c) return;
  backColor_ = c;
  invalidate();
}

void Control::setForeColor(Color c) {
  if (foreColor_ == c) return;
  foreColor_ = c;
  invalidate();
}

void Control::setBorderStyle(bool single) {
  if (border_ == single) return;
  border_ = single;
  invalidate();
}

void Control::setToolTipText(const std::string& text) {
  if (toolTip_ == text) return;
  toolTip_ = text;
  invalidate();
}

void Control::ZOrderFront() {
  if (parent_ == nullptr) return;
  auto& siblings = parent_->children_;
  auto it = std::find(siblings.begin(), siblings.end(), this);
  if (it == siblings.end() || it + 1 == siblings.end()) return;
  siblings.erase(it);
  siblings.push_back(this);
  invalidate();
}

}  // namespace platform
