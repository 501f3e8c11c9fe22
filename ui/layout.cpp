// LayoutWindow: keeps the window 4:3 and centred, and places and styles every visible control in the
// window's 8 × 6 logical units, with every font scaled from the window height.
#include "ui/layout.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "app/fom.h"
#include "audio/shared_routines.h"
#include "platform/runtime/app.h"

namespace {

// The old language's arithmetic failures, raised where its 16-bit integers overflowed.
struct Overflow {};

int16_t checked16(double v) {
  if (!(v >= -32768.0 && v <= 32767.0)) throw Overflow{};
  return static_cast<int16_t>(v);
}

// CInt: to the nearest integer, halves to the even neighbour.
int32_t roundHalfEven(double v) { return static_cast<int32_t>(std::nearbyint(v)); }

const platform::Color kWhite = platform::rgb(255, 255, 255);
const platform::Color kPaleBlue = platform::rgb(155, 200, 228);
const platform::Color kLabelColours[3] = {platform::rgb(0, 0, 0), platform::rgb(255, 0, 255),
                                          platform::rgb(255, 255, 255)};

}  // namespace

void Fom::LayoutWindow() {
  // The error guard catches one failure per run. A failure in stage 1 uses it up; otherwise it is still
  // armed in stage 3, where a failure sends the layout back to stage 2 for one more full pass. A failure
  // the guard can no longer catch ends the layout and is named on stderr.
  // Failures are the controls refusing a value (platform::PropertyError) and 16-bit overflows. Stage 1
  // fails while the window is minimised or maximised. Stage 3 fails when a
  // caption bar leaves the window no client area to spread the units over, or when the height is so large
  // that the fonts leave 16 bits or the point sizes a font can have; the same height fails the same way
  // on the rerun, so it ends named on stderr with the controls as far as the layout got.
  bool guardArmed = true;

  // Stage 1: a 4:3 window from its height, centred on the screen.
  try {
    double height = Me.WindowHeight();
    // In 32 bits: in 16, 8 × r overflowed from a height of 24573 twips (2048 pixels of screen at 96 dpi)
    // and the window kept its creation width, a sliver in the corner of a 4K screen.
    int32_t r = roundHalfEven(height / 6);
    int32_t width = 8 * r;
    Me.setWindowWidth(static_cast<float>(width));
    Me.setWindowLeft(static_cast<float>(Me.ScreenWidth() - Me.WindowWidth()) / 2);
    Me.setWindowTop(static_cast<float>(Me.ScreenHeight() - Me.WindowHeight()) / 2);
  } catch (const platform::PropertyError&) {
    guardArmed = false;
  }

  for (;;) {
    // Stage 2: too small a window is left as it is.
    if (Me.WindowHeight() < ui::kMinLayoutHeightTwips) return;

    // Stage 3.
    try {
      Me.setScale(ui::kScaleLeft, ui::kScaleTop, ui::kScaleWidth, ui::kScaleHeight);
      int16_t base = checked16(ui::basePointSize(Me.WindowHeight()));
      Me.setBackColor(kWhite);

      picStt.setBorderStyle(false);
      picStt.Move(0, 0, ui::kTitleWidth, ui::kTitleHeight);
      picStt.setBackColor(kWhite);
      picStt.setToolTipText("左クリック：EASYモード／右クリック：HARDモード");

      Pic.Move(0, 0, ui::kSceneSize, ui::kSceneSize);
      Pic.setScale(Pic.ScaleLeft(), Pic.ScaleTop(), 1, 1);
      Pic.setBorderStyle(false);
      Pic.setBackColor(kWhite);

      // Counted with the shared LoopVar, which the loop leaves one past its bound.
      for (LoopVar = 0; LoopVar.number() <= 2; LoopVar = LoopVar.number() + 1) {
        platform::Label& label = lbl[LoopVar.number()];
        float offset = 0.001f * static_cast<float>(LoopVar.number());
        label.Move(offset, offset, 1, 1);
        label.setBackStyleOpaque(false);
        label.setFontSize(base);
        label.ZOrderFront();  // upward, so lbl(2) ends on top
      }
      for (int i = 0; i < 3; ++i) lbl[i].setForeColor(kLabelColours[i]);

      for (int16_t i = 0; i <= 2; ++i) {
        optChar[i].Move(6, i, 2, 1);
        optChar[i].setFontSize(checked16(2.0 * base));
        optChar[i].setBackColor(kWhite);
        optChar[i].setForeColor(kPaleBlue);
        optChar[i].setToolTipText("願いをかけます。葉っぱの力が５０以上ないと、願いは通じません");
      }

      lblDay.Move(6, 3, 2, 1);
      lblDay.setFontSize(checked16(3.0 * base));
      lblDay.setBackStyleOpaque(false);
      lblDay.setBorderStyle(false);
      lblDay.setForeColor(kPaleBlue);

      lblStr.Move(6, 4, 2, 0.3f);
      lblStr.setBackStyleOpaque(false);
      lblStr.setBorderStyle(false);
      lblStr.setForeColor(kPaleBlue);
      lblStr.setCaption("彼女／彼／葉っぱ");

      picStr.setBorderStyle(false);
      picStr.Move(6, 4 + 0.3f, 2, Me.ScaleHeight() - 4 - 0.3f - 0.5f);
      picStr.setToolTipText("赤：彼女／青：彼／緑：葉っぱ");
      return;
    } catch (const Overflow&) {
      if (guardArmed) {
        guardArmed = false;
        continue;
      }
      platform::reportProblem("the window layout overflowed at a height of " +
                              std::to_string(Me.WindowHeight()) + " twips; the controls keep their places");
      return;
    } catch (const platform::PropertyError& e) {
      if (guardArmed) {
        guardArmed = false;
        continue;
      }
      platform::reportProblem(std::string("the window layout stopped: ") + e.what());
      return;
    }
  }
}
