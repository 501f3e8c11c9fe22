// Pictures, read back from the retained pixels: the stretch over the whole box, the buffer E, untrimmed
// names, no cache, bad files; and the loader and resampler underneath.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/fom.h"
#include "platform/media/image.h"
#include "tests/support/game_harness.h"
#include "tests/support/test_seed.h"

using testing_support::HeadlessGame;
using testing_support::TestContent;
using Lines = std::vector<std::string>;

namespace {

struct Rgb {
  int r, g, b;
};
constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0};

// JPEG is lossy: solid test colours come back within a few steps.
::testing::AssertionResult looksLike(const platform::Image& image, int x, int y, Rgb want) {
  if (image.empty() || x < 0 || y < 0 || x >= image.width || y >= image.height) {
    return ::testing::AssertionFailure()
           << "(" << x << ", " << y << ") is outside a " << image.width << " × " << image.height << " image";
  }
  uint32_t p = image.at(x, y);
  int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
  if (std::abs(r - want.r) <= 24 && std::abs(g - want.g) <= 24 && std::abs(b - want.b) <= 24) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "(" << x << ", " << y << ") is " << r << "," << g << "," << b
                                       << ", expected " << want.r << "," << want.g << "," << want.b;
}

std::string readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A started game (title "ttl" green) with the scene picture box 600 × 600 pixels.
class Pictures : public ::testing::Test {
 protected:
  void SetUp() override {
    content_.picture("ttl", "ui_green");
    content_.picture("red", "ui_red");
    content_.picture("blue", "ui_blue");
    game_.start();
    platform::RectF r = fom().Pic.pixelRect();
    fom().Pic.setPixelRect({r.x, r.y, 600, 600});
  }
  Fom& fom() { return game_.fom(); }
  const platform::Image& scene() { return fom().Pic.retained(); }

  TestContent content_;
  HeadlessGame game_{content_};
};

}  // namespace

TEST_F(Pictures, APictureIsStretchedToFillTheWholeBox) {
  content_.picture("quad", "ui_quadrants_640x480");
  fom().ShowPicture("quad");

  // Its pixels are held no larger than the 600 x 600 box they are shown in.
  EXPECT_EQ(fom().E.Picture().width, 600);
  EXPECT_EQ(fom().E.Picture().height, 480);
  EXPECT_FLOAT_EQ(fom().E.pixelRect().w, 640) << "E takes the picture's size";
  EXPECT_FLOAT_EQ(fom().E.ScaleHeight(), 480);
  ASSERT_EQ(scene().width, 600);
  ASSERT_EQ(scene().height, 600);
  // Corners reach the edges: nothing letterboxed or cropped.
  EXPECT_TRUE(looksLike(scene(), 0, 0, kRed));
  EXPECT_TRUE(looksLike(scene(), 599, 0, kGreen));
  EXPECT_TRUE(looksLike(scene(), 0, 599, kBlue));
  EXPECT_TRUE(looksLike(scene(), 599, 599, kYellow));
  // The quadrant edges (x 320 of 640, y 240 of 480) both land at 300: squeezed across, stretched down.
  EXPECT_TRUE(looksLike(scene(), 295, 150, kRed));
  EXPECT_TRUE(looksLike(scene(), 305, 150, kGreen));
  EXPECT_TRUE(looksLike(scene(), 150, 295, kRed));
  EXPECT_TRUE(looksLike(scene(), 150, 305, kBlue));
  EXPECT_TRUE(fom().Pic.scaleIsPixels());
  EXPECT_TRUE(fom().E.scaleIsPixels());
}

TEST_F(Pictures, AnEmptyNameRepaintsWhatTheBufferHolds) {
  fom().ShowPicture("");  // E still holds the title
  EXPECT_TRUE(looksLike(scene(), 300, 300, kGreen));

  fom().ShowPicture("red");
  content_.remove("img/red.jpg");  // nothing is read for an empty name
  fom().Pic.Cls();
  ASSERT_TRUE(scene().empty());
  fom().ShowPicture("");
  EXPECT_TRUE(looksLike(scene(), 10, 10, kRed));
  EXPECT_TRUE(looksLike(scene(), 590, 590, kRed));
  EXPECT_EQ(game_.traceLog().back(), "picture");
}

TEST_F(Pictures, NamesAreUsedAsWrittenAndReadAfreshEachTime) {
  content_.picture("sp ", "ui_blue");
  content_.picture("sp", "ui_red");
  content_.picture("_", "ui_quadrants_640x480");
  fom().ShowPicture("sp ");
  EXPECT_TRUE(looksLike(scene(), 300, 300, kBlue)) << "the trailing space is part of the file name";
  fom().ShowPicture("sp");
  EXPECT_TRUE(looksLike(scene(), 300, 300, kRed));
  fom().ShowPicture("_");
  EXPECT_TRUE(looksLike(scene(), 599, 599, kYellow));

  content_.picture("sp", "ui_blue");  // same name, new file: no cache
  fom().ShowPicture("sp");
  EXPECT_TRUE(looksLike(scene(), 300, 300, kBlue));
}

TEST_F(Pictures, AMissingOrBrokenFileKeepsThePreviousPictureAndIsNamed) {
  fom().ShowPicture("red");
  content_.rawPicture("garbage", "this is not a picture at all");
  content_.rawPicture("empty", "");
  for (const std::string name : {"nothere", "garbage", "empty"}) {
    SCOPED_TRACE(name);
    testing::internal::CaptureStderr();
    fom().ShowPicture(name);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(name + ".jpg"), std::string::npos) << err;
    EXPECT_EQ(fom().E.Picture().width, 64) << "E keeps the picture it held";
    EXPECT_TRUE(looksLike(scene(), 300, 300, kRed));
  }

  // Cut short: whatever the decoder makes of it, the game goes on with a painted box.
  std::string quad = readBytes(testing_support::testData("img/ui_quadrants_640x480.jpg"));
  content_.rawPicture("cut", quad.substr(0, quad.size() / 2));
  testing::internal::CaptureStderr();
  fom().ShowPicture("cut");
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(scene().width, 600);
  EXPECT_TRUE(fom().E.hasPicture());
}

TEST_F(Pictures, PaintingInPixelsLeavesTheTextLabelsWhereTheLayoutPutThem) {
  platform::RectF before[3];
  for (int i = 0; i < 3; ++i) before[i] = fom().lbl[i].pixelRect();
  fom().ShowPicture("blue");
  for (int i = 0; i < 3; ++i) {
    EXPECT_FLOAT_EQ(fom().lbl[i].pixelRect().x, before[i].x);
    EXPECT_FLOAT_EQ(fom().lbl[i].pixelRect().h, before[i].h);
  }
}

TEST(PicturesBeforeAnyLoad, NothingToPaintLeavesTheBoxClear) {
  TestContent content;
  HeadlessGame game(content);
  Fom& fom = game.fom();
  fom.ImgDir = content.root().string() + "/img/";
  fom.Pic.setPixelRect({0, 0, 100, 100});
  testing::internal::CaptureStderr();
  fom.ShowPicture("nothere");
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("nothere.jpg"), std::string::npos) << err;
  EXPECT_FALSE(fom.E.hasPicture());
  EXPECT_TRUE(fom.Pic.retained().empty());
}

// ---- Within one step, and names ----

namespace {
int gDecodes = 0;
std::optional<platform::DecodedPicture> countingDecoder(const std::string& path, int width, int height,
                                                        std::string* error) {
  ++gDecodes;
  return platform::loadPictureFile(path, width, height, error);
}
}  // namespace

TEST_F(Pictures, AStepDecodesOnlyThePictureItLeavesOnScreenAndNamesTheRest) {
  content_.rawPicture("gif", "GIF89a");
  Lines lines = {">img red", ">img blue", ">img nothere", ">img red", "one",      ">img blue",
                 ">img gif", ">img gif",  ">img gif",     ">img gif", ">img gif", "two"};
  for (int i = 0; i < 100'000; ++i) lines.push_back(">img m" + std::to_string(i));
  std::filesystem::create_directory(content_.root() / "img" / "folder.jpg");
  lines.insert(lines.end(), {">img folder", ">img red", "three"});
  content_.scenario("s", lines);
  platform::setPictureDecoder(&countingDecoder);
  gDecodes = 0;
  testing::internal::CaptureStderr();
  fom().StartScenario("s");
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(gDecodes, 1);
  EXPECT_TRUE(looksLike(scene(), 300, 300, kRed));
  // The path as the game makes it: the application folder, "/", the folder and the name.
  EXPECT_NE(err.find("picture \"nothere\" not shown (" + content_.root().string() + "/img/nothere.jpg" +
                     ": No such file or directory)"),
            std::string::npos)
      << err;

  // The last picture is no JPEG: the one before it is decoded and left in E, as it would have been.
  gDecodes = 0;
  testing::internal::CaptureStderr();
  fom().lbl_Click(0);
  err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(gDecodes, 2);
  EXPECT_TRUE(looksLike(scene(), 300, 300, kBlue));
  EXPECT_NE(err.find("gif.jpg is a GIF, not a JPEG"), std::string::npos) << err;

  // A hundred thousand missing pictures in one step: a few named, the rest counted in one line. The
  // files that are there among them are still told apart: a folder, and the picture shown at the end.
  gDecodes = 0;
  testing::internal::CaptureStderr();
  fom().lbl_Click(0);
  err = testing::internal::GetCapturedStderr();
  platform::installPictureDecoder();
  EXPECT_EQ(gDecodes, 1);
  EXPECT_TRUE(looksLike(scene(), 300, 300, kRed));
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 5) << err;
  EXPECT_NE(err.find("picture \"m2\" not shown"), std::string::npos) << err;
  EXPECT_NE(err.find("folder.jpg: is a folder, not a file"), std::string::npos) << err;
  EXPECT_NE(err.find("lanternfall: ... and 99,997 more missing pictures\n"), std::string::npos) << err;
}

TEST_F(Pictures, NamesThatLeadOutOfThePictureFolderShowNothing) {
  std::filesystem::create_directories(content_.root() / "img" / "sub");
  content_.picture("sub/deep", "ui_blue");
  std::filesystem::copy_file(testing_support::testData("img/ui_red.jpg"), content_.root() / "outside.jpg");
  fom().ShowPicture("sub/deep");
  EXPECT_TRUE(looksLike(scene(), 300, 300, kBlue)) << "a subfolder inside img/ is fine";
  const std::string absolute = (content_.root() / "outside").string();
  for (const std::string& name : {std::string("../outside"), std::string("sub/../../outside"), absolute}) {
    SCOPED_TRACE(name);
    testing::internal::CaptureStderr();
    fom().ShowPicture(name);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("picture \"" + name + "\" not shown: its name leads out of the picture folder"),
              std::string::npos)
        << err;
    EXPECT_TRUE(looksLike(scene(), 300, 300, kBlue));
  }
}

// ---- The loader and the resampler ----

TEST(Image, LoaderRefusesBadFilesWithAReasonAndNeverCrashes) {
  TestContent content;
  std::string error;
  EXPECT_FALSE(platform::loadImageFile((content.root() / "img/none.jpg").string(), &error));
  EXPECT_NE(error.find("none.jpg"), std::string::npos) << error;
  content.rawPicture("junk", "GIF89a and then nothing");
  error.clear();
  EXPECT_FALSE(platform::loadImageFile((content.root() / "img/junk.jpg").string(), &error));
  EXPECT_FALSE(error.empty());

  // A header claiming 60000 × 60000 pixels is refused before the decoder allocates for it.
  const std::string good = readBytes(testing_support::testData("img/ui_quadrants_640x480.jpg"));
  std::string huge = good;
  size_t sof = huge.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  huge.replace(sof + 5, 4, "\xEA\x60\xEA\x60");
  content.rawPicture("huge", huge);
  error.clear();
  EXPECT_FALSE(platform::loadImageFile((content.root() / "img/huge.jpg").string(), &error));
  EXPECT_NE(error.find("too large"), std::string::npos) << error;

  // Damaged copies of a real picture: decoded or refused, never a crash.
  std::mt19937 rng(testing_support::testSeed());
  for (int round = 0; round < 40; ++round) {
    std::string bad = good;
    if (round % 2 == 0) bad.resize(rng() % bad.size());
    for (int flips = 0; flips < 8 && !bad.empty(); ++flips)
      bad[rng() % bad.size()] = static_cast<char>(rng());
    content.rawPicture("bad", bad);
    auto image = platform::loadImageFile((content.root() / "img/bad.jpg").string(), &error);
    if (image) {
      EXPECT_EQ(image->pixels.size(), static_cast<size_t>(image->width) * image->height);
    }
  }
}

TEST(Image, ShrinkingAveragesAreasAndEnlargingInterpolates) {
  platform::Image checker{64, 64, std::vector<uint32_t>(64 * 64)};
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) checker.pixels[y * 64 + x] = ((x + y) % 2) ? 0xFFFFFFFFu : 0xFF000000u;
  }
  platform::Image half{32, 32, std::vector<uint32_t>(32 * 32, 0)};
  platform::stretchCopy(checker, 0, 0, 64, 64, half, 0, 0, 32, 32);
  for (uint32_t p : half.pixels) {
    ASSERT_NEAR(static_cast<int>(p & 255), 128, 1) << "every 2 × 2 block averages to grey";
    ASSERT_EQ(p >> 24, 255u);
  }

  platform::Image ramp{2, 1, {0xFF000000u, 0xFFFFFFFFu}};
  platform::Image wide{8, 1, std::vector<uint32_t>(8, 0)};
  platform::stretchCopy(ramp, 0, 0, 2, 1, wide, 0, 0, 8, 1);
  EXPECT_EQ(wide.pixels[0] & 255, 0u);
  EXPECT_EQ(wide.pixels[7] & 255, 255u);
  for (int x = 1; x < 8; ++x) EXPECT_GE(wide.pixels[x] & 255, wide.pixels[x - 1] & 255);
  EXPECT_GT(wide.pixels[4] & 255, 0u);
  EXPECT_LT(wide.pixels[3] & 255, 255u) << "a smooth ramp, not two blocks";
}

TEST(Image, NegativeSizesMirrorAndOutsidePartsAreClipped) {
  platform::Image src{2, 1, {0xFFFF0000u, 0xFF0000FFu}};
  platform::Image dst{2, 1, std::vector<uint32_t>(2, 0)};
  platform::stretchCopy(src, 0, 0, 2, 1, dst, 2, 0, -2, 1);
  EXPECT_EQ(dst.pixels[0], 0xFF0000FFu);
  EXPECT_EQ(dst.pixels[1], 0xFFFF0000u);

  // The destination rectangle hangs off the left edge: only what lands inside is painted.
  platform::Image box{3, 1, std::vector<uint32_t>(3, 0x12345678u)};
  platform::stretchCopy(src, 0, 0, 2, 1, box, -1, 0, 2, 1);
  EXPECT_EQ(box.pixels[0], 0xFF0000FFu);
  EXPECT_EQ(box.pixels[1], 0x12345678u);
  // The source rectangle overhangs the picture: pixels that would come from outside it stay as they were.
  box.pixels.assign(3, 0x12345678u);
  platform::stretchCopy(src, 1, 0, 3, 1, box, 0, 0, 3, 1);
  EXPECT_EQ(box.pixels[0], 0xFF0000FFu);
  EXPECT_EQ(box.pixels[1], 0x12345678u);
  EXPECT_EQ(box.pixels[2], 0x12345678u);
}
