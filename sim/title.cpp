// The title screen and the start of a game: ShowTitle paints the title picture over the play area, and a
// mouse button on it chooses the difficulty, resets the per-game state and opens the opening scenario.
#include <cstdint>
#include <string>

#include "app/fom.h"
#include "audio/shared_routines.h"
#include "platform/runtime/app.h"
#include "platform/runtime/input.h"

namespace {

// A right click is HARD; every other button (left, middle, anything a mouse may report) is EASY.
using platform::kRightButton;

struct Preset {
  uint8_t dayLimit;
  int dayMs;
  int powerTickMs;
  int16_t drainStep;
};
constexpr Preset kEasy{100, 3000, 100, 3};
// The 1 ms power tick runs at the timer floor, which is the pace the fast mode was tuned to.
constexpr Preset kHard{31, 1000, 1, 5};

}  // namespace

void Fom::ShowTitle() {
  // Stop the game first so that no tick of any kind runs while the title is up; the music plays on.
  timSay.setEnabled(false);
  TimDay.setEnabled(false);
  timColor.setEnabled(false);

  // A scene picture shown earlier in the same step is painted before the title takes E over.
  finishPictureStep();
  const std::string path = ImgDir + "ttl.jpg";
  std::string error;
  if (!E.LoadPicture(path, &error, static_cast<int>(picStt.clientWidthPx() + 0.5f),
                     static_cast<int>(picStt.clientHeightPx() + 0.5f))) {
    // E keeps what it held; the player still gets a title area to click on.
    platform::reportProblem("cannot show the title picture " + path + ": " + error);
  }
  if (E.hasPicture()) {
    PaintFromBuffer(picStt);
  } else {
    picStt.Cls();
  }
  picStt.setVisible(true);
  SpeakTitle();
}

void Fom::StartGame(int16_t Button, int16_t /*Shift*/, float /*X*/, float /*Y*/) {
  SetUpGame(Button);
  StartScenario("opn");
}

void Fom::SetUpGame(int16_t Button) {
  const Preset& preset = Button == kRightButton ? kHard : kEasy;
  // Both timers are off here; EnterWishMode starts them once the opening hands over.
  DayLimit = preset.dayLimit;
  TimDay.setInterval(preset.dayMs);
  timColor.setInterval(preset.powerTickMs);
  DrainStep = preset.drainStep;

  // Her and him start afresh; the leaf power carries over from the last game.
  for (LoopVar = int64_t{0}; LoopVar.number() <= 1; LoopVar = LoopVar.number() + 1) {
    const auto index = static_cast<size_t>(LoopVar.number());
    EventCount[index] = 0;
    WishPower[index] = 0;
  }

  lblDay.setToolTipText("経過日数です／" + std::to_string(DayLimit) + "でゲーム終了です");
  lblDay.setCaption("1");  // the day number lives only in this caption
  lblStr.setCaption("");
  picStr.setBackColor(platform::rgb(0, 0, 0));
  // The leaf is wished for until the player clicks an option; the option shown stays as it was.
  SelectWishTarget(2);
  picStt.setVisible(false);
  // The history is of this game: the last game's pages, and the page its labels still show, are gone.
  // (The preview starts a game afresh from anywhere, the history open or not.)
  CloseHistory();
  History.clear();
}
