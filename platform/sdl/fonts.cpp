// Font lookup through fontconfig, with our own aliases for the Windows family names the game uses.
#include "platform/sdl/fonts.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <map>
#include <utility>

#include "platform/runtime/app.h"

namespace platform {

namespace {

// No Debian package aliases the Windows Japanese families: plain matching gives DejaVu Sans (no Japanese
// glyphs), and lang=ja alone gives a fixed-width gothic. These rules put a proportional gothic first.
constexpr const char* kFamilyRules = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <alias binding="same">
    <family>ＭＳ Ｐゴシック</family>
    <prefer><family>IPAPGothic</family><family>VL PGothic</family><family>TakaoPGothic</family></prefer>
  </alias>
  <alias binding="same">
    <family>MS PGothic</family>
    <prefer><family>IPAPGothic</family><family>VL PGothic</family><family>TakaoPGothic</family></prefer>
  </alias>
  <alias binding="same">
    <family>MS UI Gothic</family>
    <prefer><family>IPAPGothic</family><family>VL PGothic</family><family>TakaoPGothic</family></prefer>
  </alias>
  <alias binding="same">
    <family>ＭＳ ゴシック</family>
    <prefer><family>IPAGothic</family><family>VL Gothic</family><family>TakaoGothic</family></prefer>
  </alias>
  <alias binding="same">
    <family>MS Gothic</family>
    <prefer><family>IPAGothic</family><family>VL Gothic</family><family>TakaoGothic</family></prefer>
  </alias>
</fontconfig>
)";

bool g_initialised = false;
std::map<std::pair<std::string, bool>, FontFace> g_cache;

bool coversJapanese(FcPattern* font) {
  FcCharSet* chars = nullptr;
  if (FcPatternGetCharSet(font, FC_CHARSET, 0, &chars) != FcResultMatch || !chars) return false;
  // Hiragana, katakana, a common kanji and the full-width slash the captions use.
  for (FcChar32 c : {0x3042u, 0x30A2u, 0x6F22u, 0xFF0Fu}) {
    if (!FcCharSetHasChar(chars, c)) return false;
  }
  return true;
}

FontFace match(const std::string* family, bool bold) {
  FontFace face;
  FcPattern* pattern = FcPatternCreate();
  if (family) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family->c_str()));
  // Japanese first among fonts of no named family: the game's text is Japanese.
  FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* font = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!font) return face;
  FcChar8* path = nullptr;
  if (FcPatternGetString(font, FC_FILE, 0, &path) == FcResultMatch && path) {
    face.path = reinterpret_cast<const char*>(path);
  }
  int index = 0;
  if (FcPatternGetInteger(font, FC_INDEX, 0, &index) == FcResultMatch) face.index = index;
  FcChar8* name = nullptr;
  if (FcPatternGetString(font, FC_FAMILY, 0, &name) == FcResultMatch && name) {
    face.family = reinterpret_cast<const char*>(name);
  }
  int weight = FC_WEIGHT_REGULAR;
  FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
  // fontconfig's own synthetic rule marks a regular face asked for in bold with embolden.
  FcBool embolden = FcFalse;
  FcPatternGetBool(font, FC_EMBOLDEN, 0, &embolden);
  face.synthesizeBold = bold && (embolden || weight < FC_WEIGHT_DEMIBOLD);
  face.japanese = coversJapanese(font);
  FcPatternDestroy(font);
  return face;
}

}  // namespace

void initFonts() {
  if (g_initialised) return;
  g_initialised = true;
  if (!FcInit()) {
    reportProblem("fontconfig could not be initialised; text will not be drawn");
    return;
  }
  // Nothing of fontconfig's is kept past a lookup, so it can be released at exit (leak checkers then
  // see a clean end).
  std::atexit(FcFini);
  if (!FcConfigParseAndLoadFromMemory(FcConfigGetCurrent(), reinterpret_cast<const FcChar8*>(kFamilyRules),
                                      FcTrue)) {
    reportProblem("could not load the font family rules; Japanese text may use a fixed-width font");
  }
  if (!findFont("ＭＳ Ｐゴシック", false).japanese) {
    reportProblem(
        "no Japanese font is installed, so the game's text cannot be shown; install fonts-ipafont-gothic");
  }
}

FontFace findFont(const std::string& family, bool bold) {
  initFonts();
  const auto key = std::make_pair(family, bold);
  if (auto it = g_cache.find(key); it != g_cache.end()) return it->second;
  FontFace face = match(&family, bold);
  if (!face.japanese) {
    FontFace anyJapanese = match(nullptr, bold);
    if (anyJapanese.japanese) face = anyJapanese;
  }
  g_cache[key] = face;
  return face;
}

}  // namespace platform
