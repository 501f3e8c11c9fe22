// The renderer read back by pixels from an off-screen canvas: pictures stretched to their boxes, children
// clipped to their parents, hidden controls not drawn, text rasterised at the real size, tooltips inside
// the window, an unchanged frame making nothing afresh, and a frame that redraws only what changed
// reading the same as a whole redraw.
#include "platform/sdl/renderer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <random>
#include <string>

#include "platform/media/image.h"
#include "platform/runtime/form.h"
#include "platform/runtime/label.h"
#include "platform/runtime/option_button.h"
#include "platform/runtime/picture_box.h"
#include "platform/runtime/shade.h"
#include "platform/sdl/fonts.h"
#include "platform/sdl/offscreen_target.h"
#include "tests/support/test_seed.h"

namespace {

using namespace platform;

constexpr Color kWhite = rgb(255, 255, 255);
constexpr Color kRed = rgb(255, 0, 0);
constexpr Color kBlue = rgb(0, 0, 255);
constexpr Color kGreen = rgb(0, 200, 0);

// A picture file of one row of exact pixels (binary PPM), read by the decoder below: these tests are about
// drawing, and a JPEG would blur the colours they compare.
std::string writePicture(const std::string& name, std::initializer_list<Color> row) {
  const std::string path = ::testing::TempDir() + name + ".ppm";
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << row.size() << " 1\n255\n";
  for (Color c : row)
    out << static_cast<char>(redOf(c)) << static_cast<char>(greenOf(c)) << static_cast<char>(blueOf(c));
  return path;
}

std::optional<DecodedPicture> decodeRowPicture(const std::string& path, int, int, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int width = 0, height = 0, levels = 0;
  if (!(in >> magic >> width >> height >> levels) || magic != "P6" || height != 1 || width <= 0) {
    if (error) *error = "not a one-row picture: " + path;
    return std::nullopt;
  }
  in.get();
  DecodedPicture picture{width, 1, Image{width, 1, {}}};
  for (int x = 0; x < width; ++x) {
    const uint32_t r = static_cast<unsigned char>(in.get()), g = static_cast<unsigned char>(in.get()),
                   b = static_cast<unsigned char>(in.get());
    picture.image.pixels.push_back(0xFF000000u | (r << 16) | (g << 8) | b);
  }
  return picture;
}

bool haveJapaneseFont() { return findFont("ＭＳ Ｐゴシック", true).japanese; }

struct Ink {
  int count = 0, top = 1 << 30, bottom = -1, left = 1 << 30, right = -1;
};

// Pixels darker than mid-grey in a rectangle: the text's ink.
Ink inkIn(const OffscreenTarget& canvas, int x0, int y0, int x1, int y1) {
  Ink ink;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const Color c = canvas.pixel(x, y);
      if (redOf(c) + greenOf(c) + blueOf(c) < 3 * 128) {
        ++ink.count;
        ink.top = std::min(ink.top, y);
        ink.bottom = std::max(ink.bottom, y);
        ink.left = std::min(ink.left, x);
        ink.right = std::max(ink.right, x);
      }
    }
  }
  return ink;
}

class RendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(canvas.ok());
    setPictureDecoder(&decodeRowPicture);
    form.setBackColor(kWhite);  // 9600 × 7200 twips: a 640 × 480 client area without frame
  }
  void TearDown() override { installPictureDecoder(); }
  Form form{"fom"};
  OffscreenTarget canvas{640, 480};
};

TEST_F(RendererTest, PicturesFillTheirBoxAndChildrenStayInsideTheirParent) {
  PictureBox source(&form, "E");
  source.setVisible(false);
  ASSERT_TRUE(source.LoadPicture(writePicture("red_blue", {kRed, kBlue})));
  PictureBox box(&form, "Pic");
  box.setBackColor(kGreen);
  box.Move(100, 100, 20, 10);
  box.PaintPicture(source, 0, 0, 20, 10, 0, 0, 2, 1);  // retained at 20 × 10
  box.Move(100, 100, 200, 100);                        // and stretched over 200 × 100 when drawn
  Label over(&box, "lbl");
  over.setBackColor(kGreen);
  over.Move(150, 50, 100, 100);  // runs past the box's right and bottom edges
  PictureBox hidden(&form, "E");
  hidden.setBackColor(rgb(255, 0, 255));
  hidden.Move(400, 300, 50, 50);
  hidden.setVisible(false);
  canvas.renderer().draw(form);

  EXPECT_EQ(canvas.pixel(105, 105), kRed);
  EXPECT_EQ(canvas.pixel(140, 195), kRed);
  EXPECT_EQ(canvas.pixel(270, 160), kGreen) << "the label lies over the picture";
  EXPECT_EQ(canvas.pixel(299, 105), kBlue);
  EXPECT_EQ(canvas.pixel(99, 150), kWhite);
  EXPECT_EQ(canvas.pixel(300, 150), kWhite) << "the label is clipped to the box";
  EXPECT_EQ(canvas.pixel(260, 200), kWhite) << "the label is clipped to the box";
  EXPECT_EQ(canvas.pixel(420, 320), kWhite) << "a hidden box is not drawn";

  // Hiding the box hides its children with it.
  box.setVisible(false);
  canvas.renderer().draw(form);
  EXPECT_EQ(canvas.pixel(270, 160), kWhite);
}

// A picture in front that covers a caption wholly: the caption is not rasterised (nor its font opened),
// and shows again once the picture is hidden.
TEST_F(RendererTest, ACaptionUnderAnOpaquePictureInFrontIsNotRasterised) {
  if (!haveJapaneseFont()) GTEST_SKIP() << "no Japanese font installed";
  Label text(&form, "lbl");
  text.Move(10, 10, 200, 50);
  text.setCaption("テキスト");
  PictureBox cover(&form, "picStt");
  cover.Move(0, 0, 320, 240);
  cover.setBackColor(kBlue);
  canvas.renderer().draw(form);
  EXPECT_EQ(canvas.renderer().lastFrame().linesRasterised, 0);
  EXPECT_EQ(canvas.pixel(20, 20), kBlue);

  cover.Move(100, 0, 320, 240);  // the caption's left end shows now
  canvas.renderer().draw(form);
  EXPECT_EQ(canvas.renderer().lastFrame().linesRasterised, 1);
  cover.setVisible(false);
  canvas.renderer().draw(form);
  EXPECT_GT(inkIn(canvas, 10, 10, 210, 60).count, 0);
}

TEST_F(RendererTest, AnUnchangedFrameMakesNothingAfreshAndAChangedPictureIsSeen) {
  PictureBox source(&form, "E");
  source.setVisible(false);
  PictureBox target(&form, "picStt");
  target.Move(0, 0, 64, 64);
  Label text(&form, "lblDay");
  text.Move(100, 0, 200, 50);
  text.setCaption("１");
  ASSERT_TRUE(source.LoadPicture(writePicture("red", {kRed})));
  target.PaintPicture(source, 0, 0, 64, 64, 0, 0, 1, 1);
  canvas.renderer().draw(form);
  EXPECT_EQ(canvas.renderer().lastFrame().picturesUploaded, 1);
  EXPECT_EQ(canvas.pixel(30, 30), kRed);

  canvas.renderer().draw(form);
  EXPECT_EQ(canvas.renderer().lastFrame().picturesUploaded, 0);
  EXPECT_EQ(canvas.renderer().lastFrame().linesRasterised, 0);
  EXPECT_EQ(canvas.pixel(30, 30), kRed);

  // Painted anew in place, same size: the new content must reach the screen.
  ASSERT_TRUE(source.LoadPicture(writePicture("blue", {kBlue})));
  target.PaintPicture(source, 0, 0, 64, 64, 0, 0, 1, 1);
  canvas.renderer().draw(form);
  EXPECT_EQ(canvas.renderer().lastFrame().picturesUploaded, 1);
  EXPECT_EQ(canvas.pixel(30, 30), kBlue);

  if (haveJapaneseFont()) {
    text.setCaption("２");
    canvas.renderer().draw(form);
    EXPECT_EQ(canvas.renderer().lastFrame().linesRasterised, 1);
    EXPECT_EQ(canvas.renderer().lastFrame().picturesUploaded, 0);
  }
}

// A box painted whole from one picture keeps that picture, shared with the box it came from, not pixels
// of its own size: a window-filling picture would otherwise cost two window-sized buffers (the pixels and
// their texture) on top of the window's own. What it shows and what it reports must not change for it.
TEST_F(RendererTest, APaintingOverTheWholeBoxKeepsOnlyItsPicture) {
  PictureBox source(&form, "E");
  source.setVisible(false);
  ASSERT_TRUE(source.LoadPicture(writePicture("four", {kRed, kBlue, kGreen, kWhite})));
  PictureBox pic(&form, "Pic");
  pic.setScaleModePixels();
  pic.Move(0, 0, 400, 300);
  pic.PaintPicture(source, 0, 0, 400, 300, 0, 0, 4, 1);
  ASSERT_NE(pic.painting(), nullptr);
  EXPECT_EQ(pic.painting()->source.get(), &source.Picture()) << "shared, not copied";

  Image eager{400, 300, std::vector<uint32_t>(400 * 300, 0)};
  stretchCopy(source.Picture(), 0, 0, 4, 1, eager, 0, 0, 400, 300);
  EXPECT_TRUE(pic.retained().pixels == eager.pixels) << "made on request, as a paint would have made them";

  canvas.renderer().draw(form);
  EXPECT_EQ(canvas.renderer().lastFrame().picturesUploaded, 1);
  const Color bands[] = {kRed, kBlue, kGreen, kWhite};
  for (int band = 0; band < 4; ++band) EXPECT_EQ(canvas.pixel(band * 100 + 50, 150), bands[band]);
  // The scene shown again from the same picture, as every step does: nothing is uploaded again.
  pic.Cls();
  pic.PaintPicture(source, 0, 0, 400, 300, 0, 0, 4, 1);
  canvas.renderer().draw(form);
  EXPECT_EQ(canvas.renderer().lastFrame().picturesUploaded, 0);
  EXPECT_EQ(canvas.pixel(150, 150), kBlue);

  // A paint over part of the box lands on what the painting showed.
  PictureBox other(&form, "E");
  other.setVisible(false);
  ASSERT_TRUE(other.LoadPicture(writePicture("green", {kGreen})));
  pic.PaintPicture(other, 0, 0, 100, 300, 0, 0, 1, 1);
  EXPECT_EQ(pic.painting(), nullptr);
  EXPECT_EQ(pic.retained().at(50, 150), 0xFF00C800u) << "opaque (0, 200, 0)";
  EXPECT_EQ(pic.retained().at(150, 150), eager.at(150, 150));
  canvas.renderer().draw(form);
  EXPECT_EQ(canvas.pixel(50, 150), kGreen);
  EXPECT_EQ(canvas.pixel(350, 150), kWhite);
}

// Partial frames redraw only what changed; whatever changes, the window must read exactly as a whole
// redraw of the same tree would draw it. Random changes, seeded, over a play screen in miniature.
TEST_F(RendererTest, APartialFrameReadsTheSameAsAWholeRedraw) {
  std::mt19937 rng(testing_support::testSeed());
  auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };

  PictureBox source(&form, "E");
  source.setVisible(false);
  ASSERT_TRUE(source.LoadPicture(writePicture("four", {kRed, kBlue, kGreen, kWhite})));
  PictureBox pic(&form, "Pic");
  pic.Move(20, 20, 90, 70);
  pic.PaintPicture(source, 0, 0, 90, 70, 0, 0, 4, 1);
  pic.Move(20, 20, 300, 240);  // the retained picture is stretched when drawn
  Label text(&pic, "lbl");
  text.setBackStyleOpaque(false);
  text.setForeColor(kWhite);
  text.Move(10, 10, 280, 200);
  Label day(&form, "lblDay");
  day.Move(360, 20, 200, 40);
  day.setBorderStyle(true);
  Label powers(&form, "lblStr");
  powers.Move(360, 70, 260, 30);
  PictureBox swatch(&form, "picStr");
  swatch.setBorderStyle(true);
  swatch.Move(360, 110, 100, 60);
  OptionButton her(&form, "optChar", 0), him(&form, "optChar", 1);
  her.Move(360, 200, 200, 30);
  him.Move(360, 240, 200, 30);
  her.setValue(true);
  her.setCaption("彼女を願う");
  him.setCaption("彼を願う");
  std::vector<Control*> movable{&pic, &text, &day, &powers, &swatch, &her, &him};

  canvas.renderer().draw(form);
  int partial = 0;
  for (int step = 0; step < 60; ++step) {
    for (int n = 1 + pick(2); n > 0; --n) {
      switch (pick(7)) {
        case 0:
          powers.setCaption("彼女：" + std::to_string(pick(300)) + "／彼：" + std::to_string(pick(300)));
          break;
        case 1:
          swatch.setBackColor(rgb(pick(256), pick(256), pick(256)));
          break;
        case 2:
          text.setCaption(pick(2) ? "今日はいい天気ですね。\r\n川のほとりで。▼" : "また明日");
          break;
        case 3: {
          Control* c = movable[pick(static_cast<int>(movable.size()))];
          c->Move(c->Left() + static_cast<float>(pick(21) - 10), c->Top() + static_cast<float>(pick(21) - 10),
                  c->Width(), c->Height());
          break;
        }
        case 4: {
          Control* c = movable[pick(static_cast<int>(movable.size()))];
          c->setVisible(!c->Visible());
          break;
        }
        case 5:
          (pick(2) ? her : him).setValue(true);
          (her.Value() ? him : her).setValue(false);
          break;
        default:
          movable[pick(static_cast<int>(movable.size()))]->ZOrderFront();
          break;
      }
    }
    canvas.renderer().draw(form);
    const Renderer::FrameStats stats = canvas.renderer().lastFrame();
    if (!stats.wholeWindow) {
      ++partial;
      EXPECT_LT(stats.pixelsRedrawn, 640 * 480);
    }
    // A fresh canvas each time: whatever a frame leaves unpainted cannot pass for drawn.
    OffscreenTarget whole(640, 480);
    ASSERT_TRUE(whole.ok());
    whole.renderer().draw(form);
    ASSERT_TRUE(whole.renderer().lastFrame().wholeWindow);
    int differing = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 640; ++x) {
        if (canvas.pixel(x, y) == whole.pixel(x, y)) continue;
        if (differing++ == 0) firstX = x, firstY = y;
      }
    }
    ASSERT_EQ(differing, 0) << "step " << step << ": first at (" << firstX << ", " << firstY << ") "
                            << std::hex << canvas.pixel(firstX, firstY) << " vs "
                            << whole.pixel(firstX, firstY) << std::dec << " partial " << !stats.wholeWindow;
  }
  EXPECT_GT(partial, 40) << "changes to a few controls should not redraw the whole window";

  // A frame with nothing changed draws nothing at all.
  canvas.renderer().draw(form);
  EXPECT_EQ(canvas.renderer().lastFrame().pixelsRedrawn, 0);
}

TEST_F(RendererTest, TextIsRasterisedAtTheRealSizeAndStaysInItsLabel) {
  if (!haveJapaneseFont()) GTEST_SKIP() << "no Japanese font installed";
  Label label(&form, "lbl");
  label.setFontName("ＭＳ Ｐゴシック");
  label.setFontBold(true);
  label.setCaption("漢字テスト");
  label.setBackColor(kWhite);
  label.Move(20, 20, 400, 200);

  label.setFontSize(12);
  canvas.renderer().draw(form);
  const Ink small = inkIn(canvas, 0, 0, 640, 480);
  label.setFontSize(24);
  canvas.renderer().draw(form);
  const Ink large = inkIn(canvas, 0, 0, 640, 480);
  ASSERT_GT(small.count, 0);
  // 12 pt at 96 dpi is 16 px: the glyphs are most of that high; twice the size, twice the height.
  EXPECT_GE(small.bottom - small.top + 1, 10);
  EXPECT_LE(small.bottom - small.top + 1, 17);
  EXPECT_NEAR(static_cast<double>(large.bottom - large.top + 1) / (small.bottom - small.top + 1), 2.0, 0.25);
  EXPECT_GE(small.left, 20);
  EXPECT_GE(small.top, 20);

  // On a screen with twice the pixels the same label is drawn with twice the glyph height, not scaled up.
  label.setFontSize(12);
  OffscreenTarget hidpi(1280, 960);
  hidpi.renderer().draw(form, nullptr, 2.0f);
  const Ink sharp = inkIn(hidpi, 0, 0, 1280, 960);
  EXPECT_NEAR(static_cast<double>(sharp.bottom - sharp.top + 1) / (small.bottom - small.top + 1), 2.0, 0.25);

  // A caption longer than the label wraps inside it and never draws outside it.
  label.setCaption("今日はいい天気ですね。明日もきっと晴れるでしょう。「そうだといいね」と彼女は言った。");
  label.Move(20, 20, 120, 60);
  canvas.renderer().draw(form);
  const Ink wrapped = inkIn(canvas, 0, 0, 640, 480);
  EXPECT_GE(wrapped.left, 20);
  EXPECT_LE(wrapped.right, 139);
  EXPECT_LE(wrapped.bottom, 79);
  EXPECT_GT(wrapped.bottom - wrapped.top, 30) << "expected several lines";
}

TEST_F(RendererTest, OptionButtonsShowTheirSelection) {
  OptionButton on(&form, "optChar", 0), off(&form, "optChar", 1);
  on.Move(0, 0, 200, 40);
  off.Move(0, 50, 200, 40);
  on.setValue(true);
  canvas.renderer().draw(form);
  // The mark is 13 px across, 2 px in from the left, centred down the button.
  EXPECT_EQ(canvas.pixel(8, 20), rgb(0, 0, 0));
  EXPECT_EQ(canvas.pixel(8, 70), kWhite);
}

TEST_F(RendererTest, AShadeDimsWhatLiesBehindByTheRuntimesBlendAndItsChildrenStayClear) {
  PictureBox behind(&form, "Pic");
  behind.setBackColor(kGreen);
  behind.Move(0, 0, 320, 480);
  Shade shade(&form, "shade");
  shade.setOpacity(160);
  shade.Move(0, 0, 640, 480);
  Label clear(&shade, "lbl");
  clear.setBackColor(kRed);
  clear.Move(400, 100, 50, 50);
  canvas.renderer().draw(form);

  // Channels may differ by one where SDL rounds its blend otherwise.
  const auto near = [](Color a, Color b) {
    return std::abs(redOf(a) - redOf(b)) <= 1 && std::abs(greenOf(a) - greenOf(b)) <= 1 &&
           std::abs(blueOf(a) - blueOf(b)) <= 1;
  };
  EXPECT_PRED2(near, canvas.pixel(100, 300), shadeBlend(kGreen, rgb(0, 0, 0), 160));
  EXPECT_PRED2(near, canvas.pixel(500, 300), shadeBlend(kWhite, rgb(0, 0, 0), 160));
  EXPECT_EQ(canvas.pixel(420, 120), kRed) << "what lies on the shade is not dimmed";
  shade.setVisible(false);
  canvas.renderer().draw(form);
  EXPECT_EQ(canvas.pixel(100, 300), kGreen);
}

TEST_F(RendererTest, TooltipsStayInsideTheWindow) {
  if (!haveJapaneseFont()) GTEST_SKIP() << "no Japanese font installed";
  const TooltipView tip{"左クリック：EASYモード／右クリック：HARDモード", 630, 470};
  canvas.renderer().draw(form, &tip);
  int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      if (canvas.pixel(x, y) != rgb(255, 255, 225)) continue;
      left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
      bottom = std::max(bottom, y);
    }
  }
  ASSERT_GE(right, 0) << "no tooltip drawn";
  EXPECT_LT(right, 639);  // the border lies outside the pale fill, still inside the window
  EXPECT_LT(bottom, 479);
  EXPECT_LT(bottom, 470) << "no room below the pointer: the tooltip goes above it";
  EXPECT_GT(right - left, 100);
}

// A scenario row may run to megabytes: the renderer lays out, rasterises and keeps only the lines the
// window shows of it, never a copy of the whole caption, and nothing below the window's bottom edge.
TEST_F(RendererTest, AHugeCaptionCostsOnlyWhatTheWindowShowsOfIt) {
  if (!haveJapaneseFont()) GTEST_SKIP() << "no Japanese font installed";
  std::string row;  // no two lines alike, so that every line shown is rasterised
  for (int i = 0; row.size() < (1u << 20); ++i) row += "あい" + std::to_string(i) + "うえお";
  std::string caption = row;
  for (int i = 1; i < 15; ++i) caption += "\r\n" + row;
  Label label(&form, "lbl");
  label.setFontSize(12);
  label.Move(0, 0, 640, 2000);  // far taller than the 480-pixel window
  label.setCaption(caption);
  canvas.renderer().draw(form);
  EXPECT_GT(inkIn(canvas, 0, 0, 640, 480).count, 0);
  // 12 pt lines are at least 16 px apart: at most 30 of them start inside the window.
  EXPECT_GT(canvas.renderer().lastFrame().linesRasterised, 0);
  EXPECT_LE(canvas.renderer().lastFrame().linesRasterised, 31);
  EXPECT_LT(canvas.renderer().cachedTextBytes(), 64u << 10) << "of a " << caption.size() << "-byte caption";
}

}  // namespace
