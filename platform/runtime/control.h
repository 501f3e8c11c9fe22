// Retained controls of the old desktop runtime: plain state that the program sets and tests read, and that
// the renderer draws. Nothing here knows SDL. Every change marks the window changed so that exactly one
// frame is drawn for it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {

// Colours packed as red + 256 × green + 65536 × blue, as the old runtime did.
using Color = uint32_t;
constexpr Color rgb(int r, int g, int b) {
  return static_cast<Color>((r & 255) | ((g & 255) << 8) | ((b & 255) << 16));
}
constexpr int redOf(Color c) { return static_cast<int>(c & 255); }
constexpr int greenOf(Color c) { return static_cast<int>((c >> 8) & 255); }
constexpr int blueOf(Color c) { return static_cast<int>((c >> 16) & 255); }

inline constexpr int kTwipsPerPixel = 15;  // at 96 dpi; the desktop's own scale is in display.h

struct RectF {
  float x = 0, y = 0, w = 0, h = 0;
  bool contains(float px, float py) const { return px >= x && py >= y && px < x + w && py < y + h; }
};

// A property setter refusing a value, with the old runtime's error number: 380 invalid property value,
// 384 a window cannot be moved or sized while minimised or maximised. The caller's error guard catches it,
// as the old language's On Error did.
class PropertyError : public std::runtime_error {
 public:
  PropertyError(int number, const std::string& what) : std::runtime_error(what), number_(number) {}
  int number() const { return number_; }

 private:
  int number_;
};
inline constexpr int kErrInvalidPropertyValue = 380;
inline constexpr int kErrCannotMoveWhileMinMax = 384;

// Point sizes the runtime can make a font of: above 0 and at most 2048; others are refused (380).
void checkFontSize(const std::string& owner, float pt);

enum class ControlKind { Form, PictureBox, Label, OptionButton, Shade };

class Control {
 public:
  Control(ControlKind kind, Control* parent, std::string name, int index = -1);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlKind kind() const { return kind_; }
  const std::string& Name() const { return name_; }
  int Index() const { return index_; }  // position in its control array, -1 when not in one
  Control* Parent() const { return parent_; }
  const std::vector<Control*>& children() const { return children_; }  // back to front
  Control* root();  // the top of its tree: the window, for every control on screen

  // Position and size in the parent's scale units, read back in the units the parent has now.
  // Internally kept in pixels, so a parent that changes its scale does not move its children.
  // A negative width or height is refused (PropertyError 380); positions are not rounded to pixels.
  float Left() const;
  float Top() const;
  float Width() const;
  float Height() const;
  void Move(float left, float top, float width, float height);

  RectF pixelRect() const { return rect_; }  // relative to the parent's client area
  void setPixelRect(RectF r);
  RectF windowRect() const;  // relative to the window's client area

  // The logical coordinate system over the client area (window and picture boxes).
  float ScaleLeft() const;
  float ScaleTop() const;
  float ScaleWidth() const;
  float ScaleHeight() const;
  // User-defined units. Refused (PropertyError 380) for a zero width or height, and while the client area
  // has no pixels in that direction: a scale spread over nothing could place nothing.
  void setScale(float left, float top, float width, float height);
  void setScaleModePixels();  // units become pixels; children stay where they are
  bool scaleIsPixels() const { return scalePixels_; }
  virtual float clientWidthPx() const;
  virtual float clientHeightPx() const;
  float toPixelsX(float units) const;  // a length in this control's scale, in pixels
  float toPixelsY(float units) const;
  float toUnitsX(float px) const;  // a length in pixels, in this control's scale (0 with no client area)
  float toUnitsY(float px) const;

  bool Visible() const { return visible_; }
  void setVisible(bool v);
  bool effectivelyVisible() const;  // this and every ancestor visible

  Color BackColor() const { return backColor_; }
  void setBackColor(Color c);
  Color ForeColor() const { return foreColor_; }
  void setForeColor(Color c);
  bool BorderStyle() const { return border_; }  // single-line border on or off
  void setBorderStyle(bool single);
  const std::string& ToolTipText() const { return toolTip_; }
  void setToolTipText(const std::string& text);
  int TabIndex() const { return tabIndex_; }
  void setTabIndex(int i) { tabIndex_ = i; }

  void ZOrderFront();  // bring to the front among its siblings

  // Mark the window changed (one redraw will follow).
  void invalidate();
  // The window's change serial at this control's own last change (0 before any), so that a frame can
  // redraw only what changed since the serial it was drawn at.
  uint64_t changeStamp() const { return stamp_; }

 protected:
  // A change somewhere in the tree, told to its root. Returns the new change serial, or 0 when the root
  // keeps no such count (a control not yet placed in a window: nothing to redraw).
  virtual uint64_t noteTreeChanged() { return 0; }
  // Pixels between the outer rectangle and the client area its children sit in (a border).
  virtual float clientInsetPx() const { return 0.0f; }

 private:
  ControlKind kind_;
  Control* parent_;
  std::string name_;
  int index_;
  std::vector<Control*> children_;
  RectF rect_;
  bool scalePixels_ = true;
  float scaleLeft_ = 0, scaleTop_ = 0, scaleWidth_ = 1, scaleHeight_ = 1;
  bool visible_ = true;
  Color backColor_ = rgb(240, 240, 240);
  Color foreColor_ = rgb(0, 0, 0);
  bool border_ = false;
  std::string toolTip_;
  int tabIndex_ = 0;
  uint64_t stamp_ = 0;
};

}  // namespace platform
