// Font lookup: the Windows Japanese family names the game uses reach a proportional Japanese gothic, and
// bold is synthesised where the family has no bold face.
#include "platform/sdl/fonts.h"

#include <gtest/gtest.h>

namespace {

using platform::findFont;

TEST(Fonts, WindowsJapaneseFamiliesFindAProportionalJapaneseGothic) {
  const auto ipa = findFont("IPAPGothic", false);
  if (!ipa.japanese) GTEST_SKIP() << "no Japanese font installed (make deps installs fonts-ipafont-gothic)";
  for (const char* family : {"ＭＳ Ｐゴシック", "MS PGothic", "MS UI Gothic"}) {
    SCOPED_TRACE(family);
    const auto face = findFont(family, false);
    EXPECT_TRUE(face.japanese);
    EXPECT_FALSE(face.path.empty());
    // Plain matching would give DejaVu Sans or a fixed-width gothic; ours is the proportional one.
    if (ipa.family == "IPAPGothic") {
      EXPECT_EQ(face.family, "IPAPGothic");
    }
  }
}

TEST(Fonts, BoldIsSynthesisedOnlyWhenTheFamilyHasNoBoldFace) {
  const auto regular = findFont("ＭＳ Ｐゴシック", false);
  const auto bold = findFont("ＭＳ Ｐゴシック", true);
  if (!regular.japanese) GTEST_SKIP() << "no Japanese font installed";
  EXPECT_FALSE(regular.synthesizeBold);
  if (bold.family == "IPAPGothic") {
    EXPECT_TRUE(bold.synthesizeBold);  // IPA fonts ship one weight
  }
  // Asking again gives the same face.
  EXPECT_EQ(findFont("ＭＳ Ｐゴシック", true).path, bold.path);
}

TEST(Fonts, AnUnknownFamilyStillGetsJapaneseGlyphs) {
  if (!findFont("ＭＳ Ｐゴシック", false).japanese) GTEST_SKIP() << "no Japanese font installed";
  EXPECT_TRUE(findFont("No Such Family 123", false).japanese);
}

}  // namespace
