// Faces at a pixel size over SDL_ttf, and their glyph-advance cache.
#include "platform/sdl/font.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>

#include "platform/runtime/display.h"
#include "platform/runtime/text_layout.h"

namespace platform {

int fontPixelSize(float points, float pixelScale) {
  return std::max(1, static_cast<int>(std::lround(points * pixelsPerPoint() * pixelScale)));
}

std::unique_ptr<Font> Font::open(const FontFace& face, int pixelSize, std::string* error) {
  if (face.path.empty()) {
    if (error) *error = "no font file for the family " + face.family;
    return nullptr;
  }
  // SDL_ttf counts its users: each open face holds it started, so the library lives exactly as long as
  // the last face, whoever opened it.
  if (TTF_Init() != 0) {
    if (error) *error = std::string("cannot start the font renderer: ") + TTF_GetError();
    return nullptr;
  }
  TTF_Font* font = TTF_OpenFontIndex(face.path.c_str(), pixelSize, face.index);
  if (!font) {
    if (error) *error = "cannot open the font " + face.path + ": " + TTF_GetError();
    TTF_Quit();
    return nullptr;
  }
  if (face.synthesizeBold) TTF_SetFontStyle(font, TTF_STYLE_BOLD);
  return std::unique_ptr<Font>(new Font(font, pixelSize));
}

Font::Font(TTF_Font* font, int pixelSize)
    : font_(font), pixelSize_(pixelSize), lineSkip_(TTF_FontLineSkip(font)) {}

Font::~Font() {
  TTF_CloseFont(font_);
  TTF_Quit();
}

float Font::advance(char32_t c) {
  if (auto it = advances_.find(c); it != advances_.end()) return it->second;
  int adv = 0;
  if (TTF_GlyphMetrics32(font_, static_cast<Uint32>(c), nullptr, nullptr, nullptr, nullptr, &adv) != 0)
    adv = 0;
  advances_.emplace(c, static_cast<float>(adv));
  return static_cast<float>(adv);
}

float Font::width(std::string_view utf8) {
  return textWidth(utf8, [this](char32_t c) { return advance(c); });
}

}  // namespace platform
