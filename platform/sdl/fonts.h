// Finding font files by the family names the game asks for, through fontconfig. The old program names
// Windows fonts ("ＭＳ Ｐゴシック", "MS UI Gothic"); a rule of our own, loaded at start, sends them to a
// proportional Japanese gothic. Called by the renderer when it first needs a font.
#pragma once

#include <string>

namespace platform {

struct FontFace {
  std::string path;             // empty when no font at all was found
  int index = 0;                // face index within the file
  std::string family;           // the family fontconfig chose
  bool synthesizeBold = false;  // bold asked for, but the family has no bold face
  bool japanese = false;        // covers Japanese text
};

// Load our family rules into fontconfig (once). Says on stderr when no Japanese font is installed.
// Safe to call again.
void initFonts();

// The face to use for a family name and weight. A family that would come out without Japanese glyphs
// falls back to any font that has them. Results are cached; the same arguments give the same face.
FontFace findFont(const std::string& family, bool bold);

}  // namespace platform
