// The window fom and its control set in the state they have when the window is created, its icon,
// and the wiring of every notification to the handler that answers it.
#include "app/fom.h"
#include "platform/media/image.h"
#include "ui/icon.h"

namespace {

constexpr const char* kSceneFont = "ＭＳ Ｐゴシック";
constexpr int kShiftJisCharset = 128;

}  // namespace

Fom::Fom(platform::EventLoop& loop)
    : Me("fom"),
      picStr(&Me, "picStr"),
      Pic(&Me, "Pic"),
      lbl{{&Pic, "lbl", 0}, {&Pic, "lbl", 1}, {&Pic, "lbl", 2}},
      E(&Me, "E"),
      lblDay(&Me, "lblDay"),
      lblStr(&Me, "lblStr"),
      optChar{{&Me, "optChar", 0}, {&Me, "optChar", 1}, {&Me, "optChar", 2}},
      histShade(&Me, "histShade"),
      histLbl{{&histShade, "histLbl", 0}, {&histShade, "histLbl", 1}, {&histShade, "histLbl", 2}},
      histPos(&histShade, "histPos"),
      picStt(&Me, "picStt"),  // in front of everything the game shows
      lblMute(&Me, "lblMute"),
      timSay(loop, 100, false),
      timColor(loop, 100, false),
      TimDay(loop, 3000, false),
      BgmTim(loop, 1, true),
      timMute(loop, 1500, false) {
  // The game's pictures are JPEG files, decoded by the media backend.
  platform::installPictureDecoder();
  Me.setCaption("Lanternfall");
  Me.setIcon(lanternIcon());

  picStr.setTabIndex(3);
  Pic.setTabIndex(4);
  E.setTabIndex(5);
  E.setVisible(false);  // the load buffer: never shown
  picStt.setTabIndex(8);

  for (int i = 0; i < 3; ++i) {
    lbl[i].setCaption("Label1");
    lbl[i].setFontName(kSceneFont);
    lbl[i].setFontBold(true);
    lbl[i].setFontSize(9);
    lbl[i].setFontCharset(kShiftJisCharset);
    lbl[i].setTabIndex(9 + i);
  }
  lblDay.setCaption("Label1");
  lblDay.setBorderStyle(true);
  lblDay.setTabIndex(0);
  lblStr.setCaption("Label1");
  lblStr.setBorderStyle(true);
  lblStr.setTabIndex(7);

  optChar[0].setCaption("彼女を願う");
  optChar[1].setCaption("彼を願う");
  optChar[2].setCaption("葉っぱの力");
  optChar[0].setTabIndex(1);
  optChar[1].setTabIndex(2);
  optChar[2].setTabIndex(6);
  optChar[2].setValue(true);

  histShade.setVisible(false);
  histShade.setOpacity(160);
  for (platform::Label* label : {&histLbl[0], &histLbl[1], &histLbl[2], &histPos}) {
    label->setCaption("");
    label->setFontName(kSceneFont);
    label->setFontBold(true);
    label->setFontCharset(kShiftJisCharset);
    label->setBackStyleOpaque(false);
  }

  Me.onLoad = [this] { StartUp(); };
  Me.onResize = [this] { LayoutWindow(); };
  Me.onActivate = [this] { ShowTitle(); };
  Me.onUnload = [this](int16_t& cancel) { ShutDown(cancel); };
  Me.onKeyDown = [this](int16_t& keyCode, int16_t shift) { Form_KeyDown(keyCode, shift); };
  Me.onKeyUp = [this](int16_t& keyCode, int16_t shift) { Form_KeyUp(keyCode, shift); };
  Me.onMouseWheel = [this](int16_t steps, int16_t shift, float x, float y) {
    Form_MouseWheel(steps, shift, x, y);
  };
  histShade.onMouseDown = [this](int16_t button, int16_t shift, float x, float y) {
    histShade_MouseDown(button, shift, x, y);
  };
  picStt.onMouseDown = [this](int16_t button, int16_t shift, float x, float y) {
    StartGame(button, shift, x, y);
  };
  for (auto& label : lbl) label.onClick = [this](int16_t index) { lbl_Click(index); };
  for (auto& option : optChar) {
    option.onClick = [this](int16_t index) {
      SelectWishTarget(index);
      SpeakChosenWish(index);
    };
  }
  timSay.onTick = [this] { timSay_Timer(); };
  timColor.onTick = [this] { timColor_Timer(); };
  TimDay.onTick = [this] { TimDay_Timer(); };
  BgmTim.onTick = [this] { PollBgm(); };
  lblMute.setVisible(false);
  timMute.onTick = [this] { timMute_Timer(); };
  lblMute.onClick = [this](int16_t) { lblMute_Click(); };
}
