// Font lookup and glyph advances over GDI. The game asks for "ＭＳ Ｐゴシック" (and the controls' defaults);
// where the system lacks it, the nearest Japanese face it has is used, in the order Windows' own
// Japanese interfaces prefer, then any face of the Shift-JIS character set (IPAPGothic under Wine).
#include "platform/win32/gdi_fonts.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/runtime/app.h"
#include "platform/runtime/display.h"
#include "platform/runtime/utf16.h"

namespace platform {

namespace {

constexpr BYTE kShiftJisCharset = SHIFTJIS_CHARSET;  // 128
const wchar_t* const kJapaneseFallbacks[] = {L"ＭＳ Ｐゴシック", L"MS PGothic", L"Yu Gothic UI",
                                             L"Meiryo UI",       L"Meiryo",     L"MS UI Gothic",
                                             L"IPAPGothic",      L"IPAGothic"};

HFONT makeFont(const std::wstring& face, bool bold, int pixels) {
  LOGFONTW lf{};
  lf.lfHeight = -pixels;  // the em, as points are measured, not the cell
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = kShiftJisCharset;
  lf.lfQuality = CLEARTYPE_QUALITY;
  lf.lfOutPrecision = OUT_TT_PRECIS;
  lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
  return CreateFontIndirectW(&lf);
}

int CALLBACK onFace(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM param) {
  auto* faces = reinterpret_cast<std::vector<std::wstring>*>(param);
  if (lf->lfFaceName[0] != L'@') faces->push_back(lf->lfFaceName);  // '@' faces are for vertical text
  return 1;
}

bool faceExists(HDC dc, const std::wstring& face) {
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
  std::vector<std::wstring> found;
  EnumFontFamiliesExW(dc, &lf, onFace, reinterpret_cast<LPARAM>(&found), 0);
  return !found.empty();
}

}  // namespace

int fontPixels(float points) { return std::max(1, static_cast<int>(std::lround(points * pixelsPerPoint()))); }

bool faceHoldsJapanese(HDC dc, const std::wstring& face) {
  if (!faceExists(dc, face)) return false;
  HFONT font = makeFont(face, false, 16);
  HGDIOBJ old = SelectObject(dc, font);
  const wchar_t probe[] = L"\u3042\u30A2\u6F22Ag";  // あ ア 漢 A g
  WORD glyphs[5] = {};
  const DWORD n = GetGlyphIndicesW(dc, probe, 5, glyphs, GGI_MARK_NONEXISTING_GLYPHS);
  SelectObject(dc, old);
  DeleteObject(font);
  if (n != 5) return false;
  for (WORD g : glyphs) {
    if (g == 0xFFFF) return false;
  }
  return true;
}

GdiFont::GdiFont(HDC dc, HFONT font) : dc_(dc), font_(font) {
  HGDIOBJ old = SelectObject(dc_, font_);
  TEXTMETRICW tm{};
  if (GetTextMetricsW(dc_, &tm)) lineSkip_ = std::max<int>(1, tm.tmHeight + tm.tmExternalLeading);
  wchar_t name[LF_FACESIZE] = {};
  GetTextFaceW(dc_, LF_FACESIZE, name);
  face_ = name;
  SelectObject(dc_, old);
}

GdiFont::~GdiFont() { DeleteObject(font_); }

float GdiFont::advance(char32_t c) {
  auto it = advances_.find(c);
  if (it != advances_.end()) return it->second;
  wchar_t units[2];
  int count = 1;
  if (c >= 0x10000) {
    units[0] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
    units[1] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    count = 2;
  } else {
    units[0] = static_cast<wchar_t>(c);
  }
  HGDIOBJ old = SelectObject(dc_, font_);
  SIZE size{};
  GetTextExtentPoint32W(dc_, units, count, &size);
  SelectObject(dc_, old);
  const float width = static_cast<float>(size.cx);
  advances_.emplace(c, width);
  return width;
}

GdiFonts::GdiFonts() : dc_(CreateCompatibleDC(nullptr)) {}

GdiFonts::~GdiFonts() {
  fonts_.clear();
  DeleteDC(dc_);
}

std::wstring GdiFonts::resolve(const std::string& family) {
  auto it = faces_.find(family);
  if (it != faces_.end()) return it->second;
  std::wstring face = wideFromUtf8(family);
  if (!faceHoldsJapanese(dc_, face)) {
    std::wstring chosen;
    for (const wchar_t* candidate : kJapaneseFallbacks) {
      if (faceHoldsJapanese(dc_, candidate)) {
        chosen = candidate;
        break;
      }
    }
    if (chosen.empty()) {
      // Any face of the Shift-JIS character set that holds the glyphs.
      LOGFONTW lf{};
      lf.lfCharSet = kShiftJisCharset;
      std::vector<std::wstring> found;
      EnumFontFamiliesExW(dc_, &lf, onFace, reinterpret_cast<LPARAM>(&found), 0);
      for (const std::wstring& f : found) {
        if (faceHoldsJapanese(dc_, f)) {
          chosen = f;
          break;
        }
      }
    }
    if (chosen.empty()) {
      reportProblem("no Japanese font is installed; captions are drawn in the system's default face");
    } else if (face != chosen) {
      face = chosen;
    }
  }
  faces_.emplace(family, face);
  return face;
}

GdiFont* GdiFonts::font(const std::string& family, bool bold, int pixels) {
  const std::wstring face = resolve(family);
  const auto key = std::make_tuple(face, bold, std::max(1, pixels));
  auto it = fonts_.find(key);
  if (it == fonts_.end()) {
    HFONT handle = makeFont(face, bold, std::max(1, pixels));
    if (!handle) return nullptr;
    it = fonts_.emplace(key, std::make_unique<GdiFont>(dc_, handle)).first;
  }
  return it->second.get();
}

}  // namespace platform
