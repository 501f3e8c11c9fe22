// Option buttons: those sharing a parent form one group, and selecting one clears the others.
// A click selects the button and raises onClick with its array index, also when it was already
// selected: what the program made of an earlier choice can differ from the shown selection, and a click
// must always be able to choose again.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/runtime/control.h"

namespace platform {

class OptionButton : public Control {
 public:
  OptionButton(Control* parent, std::string name, int index = -1);

  const std::string& Caption() const { return caption_; }
  void setCaption(const std::string& c);
  bool Value() const { return value_; }
  void setValue(bool v);  // true clears the other buttons of the group; raises no click
  float FontSize() const { return fontSize_; }
  void setFontSize(float pt);
  const std::string& FontName() const { return fontName_; }
  void setFontName(const std::string& n);

  std::function<void(int16_t index)> onClick;
  void Click();  // select, then raise onClick

 private:
  std::string caption_;
  bool value_ = false;
  float fontSize_ = 9.0f;
  std::string fontName_ = "MS UI Gothic";
};

}  // namespace platform
