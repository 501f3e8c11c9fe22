// A font face opened at one pixel size, with the glyph advances that line layout reads. The renderer
// draws with it and the text measurer measures with it, so what a tool measures is what the window draws.
// Called on the user-interface thread only.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/sdl/fonts.h"

struct _TTF_Font;  // SDL_ttf's TTF_Font

namespace platform {

// The pixel size text of `points` is drawn at: points at the display's dots per inch (the desktop's text
// scaling, setDisplayDpi), times the real pixels per window pixel, rounded; at least 1. At the classic
// 96 dpi a 12-point caption is 16 pixels high at a scale of 1.
int fontPixelSize(float points, float pixelScale = 1.0f);

class Font {
 public:
  // Opens `face` at pixelSize (with a synthesised bold when the face asks for one). Null when the face has
  // no file or the file does not open; *error then says why.
  static std::unique_ptr<Font> open(const FontFace& face, int pixelSize, std::string* error);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  _TTF_Font* ttf() const { return font_; }
  int pixelSize() const { return pixelSize_; }
  int lineSkip() const { return lineSkip_; }  // pixels from one line's top to the next
  float advance(char32_t c);                  // pixels; 0 for a glyph the face lacks
  float width(std::string_view utf8);         // the sum of the advances of one row

 private:
  Font(_TTF_Font* font, int pixelSize);
  _TTF_Font* font_;
  int pixelSize_;
  int lineSkip_;
  std::unordered_map<char32_t, float> advances_;
};

}  // namespace platform
