// GDI fonts for captions, shared by drawing and measuring so that a caption wraps where it is drawn: a
// face by the name a control asks for, else a Japanese face the system has that holds both kana and
// ASCII glyphs, at a pixel size; glyph advances cached per font.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>

namespace platform {

class GdiFont {
 public:
  GdiFont(HDC dc, HFONT font);
  ~GdiFont();
  GdiFont(const GdiFont&) = delete;
  GdiFont& operator=(const GdiFont&) = delete;

  HFONT handle() const { return font_; }
  int lineSkip() const { return lineSkip_; }  // pixels from one row's top to the next
  float advance(char32_t c);                  // pixels
  const std::wstring& faceName() const { return face_; }

 private:
  HDC dc_;
  HFONT font_;
  int lineSkip_ = 1;
  std::wstring face_;
  std::unordered_map<char32_t, float> advances_;
};

class GdiFonts {
 public:
  GdiFonts();
  ~GdiFonts();
  GdiFonts(const GdiFonts&) = delete;
  GdiFonts& operator=(const GdiFonts&) = delete;

  // The font for a family (UTF-8), weight and size in pixels; null only when the system has no face at all.
  GdiFont* font(const std::string& family, bool bold, int pixels);
  HDC dc() const { return dc_; }

 private:
  std::wstring resolve(const std::string& family);

  HDC dc_;
  std::map<std::string, std::wstring> faces_;  // family asked for -> face used
  std::map<std::tuple<std::wstring, bool, int>, std::unique_ptr<GdiFont>> fonts_;
};

// A font's size in pixels for its size in points: at the display's dots per inch, rounded, at least 1.
int fontPixels(float points);

// Whether the system's face holds kana and ASCII glyphs: a Japanese face the game can show text in.
bool faceHoldsJapanese(HDC dc, const std::wstring& face);

}  // namespace platform
