// The window: outer geometry in twips, the client area left inside the frame, and the lifecycle
// notifications in the order the old runtime raised them.
#include "platform/runtime/form.h"

#include <cmath>
#include <limits>

#include "platform/runtime/display.h"

namespace platform {

namespace {

int32_t wholeTwips(float twips, const std::string& what) {
  if (!std::isfinite(twips) ||
      std::fabs(twips) > static_cast<float>(std::numeric_limits<int32_t>::max() / 2)) {
    throw PropertyError(kErrInvalidPropertyValue, what + ": value out of range");
  }
  return static_cast<int32_t>(std::lround(twips));
}

int toPixels(int32_t twips) {
  return static_cast<int>(std::lround(static_cast<double>(twips) / twipsPerPixel()));
}

int32_t toTwips(int px) {
  return static_cast<int32_t>(std::lround(px * static_cast<double>(twipsPerPixel())));
}

}  // namespace

Form::Form(std::string name) : Control(ControlKind::Form, nullptr, std::move(name)) {}

void Form::setCaption(const std::string& c) {
  if (caption_ == c) return;
  caption_ = c;
  invalidate();
}

void Form::setWindowLeft(float twips) {
  if (state_ != WindowState::Normal) throw PropertyError(kErrCannotMoveWhileMinMax, Name() + ": cannot move");
  int32_t v = wholeTwips(twips, Name() + ".Left");
  if (v == left_) return;
  left_ = v;
  if (onGeometryRequest) onGeometryRequest();
}

void Form::setWindowTop(float twips) {
  if (state_ != WindowState::Normal) throw PropertyError(kErrCannotMoveWhileMinMax, Name() + ": cannot move");
  int32_t v = wholeTwips(twips, Name() + ".Top");
  if (v == top_) return;
  top_ = v;
  if (onGeometryRequest) onGeometryRequest();
}

void Form::setWindowWidth(float twips) {
  if (state_ != WindowState::Normal) throw PropertyError(kErrCannotMoveWhileMinMax, Name() + ": cannot size");
  int32_t v = wholeTwips(twips, Name() + ".Width");
  if (v < 0) throw PropertyError(kErrInvalidPropertyValue, Name() + ".Width: negative");
  if (v == width_) return;
  width_ = v;
  invalidate();
  if (onGeometryRequest) onGeometryRequest();
  raiseResize();
}

void Form::setWindowHeight(float twips) {
  if (state_ != WindowState::Normal) throw PropertyError(kErrCannotMoveWhileMinMax, Name() + ": cannot size");
  int32_t v = wholeTwips(twips, Name() + ".Height");
  if (v < 0) throw PropertyError(kErrInvalidPropertyValue, Name() + ".Height: negative");
  if (v == height_) return;
  height_ = v;
  invalidate();
  if (onGeometryRequest) onGeometryRequest();
  raiseResize();
}

void Form::setScreenSizePx(int w, int h) {
  screenW_ = toTwips(w);
  screenH_ = toTwips(h);
}

void Form::setFullscreen(bool on) {
  if (on == fullscreen_) return;
  if (on) {
    windowed_ = {left_, top_, width_, height_, frameL_, frameT_, frameR_, frameB_, state_};
    fullscreen_ = true;
    // The whole screen is the window: nothing of a frame, and a size the layout may set.
    state_ = WindowState::Normal;
    frameL_ = frameT_ = frameR_ = frameB_ = 0;
    left_ = 0;
    top_ = 0;
    height_ = screenH_;
  } else {
    fullscreen_ = false;
    left_ = windowed_.left;
    top_ = windowed_.top;
    width_ = windowed_.width;
    height_ = windowed_.height;
    frameL_ = windowed_.frameL;
    frameT_ = windowed_.frameT;
    frameR_ = windowed_.frameR;
    frameB_ = windowed_.frameB;
    state_ = windowed_.state;
  }
  invalidate();
  if (onFullscreenRequest) onFullscreenRequest();
  raiseResize();
}

void Form::setFramePx(int left, int top, int right, int bottom) {
  if (left == frameL_ && top == frameT_ && right == frameR_ && bottom == frameB_) return;
  frameL_ = left;
  frameT_ = top;
  frameR_ = right;
  frameB_ = bottom;
  invalidate();
  raiseResize();
}

float Form::clientWidthPx() const {
  float w = static_cast<float>(width_) / twipsPerPixel() - static_cast<float>(frameL_ + frameR_);
  return w > 0 ? w : 0.0f;
}

float Form::clientHeightPx() const {
  float h = static_cast<float>(height_) / twipsPerPixel() - static_cast<float>(frameT_ + frameB_);
  return h > 0 ? h : 0.0f;
}

void Form::externalGeometry(int leftPx, int topPx, int outerWidthPx, int outerHeightPx) {
  // Compare in pixels: the stored twips may hold a fraction of a pixel the real window cannot show.
  if (toPixels(left_) != leftPx) left_ = toTwips(leftPx);
  if (toPixels(top_) != topPx) top_ = toTwips(topPx);
  bool sized = false;
  if (toPixels(width_) != outerWidthPx) {
    width_ = toTwips(outerWidthPx);
    sized = true;
  }
  if (toPixels(height_) != outerHeightPx) {
    height_ = toTwips(outerHeightPx);
    sized = true;
  }
  if (sized) {
    invalidate();
    raiseResize();
  }
}

void Form::Load() {
  if (onLoad) onLoad();
}

void Form::Show() {
  if (shown_) return;
  shown_ = true;
  invalidate();
  if (onShowRequest) onShowRequest();
  raiseResize();
  if (!activated_) {
    activated_ = true;
    if (onActivate) onActivate();
  }
}

bool Form::Unload() {
  int16_t cancel = 0;
  if (onUnload) onUnload(cancel);
  if (cancel != 0) return false;
  shown_ = false;
  return true;
}

void Form::raiseResize() {
  if (onResize) onResize();
}

}  // namespace platform
