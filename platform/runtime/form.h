// The window: outer geometry in twips, a logical coordinate system over its client area, caption, icon,
// and the load / resize / activate / unload notifications of the old runtime.
// Kept from the old runtime: setting the width or height raises the resize notification at once, inside
// the setter; activation is raised once, when the window is first shown.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/runtime/control.h"
#include "platform/runtime/image.h"

namespace platform {

// Minimised and maximised windows refuse to be moved or sized by the program (PropertyError 384), as the
// old runtime's did; a caller's error guard then leaves the window where it is.
enum class WindowState { Normal, Minimized, Maximized };

class Form : public Control {
 public:
  explicit Form(std::string name);

  const std::string& Caption() const { return caption_; }
  void setCaption(const std::string& c);
  const Image& Icon() const { return icon_; }
  void setIcon(Image icon) { icon_ = std::move(icon); }

  // Outer geometry in twips: borders and caption bar included.
  int32_t WindowLeft() const { return left_; }
  int32_t WindowTop() const { return top_; }
  int32_t WindowWidth() const { return width_; }
  int32_t WindowHeight() const { return height_; }
  // Setters move the real window (through the backend) and raise onResize for size changes (only when the
  // size really changes, so the layout's own width change runs it once more and not forever).
  // They accept any float and keep whole twips: the layout's arithmetic works on the twips it set, and
  // only the real window is rounded to pixels. Refused (PropertyError 380) for a negative or
  // non-finite size, and (384) while the window is minimised or maximised.
  void setWindowLeft(float twips);
  void setWindowTop(float twips);
  void setWindowWidth(float twips);
  void setWindowHeight(float twips);

  // Fullscreen: the window covers the screen, and the program sees a window of the screen's height (outer
  // frame gone) placed where the program puts it; the backend fills the rest of the screen black. Leaving
  // it gives the window back the geometry, frame and state it had. Both raise onResize.
  bool fullscreen() const { return fullscreen_; }
  void setFullscreen(bool on);

  WindowState windowState() const { return state_; }
  void setWindowState(WindowState s) { state_ = s; }  // the backend reports it

  // Screen size in twips (the backend reports it in pixels, before the layout; headless it is 1024 × 768
  // pixels unless set).
  int32_t ScreenWidth() const { return screenW_; }
  int32_t ScreenHeight() const { return screenH_; }
  void setScreenSizePx(int w, int h);

  // Non-client frame in pixels, as the window manager reports it (0 headless unless set).
  // A change of the frame changes the client area, so it raises onResize too.
  void setFramePx(int left, int top, int right, int bottom);
  float clientWidthPx() const override;
  float clientHeightPx() const override;

  // The backend reports a size or position the user or window manager gave the window, in pixels.
  // Raises onResize when the size changed; never sends the size back to the window. A report equal to the
  // stored twips rounded to pixels changes nothing, so the window never fights the window manager.
  void externalGeometry(int leftPx, int topPx, int outerWidthPx, int outerHeightPx);

  // Lifecycle, in the order the runtime raised them.
  void Load();    // raises onLoad
  void Show();    // makes the window visible: resize once, then activate (first time only)
  bool Unload();  // raises onUnload; true when the close went ahead
  bool shown() const { return shown_; }

  std::function<void()> onLoad;
  std::function<void()> onResize;
  std::function<void()> onActivate;
  std::function<void(int16_t& cancel)> onUnload;
  // Keys, seen by the form before any control (the old KeyPreview): setting keyCode to 0 swallows it.
  std::function<void(int16_t& keyCode, int16_t shift)> onKeyDown;
  // Within onKeyDown: the keyboard repeating a key held down, rather than a press. The old runtime never
  // told; a program's on/off switches need it, or a held key would flick them back and forth.
  bool keyRepeating() const { return keyRepeating_; }
  void setKeyRepeating(bool on) { keyRepeating_ = on; }  // the input rules tell it
  std::function<void(int16_t& keyCode, int16_t shift)> onKeyUp;
  // The mouse wheel turned over the window: whole notches (positive up, away from the player), the
  // shift state, and the pointer in the window's client pixels.
  std::function<void(int16_t steps, int16_t shift, float x, float y)> onMouseWheel;

  // The backend's hook to move/size the real window when the program sets the geometry.
  std::function<void()> onGeometryRequest;
  // The backend's hook when Show() is called.
  std::function<void()> onShowRequest;
  // The backend's hook when the window enters or leaves fullscreen (before the resize it causes).
  std::function<void()> onFullscreenRequest;

  // Redraw bookkeeping: every change anywhere in the tree bumps this.
  uint64_t changeSerial() const { return serial_; }
  void bump() { ++serial_; }

 protected:
  uint64_t noteTreeChanged() override {
    bump();
    return serial_;
  }

 private:
  void raiseResize();

  std::string caption_;
  Image icon_;
  int32_t left_ = 0, top_ = 0, width_ = 9600, height_ = 7200;
  int32_t screenW_ = 1024 * kTwipsPerPixel, screenH_ = 768 * kTwipsPerPixel;
  int frameL_ = 0, frameT_ = 0, frameR_ = 0, frameB_ = 0;
  WindowState state_ = WindowState::Normal;
  bool fullscreen_ = false;
  struct Windowed {
    int32_t left, top, width, height;
    int frameL, frameT, frameR, frameB;
    WindowState state;
  } windowed_{};
  bool shown_ = false;
  bool activated_ = false;
  bool keyRepeating_ = false;
  uint64_t serial_ = 1;
};

}  // namespace platform
