// Caption measurement with SDL_ttf and the shared line layout, for tools that need no window.
#include "platform/sdl/text_measure.h"

#include <SDL_ttf.h>

#include <cmath>
#include <unordered_map>

#include "platform/runtime/control.h"
#include "platform/runtime/display.h"
#include "platform/runtime/text_layout.h"
#include "platform/sdl/fonts.h"

namespace platform {

struct TextMeasure::Impl {
  TTF_Font* font = nullptr;
  bool ttfStarted = false;
  int pixelSize = 0;
  std::string path;
  std::string error;
  std::unordered_map<char32_t, float> advances;
};

TextMeasure::TextMeasure(const std::string& family, bool bold, float points)
    : impl_(std::make_unique<Impl>()) {
  // The renderer's rounding: a 12-point caption is drawn 16 pixels high.
  impl_->pixelSize = std::max(1, static_cast<int>(std::lround(points * pixelsPerPoint())));
  if (TTF_Init() != 0) {
    impl_->error = std::string("cannot start SDL_ttf: ") + TTF_GetError();
    return;
  }
  impl_->ttfStarted = true;
  initFonts();
  const FontFace face = findFont(family, bold);
  impl_->path = face.path;
  if (face.path.empty()) {
    impl_->error = "no font found for the family " + family;
    return;
  }
  impl_->font = TTF_OpenFontIndex(face.path.c_str(), impl_->pixelSize, face.index);
  if (!impl_->font) {
    impl_->error = "cannot open the font " + face.path + ": " + TTF_GetError();
    return;
  }
  if (face.synthesizeBold) TTF_SetFontStyle(impl_->font, TTF_STYLE_BOLD);
}

TextMeasure::~TextMeasure() {
  if (impl_->font) TTF_CloseFont(impl_->font);
  if (impl_->ttfStarted) TTF_Quit();  // SDL_ttf counts its users; the renderer's stays open
}

bool TextMeasure::ok() const { return impl_->font != nullptr; }
const std::string& TextMeasure::error() const { return impl_->error; }
const std::string& TextMeasure::fontPath() const { return impl_->path; }
int TextMeasure::pixelSize() const { return impl_->pixelSize; }

float TextMeasure::advance(char32_t c) {
  if (!impl_->font) return 0;
  if (auto it = impl_->advances.find(c); it != impl_->advances.end()) return it->second;
  int adv = 0;
  if (TTF_GlyphMetrics32(impl_->font, static_cast<Uint32>(c), nullptr, nullptr, nullptr, nullptr, &adv) != 0)
    adv = 0;
  impl_->advances.emplace(c, static_cast<float>(adv));
  return static_cast<float>(adv);
}

float TextMeasure::width(std::string_view utf8) {
  float w = 0;
  for (size_t pos = 0; pos < utf8.size();) {
    size_t len = 1;
    w += advance(decodeUtf8(utf8, pos, &len));
    pos += len;
  }
  return w;
}

size_t TextMeasure::lineCount(std::string_view utf8, float boxWidth) {
  // Enough lines to see any wrap of a scenario row; the layout stops reading there.
  constexpr size_t kMaxLines = 64;
  return layoutText(utf8, boxWidth, kMaxLines, [this](char32_t c) { return advance(c); }).size();
}

}  // namespace platform
