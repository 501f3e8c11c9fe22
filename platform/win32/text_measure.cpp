// Caption measurement with the GDI renderer's own fonts and the runtime's line layout, for tools that
// need no window: the face the renderer would choose, at the size it would draw, so a row wraps here
// exactly where the game wraps it.
#include "platform/text_measure.h"

#include "platform/runtime/text_layout.h"
#include "platform/runtime/utf16.h"
#include "platform/win32/gdi_fonts.h"

namespace platform {

struct TextMeasure::Impl {
  GdiFonts fonts;
  GdiFont* font = nullptr;
  int pixelSize = 0;
  std::string face;
  std::string error;
};

TextMeasure::TextMeasure(const std::string& family, bool bold, float points)
    : impl_(std::make_unique<Impl>()) {
  impl_->pixelSize = fontPixels(points);
  impl_->font = impl_->fonts.font(family, bold, impl_->pixelSize);
  if (!impl_->font) {
    impl_->error = "no font could be made for the family " + family;
    return;
  }
  impl_->face = utf8FromWide(impl_->font->faceName());
}

TextMeasure::~TextMeasure() = default;

bool TextMeasure::ok() const { return impl_->font != nullptr; }
const std::string& TextMeasure::error() const { return impl_->error; }
const std::string& TextMeasure::fontPath() const { return impl_->face; }
int TextMeasure::pixelSize() const { return impl_->pixelSize; }

float TextMeasure::advance(char32_t c) { return impl_->font ? impl_->font->advance(c) : 0.0f; }

float TextMeasure::width(std::string_view utf8) {
  return textWidth(utf8, [this](char32_t c) { return advance(c); });
}

size_t TextMeasure::lineCount(std::string_view utf8, float boxWidth) {
  // Enough lines to see any wrap of a scenario row; the layout stops reading there.
  constexpr size_t kMaxLines = 64;
  return layoutText(utf8, boxWidth, kMaxLines, [this](char32_t c) { return advance(c); }).size();
}

}  // namespace platform
