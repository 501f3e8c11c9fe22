// LayoutWindow: keeps the window 4:3, on the screen and centred, and places and styles every visible control
// in the window's 8 × 6 logical units, with every font scaled from the window height.
#include "ui/layout.h"

#include <cmath>
#include <cstdint>
#include <optional>
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

// Runs one stage under the layout's guard: the failure that stopped it, worded for stderr, or nothing.
// Failures are the controls refusing a value (platform::PropertyError) and 16-bit overflows.
template <typename Stage>
std::optional<std::string> stageFailure(const platform::Form& window, Stage&& stage) {
  try {
    stage();
    return std::nullopt;
  } catch (const Overflow&) {
    return "the window layout overflowed at a height of " + std::to_string(window.WindowHeight()) +
           " twips; the controls keep their places";
  } catch (const platform::PropertyError& e) {
    return std::string("the window layout stopped: ") + e.what();
  }
}

// A screen narrower than 16:15, a portrait one above all, is too narrow for a 4:3 window four fifths of
// its height high.
bool narrowerThan16By15(const platform::Form& window) {
  return int64_t{window.ScreenWidth()} * 15 < int64_t{window.ScreenHeight()} * 16;
}

// Stage 1: a 4:3 window from its height, centred on the screen. Fails while the window is minimised or
// maximised.
void shapeWindow(platform::Form& window) {
  const double height = window.WindowHeight();
  // In 32 bits: in 16, 8 × r overflowed from a height of 24573 twips (2048 pixels of screen at 96 dpi)
  // and the window kept its creation width, a sliver in the corner of a 4K screen.
  int32_t r = roundHalfEven(height / 6);
  if (window.fullscreen() && 8 * r > window.ScreenWidth()) {
    // Fullscreen on a screen narrower than 4:3 (5:4, portrait): the game's window fills the screen's
    // width and stands centred between bars above and below, rather than losing its sides.
    r = window.ScreenWidth() / 8;
    window.setWindowHeight(static_cast<float>(6 * r));
  } else if (narrowerThan16By15(window) && 8 * r > window.ScreenWidth()) {
    // Wider than such a screen, the window would put the text and the wish buttons off it: it takes four
    // fifths of the screen's width instead, still 4:3. Its new height lays it out once more from within
    // (to the same result).
    r = roundHalfEven(window.ScreenWidth() / 10.0);
    window.setWindowHeight(static_cast<float>(6 * r));
  }
  const int32_t width = 8 * r;
  window.setWindowWidth(static_cast<float>(width));
  window.setWindowLeft(static_cast<float>(window.ScreenWidth() - window.WindowWidth()) / 2);
  window.setWindowTop(static_cast<float>(window.ScreenHeight() - window.WindowHeight()) / 2);
}

// The title picture over the whole play area, and the scene picture with the three text labels on it.
void placeScene(Fom& fom, int16_t base) {
  fom.picStt.setBorderStyle(false);
  fom.picStt.Move(0, 0, ui::kTitleWidth, ui::kTitleHeight);
  fom.picStt.setBackColor(kWhite);
  fom.picStt.setToolTipText("左クリック：EASYモード／右クリック：HARDモード");

  fom.Pic.Move(0, 0, ui::kSceneSize, ui::kSceneSize);
  fom.Pic.setScale(fom.Pic.ScaleLeft(), fom.Pic.ScaleTop(), 1, 1);
  fom.Pic.setBorderStyle(false);
  fom.Pic.setBackColor(kWhite);

  // Counted with the shared LoopVar, which the loop leaves one past its bound.
  for (LoopVar = 0; LoopVar.number() <= 2; LoopVar = LoopVar.number() + 1) {
    platform::Label& label = fom.lbl[LoopVar.number()];
    float offset = 0.001f * static_cast<float>(LoopVar.number());
    label.Move(offset, offset, 1, 1);
    label.setBackStyleOpaque(false);
    label.setFontSize(base);
    label.ZOrderFront();  // upward, so lbl(2) ends on top
  }
  for (int i = 0; i < 3; ++i) fom.lbl[i].setForeColor(kLabelColours[i]);
}

// The column right of the scene: the three wish buttons, the day, the powers' caption and swatch.
void placeSideColumn(Fom& fom, int16_t base) {
  for (int16_t i = 0; i <= 2; ++i) {
    fom.optChar[i].Move(6, i, 2, 1);
    fom.optChar[i].setFontSize(checked16(2.0 * base));
    fom.optChar[i].setBackColor(kWhite);
    fom.optChar[i].setForeColor(kPaleBlue);
    fom.optChar[i].setToolTipText("願いをかけます。葉っぱの力が５０以上ないと、願いは通じません");
  }

  fom.lblDay.Move(6, 3, 2, 1);
  fom.lblDay.setFontSize(checked16(3.0 * base));
  fom.lblDay.setBackStyleOpaque(false);
  fom.lblDay.setBorderStyle(false);
  fom.lblDay.setForeColor(kPaleBlue);

  fom.lblStr.Move(6, 4, 2, 0.3f);
  fom.lblStr.setBackStyleOpaque(false);
  fom.lblStr.setBorderStyle(false);
  fom.lblStr.setForeColor(kPaleBlue);
  fom.lblStr.setCaption("彼女／彼／葉っぱ");

  fom.picStr.setBorderStyle(false);
  fom.picStr.Move(6, 4 + 0.3f, 2, fom.Me.ScaleHeight() - 4 - 0.3f - 0.5f);
  fom.picStr.setToolTipText("赤：彼女／青：彼／緑：葉っぱ");
}

// The text history over the whole window, its page where the scene's text stands and in the same look,
// and which page it is at the foot of the side column.
void placeHistory(Fom& fom, int16_t base) {
  const platform::Form& me = fom.Me;
  fom.histShade.Move(me.ScaleLeft(), me.ScaleTop(), me.ScaleWidth(), me.ScaleHeight());
  fom.histShade.setScale(me.ScaleLeft(), me.ScaleTop(), me.ScaleWidth(), me.ScaleHeight());
  for (int i = 0; i < 3; ++i) {
    // The shade's client area is the window's: the page lies exactly over the scene's text.
    fom.histLbl[i].setPixelRect(fom.lbl[i].windowRect());
    fom.histLbl[i].setFontSize(base);
    fom.histLbl[i].setForeColor(kLabelColours[i]);
  }
  fom.histPos.Move(6, 5.6f, 2, 0.45f);
  fom.histPos.setFontSize(base);
  fom.histPos.setForeColor(kWhite);
}

// Stage 3: the logical units, then every control, with the fonts from the window height. Fails when a
// caption bar leaves the window no client area to spread the units over, or when the height is so large
// that the fonts leave 16 bits or the point sizes a font can have.
void placeControls(Fom& fom) {
  fom.Me.setScale(ui::kScaleLeft, ui::kScaleTop, ui::kScaleWidth, ui::kScaleHeight);
  const int16_t base = checked16(ui::basePointSize(fom.Me.WindowHeight()));
  fom.Me.setBackColor(kWhite);
  placeScene(fom, base);
  placeSideColumn(fom, base);
  placeHistory(fom, base);
}

}  // namespace

void Fom::LayoutWindow() {
  // The guard catches one failure per run. A failure in stage 1 uses it up; otherwise it is still armed
  // in stage 3, where a failure sends the layout back to stage 2 for one more full pass. The same height
  // fails the same way on that pass, so a failure the guard can no longer catch ends the layout, named
  // on stderr, with the controls as far as it got.
  const bool guardArmed = !stageFailure(Me, [this] { shapeWindow(Me); });
  for (int passesLeft = guardArmed ? 2 : 1; passesLeft > 0; --passesLeft) {
    // Stage 2: too small a window is left as it is.
    if (Me.WindowHeight() < ui::kMinLayoutHeightTwips) return;
    const std::optional<std::string> failure = stageFailure(Me, [this] { placeControls(*this); });
    if (!failure) return;
    if (passesLeft == 1) platform::reportProblem(*failure);
  }
}
