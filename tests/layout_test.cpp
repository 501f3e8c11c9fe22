// LayoutWindow: the 4:3 shape from the height with its 16-bit arithmetic, centring, the size floor, the
// fonts from the height, every placement and style, the label stacking, and the error guard.
#include "ui/layout.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/fom.h"
#include "audio/shared_routines.h"
#include "platform/runtime/event_loop.h"

namespace {

constexpr float kUnitTolerance = 1e-4f;

class Layout : public ::testing::Test {
 protected:
  // The window on a 1024 × 768 screen (15360 × 11520 twips), not yet loaded: setting its height runs the
  // layout, as start-up's does.
  std::unique_ptr<platform::EventLoop> loop_ = platform::EventLoop::manual();
  Fom fom_{*loop_};

  void expectFonts(float scene, float buttons, float day) {
    for (const auto& label : fom_.lbl) EXPECT_FLOAT_EQ(label.FontSize(), scene);
    for (const auto& option : fom_.optChar) EXPECT_FLOAT_EQ(option.FontSize(), buttons);
    EXPECT_FLOAT_EQ(fom_.lblDay.FontSize(), day);
  }

  void expectPlaced(const platform::Control& c, float left, float top, float width, float height) {
    SCOPED_TRACE(c.Name() + "(" + std::to_string(c.Index()) + ")");
    EXPECT_NEAR(c.Left(), left, kUnitTolerance);
    EXPECT_NEAR(c.Top(), top, kUnitTolerance);
    EXPECT_NEAR(c.Width(), width, kUnitTolerance);
    EXPECT_NEAR(c.Height(), height, kUnitTolerance);
  }
};

}  // namespace

TEST_F(Layout, WorkedExampleOnA1024By768Screen) {
  ASSERT_EQ(fom_.Me.ScreenWidth(), 15360);
  ASSERT_EQ(fom_.Me.ScreenHeight(), 11520);
  fom_.Me.setWindowHeight(9216);
  EXPECT_EQ(fom_.Me.WindowWidth(), 12288);
  EXPECT_EQ(fom_.Me.WindowLeft(), 1536);
  EXPECT_EQ(fom_.Me.WindowTop(), 1152);
  expectFonts(12, 24, 36);
}

TEST_F(Layout, HeightOverSixRoundsHalvesToEven) {
  fom_.Me.setWindowHeight(9009);  // 1501.5 -> 1502
  EXPECT_EQ(fom_.Me.WindowWidth(), 12016);
  EXPECT_EQ(fom_.Me.WindowLeft(), (15360 - 12016) / 2);
  fom_.Me.setWindowHeight(9015);  // 1502.5 -> 1502
  EXPECT_EQ(fom_.Me.WindowWidth(), 12016);
  fom_.Me.setWindowHeight(9003);  // 1500.5 -> 1500
  EXPECT_EQ(fom_.Me.WindowWidth(), 12000);
}

TEST_F(Layout, TallScreensGetA4By3CentredWindowToo) {
  fom_.Me.setWindowHeight(24570);  // r = 4095: the largest 8 × r that fits 16 bits
  EXPECT_EQ(fom_.Me.WindowWidth(), 32760);
  EXPECT_EQ(fom_.Me.WindowLeft(), (15360 - 32760) / 2);
  EXPECT_EQ(fom_.Me.WindowTop(), (11520 - 24570) / 2);
  expectFonts(27, 54, 81);

  // Past 16 bits the window still takes its 4:3 width and its place: a 3840 × 2160 screen at 96 dpi.
  fom_.Me.setScreenSizePx(3840, 2160);
  LoopVar = std::string("untouched?");
  fom_.Me.setWindowHeight(25920);  // 4/5 of 32400 twips
  EXPECT_EQ(fom_.Me.WindowWidth(), 34560);
  EXPECT_EQ(fom_.Me.WindowLeft(), (57600 - 34560) / 2);
  EXPECT_EQ(fom_.Me.WindowTop(), (32400 - 25920) / 2);
  EXPECT_EQ(LoopVar.number(), 3) << "stage 3 ran";
  expectFonts(28, 56, 84);
  // Halves still go to the even neighbour: 24573 / 6 = 4095.5 -> 4096.
  fom_.Me.setWindowHeight(24573);
  EXPECT_EQ(fom_.Me.WindowWidth(), 32768);
  // The largest screen a display offers, 7680 × 4320.
  fom_.Me.setScreenSizePx(7680, 4320);
  fom_.Me.setWindowHeight(51840);
  EXPECT_EQ(fom_.Me.WindowWidth(), 69120);
  EXPECT_EQ(fom_.Me.WindowLeft(), (115200 - 69120) / 2);
  expectFonts(54, 108, 162);
}

TEST_F(Layout, ScreensNarrowerThan16By15TakeTheWindowFromTheirWidth) {
  // A portrait 1000 × 3000 screen: start-up's height would make the window 3200 pixels wide.
  fom_.Me.setScreenSizePx(1000, 3000);
  fom_.Me.setWindowHeight(ui::initialWindowHeight(static_cast<float>(fom_.Me.ScreenHeight())));
  EXPECT_EQ(fom_.Me.WindowWidth(), 12000);  // 800 pixels, four fifths of the screen's width
  EXPECT_EQ(fom_.Me.WindowHeight(), 9000);
  EXPECT_EQ(fom_.Me.WindowLeft(), (15000 - 12000) / 2);
  EXPECT_EQ(fom_.Me.WindowTop(), (45000 - 9000) / 2);
  expectFonts(12, 24, 36);
  expectPlaced(fom_.optChar[2], 6, 2, 2, 1);
  // A window the player made smaller keeps its own 4:3 size there.
  fom_.Me.setWindowHeight(6000);
  EXPECT_EQ(fom_.Me.WindowWidth(), 8000);
  EXPECT_EQ(fom_.Me.WindowLeft(), (15000 - 8000) / 2);
  // Fullscreen starts from the screen's height; too wide for the screen, the window fills its width and
  // stands centred between bars above and below.
  fom_.Me.setFullscreen(true);
  EXPECT_EQ(fom_.Me.WindowWidth(), 15000);
  EXPECT_EQ(fom_.Me.WindowHeight(), 11250);
  EXPECT_EQ(fom_.Me.WindowLeft(), 0);
  EXPECT_EQ(fom_.Me.WindowTop(), (45000 - 11250) / 2);
  fom_.Me.setFullscreen(false);
  EXPECT_EQ(fom_.Me.WindowWidth(), 8000);
  EXPECT_EQ(fom_.Me.WindowHeight(), 6000);

  // Just narrower than 16:15: 1279 × 1200; four fifths of 19185 twips, halves to the even neighbour.
  fom_.Me.setScreenSizePx(1279, 1200);
  fom_.Me.setWindowHeight(14400);
  EXPECT_EQ(fom_.Me.WindowWidth(), 8 * 1918);
  EXPECT_EQ(fom_.Me.WindowHeight(), 6 * 1918);
  // Exactly 16:15 keeps the window from its height, as wide as the screen.
  fom_.Me.setScreenSizePx(1280, 1200);
  fom_.Me.setWindowHeight(14400);
  EXPECT_EQ(fom_.Me.WindowWidth(), 19200);
  EXPECT_EQ(fom_.Me.WindowHeight(), 14400);
  EXPECT_EQ(fom_.Me.WindowLeft(), 0);
}

TEST_F(Layout, FullscreenOnA5By4ScreenKeepsTheWholeWindowBetweenBars) {
  fom_.Me.setScreenSizePx(1280, 1024);
  fom_.Me.setWindowHeight(ui::initialWindowHeight(static_cast<float>(fom_.Me.ScreenHeight())));
  const float windowedWidth = fom_.Me.WindowWidth();
  EXPECT_LE(windowedWidth, fom_.Me.ScreenWidth()) << "four fifths of a 5:4 screen's height fits its width";
  fom_.Me.setFullscreen(true);
  EXPECT_EQ(fom_.Me.WindowWidth(), 19200);  // the screen's 1280 pixels, not 1365
  EXPECT_EQ(fom_.Me.WindowHeight(), 14400);
  EXPECT_EQ(fom_.Me.WindowLeft(), 0);
  EXPECT_EQ(fom_.Me.WindowTop(), (15360 - 14400) / 2);
  fom_.Me.setFullscreen(false);
  EXPECT_EQ(fom_.Me.WindowWidth(), windowedWidth);
}

TEST_F(Layout, BelowEightHundredTwipsOnlyShapesAndCentres) {
  fom_.Me.setWindowHeight(9216);
  fom_.lblStr.setCaption("1／2／3");
  const platform::RectF pic = fom_.Pic.pixelRect();

  fom_.Me.setWindowHeight(799);
  EXPECT_EQ(fom_.Me.WindowWidth(), 1064);  // round(133.17) × 8
  EXPECT_EQ(fom_.Me.WindowLeft(), (15360 - 1064) / 2);
  expectFonts(12, 24, 36);
  EXPECT_EQ(fom_.lblStr.Caption(), "1／2／3");
  EXPECT_FLOAT_EQ(fom_.Pic.pixelRect().w, pic.w);

  fom_.Me.setWindowHeight(800);
  EXPECT_EQ(fom_.lblStr.Caption(), "彼女／彼／葉っぱ");
  expectFonts(3, 6, 9);
  fom_.Me.setWindowHeight(999);
  expectFonts(3, 6, 9);
  fom_.Me.setWindowHeight(1000);
  expectFonts(4, 8, 12);
}

TEST_F(Layout, PlacesAndStylesEveryControl) {
  const platform::Color white = platform::rgb(255, 255, 255), paleBlue = platform::rgb(155, 200, 228);
  // Things the layout must leave alone.
  fom_.lbl[1].setCaption("page");
  fom_.lblDay.setCaption("7");
  fom_.picStr.setBackColor(platform::rgb(10, 20, 30));
  fom_.picStt.setVisible(false);
  fom_.optChar[0].setValue(true);

  fom_.Me.setFramePx(4, 30, 4, 4);
  fom_.Me.setWindowHeight(9216);
  const float clientW = 12288 / 15.0f - 8, clientH = 9216 / 15.0f - 34;
  EXPECT_FLOAT_EQ(fom_.Me.clientWidthPx(), clientW);
  EXPECT_FLOAT_EQ(fom_.Me.clientHeightPx(), clientH);

  EXPECT_FLOAT_EQ(fom_.Me.ScaleLeft(), -0.05f);
  EXPECT_FLOAT_EQ(fom_.Me.ScaleTop(), -0.05f);
  EXPECT_FLOAT_EQ(fom_.Me.ScaleWidth(), 8.1f);
  EXPECT_FLOAT_EQ(fom_.Me.ScaleHeight(), 6.1f);
  EXPECT_EQ(fom_.Me.BackColor(), white);

  expectPlaced(fom_.picStt, 0, 0, 8, 6);
  EXPECT_NEAR(fom_.picStt.pixelRect().x, 0.05f * clientW / 8.1f, 1e-3);  // the margin, in pixels
  EXPECT_NEAR(fom_.picStt.pixelRect().h, 6 * clientH / 6.1f, 1e-3);
  EXPECT_FALSE(fom_.picStt.BorderStyle());
  EXPECT_EQ(fom_.picStt.BackColor(), white);
  EXPECT_EQ(fom_.picStt.ToolTipText(), "左クリック：EASYモード／右クリック：HARDモード");

  expectPlaced(fom_.Pic, 0, 0, 6, 6);
  EXPECT_FLOAT_EQ(fom_.Pic.ScaleWidth(), 1);
  EXPECT_FLOAT_EQ(fom_.Pic.ScaleHeight(), 1);
  EXPECT_FALSE(fom_.Pic.BorderStyle());
  EXPECT_EQ(fom_.Pic.BackColor(), white);

  for (int i = 0; i < 3; ++i) {
    expectPlaced(fom_.lbl[i], 0.001f * i, 0.001f * i, 1, 1);
    EXPECT_FALSE(fom_.lbl[i].BackStyleOpaque());
    expectPlaced(fom_.optChar[i], 6, static_cast<float>(i), 2, 1);
    EXPECT_EQ(fom_.optChar[i].BackColor(), white);
    EXPECT_EQ(fom_.optChar[i].ForeColor(), paleBlue);
    EXPECT_EQ(fom_.optChar[i].ToolTipText(), "願いをかけます。葉っぱの力が５０以上ないと、願いは通じません");
  }
  expectPlaced(fom_.lblDay, 6, 3, 2, 1);
  EXPECT_FALSE(fom_.lblDay.BackStyleOpaque());
  EXPECT_FALSE(fom_.lblDay.BorderStyle());
  EXPECT_EQ(fom_.lblDay.ForeColor(), paleBlue);
  expectPlaced(fom_.lblStr, 6, 4, 2, 0.3f);
  EXPECT_FALSE(fom_.lblStr.BackStyleOpaque());
  EXPECT_FALSE(fom_.lblStr.BorderStyle());
  EXPECT_EQ(fom_.lblStr.ForeColor(), paleBlue);
  EXPECT_EQ(fom_.lblStr.Caption(), "彼女／彼／葉っぱ");
  expectPlaced(fom_.picStr, 6, 4.3f, 2, 1.3f);
  EXPECT_NEAR(fom_.picStr.Top() + fom_.picStr.Height(), 5.6f, kUnitTolerance) << "nothing below 5.6";
  EXPECT_FALSE(fom_.picStr.BorderStyle());
  EXPECT_EQ(fom_.picStr.ToolTipText(), "赤：彼女／青：彼／緑：葉っぱ");

  EXPECT_EQ(fom_.lbl[1].Caption(), "page");
  EXPECT_EQ(fom_.lblDay.Caption(), "7");
  EXPECT_EQ(fom_.picStr.BackColor(), platform::rgb(10, 20, 30));
  EXPECT_FALSE(fom_.picStt.Visible());
  EXPECT_TRUE(fom_.optChar[0].Value());
  EXPECT_FALSE(fom_.optChar[2].Value());
  EXPECT_FALSE(fom_.E.Visible());
}

TEST_F(Layout, StacksTheSceneLabelsWhiteOverMagentaOverBlack) {
  fom_.lbl[2].ZOrderFront();
  fom_.lbl[0].ZOrderFront();  // scrambled: 1, 2, 0
  LoopVar = std::string("text");
  fom_.Me.setWindowHeight(9216);

  EXPECT_EQ(fom_.Pic.children(), (std::vector<platform::Control*>{&fom_.lbl[0], &fom_.lbl[1], &fom_.lbl[2]}));
  EXPECT_EQ(fom_.lbl[0].ForeColor(), platform::rgb(0, 0, 0));
  EXPECT_EQ(fom_.lbl[1].ForeColor(), platform::rgb(255, 0, 255));
  EXPECT_EQ(fom_.lbl[2].ForeColor(), platform::rgb(255, 255, 255));
  EXPECT_NEAR(fom_.lbl[2].Left() - fom_.lbl[0].Left(), 0.002f, 1e-6);
  EXPECT_NEAR(fom_.lbl[2].Top() - fom_.lbl[0].Top(), 0.002f, 1e-6);
  EXPECT_GT(fom_.lbl[2].pixelRect().x, fom_.lbl[0].pixelRect().x);
  ASSERT_TRUE(LoopVar.isNumber());
  EXPECT_EQ(LoopVar.number(), 3);
}

TEST_F(Layout, PixelScaleOnThePictureKeepsLabelsUntilTheNextLayout) {
  fom_.Me.setWindowHeight(9216);
  const platform::RectF label = fom_.lbl[1].pixelRect();
  fom_.Pic.setScaleModePixels();  // as painting a picture does
  EXPECT_FLOAT_EQ(fom_.lbl[1].pixelRect().x, label.x);
  EXPECT_FLOAT_EQ(fom_.lbl[1].pixelRect().w, label.w);
  EXPECT_FLOAT_EQ(fom_.Pic.ScaleWidth(), fom_.Pic.pixelRect().w);

  fom_.Me.setWindowHeight(10800);
  EXPECT_FLOAT_EQ(fom_.Pic.ScaleWidth(), 1);
  expectPlaced(fom_.lbl[1], 0.001f, 0.001f, 1, 1);
  EXPECT_GT(fom_.lbl[1].pixelRect().w, label.w);
}

// ---- The error guard ----

TEST_F(Layout, AWindowThatRefusesToMoveKeepsItsPlaceAndIsStillLaidOut) {
  fom_.Me.setWindowHeight(9216);
  fom_.Me.setWindowState(platform::WindowState::Maximized);
  fom_.Me.externalGeometry(0, 0, 1024, 740);  // the window manager maximises it
  EXPECT_EQ(fom_.Me.WindowWidth(), 1024 * 15);
  EXPECT_EQ(fom_.Me.WindowLeft(), 0);
  EXPECT_EQ(fom_.Me.WindowTop(), 0);
  expectFonts(14, 28, 42);  // 11100 twips high
  expectPlaced(fom_.picStt, 0, 0, 8, 6);
  EXPECT_NEAR(fom_.picStt.pixelRect().w, 8 * 1024 / 8.1f, 1e-3);
}

TEST_F(Layout, AFailureTheGuardCannotCatchIsNamedAndEndsTheLayout) {
  fom_.Me.setWindowHeight(900);
  ASSERT_EQ(fom_.Me.WindowWidth(), 1200);
  expectFonts(3, 6, 9);

  // A caption bar taller than the window leaves no client area to spread the units over: stage 3 fails,
  // runs once more, fails again, and the layout gives up without touching anything.
  testing::internal::CaptureStderr();
  fom_.Me.setFramePx(0, 60, 0, 0);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("layout"), std::string::npos) << err;
  EXPECT_EQ(err.find("layout"), err.rfind("layout")) << "named once: " << err;
  EXPECT_EQ(fom_.Me.WindowWidth(), 1200);

  // An absurd height: stage 1 still shapes the window, and stage 3 meets a point size no font has, on
  // its first run and on the rerun the guard allows (named by the layout the width change raised too).
  fom_.Me.setFramePx(0, 0, 0, 0);
  testing::internal::CaptureStderr();
  fom_.Me.setWindowHeight(3'000'000);
  err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("layout"), std::string::npos) << err;
  EXPECT_EQ(fom_.Me.WindowWidth(), 4'000'000);
  expectFonts(3, 6, 9);
}
