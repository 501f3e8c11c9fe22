// Caption measurement with the renderer's own font module and line layout, for tools that need no window.
#include "platform/text_measure.h"

#include "platform/runtime/text_layout.h"
#include "platform/sdl/font.h"
#include "platform/sdl/fonts.h"

namespace platform {

struct TextMeasure::Impl {
  std::unique_ptr<Font> font;
  int pixelSize = 0;
  std::string path;
  std::string error;
};

TextMeasure::TextMeasure(const std::string& family, bool bold, float points)
    : impl_(std::make_unique<Impl>()) {
  impl_->pixelSize = fontPixelSize(points);
  initFonts();
  const FontFace face = findFont(family, bold);
  impl_->path = face.path;
  if (face.path.empty()) {
    impl_->error = "no font found for the family " + family;
    return;
  }
  impl_->font = Font::open(face, impl_->pixelSize, &impl_->error);
}

TextMeasure::~TextMeasure() = default;

bool TextMeasure::ok() const { return impl_->font != nullptr; }
const std::string& TextMeasure::error() const { return impl_->error; }
const std::string& TextMeasure::fontPath() const { return impl_->path; }
int TextMeasure::pixelSize() const { return impl_->pixelSize; }

float TextMeasure::advance(char32_t c) { return impl_->font ? impl_->font->advance(c) : 0.0f; }

float TextMeasure::width(std::string_view utf8) { return impl_->font ? impl_->font->width(utf8) : 0.0f; }

size_t TextMeasure::lineCount(std::string_view utf8, float boxWidth) {
  // Enough lines to see any wrap of a scenario row; the layout stops reading there.
  constexpr size_t kMaxLines = 64;
  return layoutText(utf8, boxWidth, kMaxLines, [this](char32_t c) { return advance(c); }).size();
}

}  // namespace platform
