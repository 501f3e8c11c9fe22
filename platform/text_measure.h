// Measuring caption rows as the renderer lays them out, without a window: the same font lookup, pixel
// size (points at the display's dots per inch, rounded), glyph advances and line layout. Called by the
// content checker to find scenario rows that would wrap on the scene picture. Each window backend
// measures with its own renderer's fonts (platform/sdl/text_measure.cpp, platform/win32/text_measure.cpp).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

class TextMeasure {
 public:
  // family and bold as a label asks for them; points as the label's font size.
  TextMeasure(const std::string& family, bool bold, float points);
  ~TextMeasure();
  TextMeasure(const TextMeasure&) = delete;
  TextMeasure& operator=(const TextMeasure&) = delete;

  bool ok() const;  // false when no font could be opened; error() says why
  const std::string& error() const;
  const std::string& fontPath() const;  // the font's file; on Windows, the face GDI chose
  int pixelSize() const;

  float advance(char32_t c);           // pixels
  float width(std::string_view utf8);  // sum of the advances of one row, pixels
  // How many lines the text takes when laid out in a box boxWidth pixels wide (CR LF and the Japanese
  // line-breaking rules, exactly as a label draws it); 1 for a row that fits.
  size_t lineCount(std::string_view utf8, float boxWidth);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
