// The label: a caption of several lines (CR LF separated), drawn left-aligned from the top-left corner,
// over a transparent or opaque background. Font by family name, bold and point size.
// Kept from the old runtime: the click reports the label's index in its control array, and the second
// press of a double click raises no click (a double click steps once).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/runtime/control.h"

namespace platform {

class Label : public Control {
 public:
  Label(Control* parent, std::string name, int index = -1);

  const std::string& Caption() const { return caption_; }  // UTF-8
  void setCaption(const std::string& c);

  const std::string& FontName() const { return fontName_; }
  void setFontName(const std::string& n);
  bool FontBold() const { return fontBold_; }
  void setFontBold(bool b);
  float FontSize() const { return fontSize_; }  // points
  void setFontSize(float pt);
  int FontCharset() const { return charset_; }
  void setFontCharset(int cs) { charset_ = cs; }

  bool BackStyleOpaque() const { return opaque_; }
  void setBackStyleOpaque(bool opaque);

  std::function<void(int16_t index)> onClick;
  // The backend calls this for a real click; tests call it to click.
  void Click();

 private:
  std::string caption_;
  std::string fontName_ = "MS UI Gothic";
  bool fontBold_ = false;
  float fontSize_ = 9.0f;
  int charset_ = 0;
  bool opaque_ = true;
};

}  // namespace platform
