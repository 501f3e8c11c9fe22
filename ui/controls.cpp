// The window fom and its control set in the state they have when the window is created, the window's icon,
// and the wiring of every notification to the handler that answers it.
#include <cmath>

#include "app/fom.h"
#include "platform/media/image.h"

namespace {

constexpr const char* kSceneFont = "ＭＳ Ｐゴシック";
constexpr int kShiftJisCharset = 128;

uint32_t argb(int a, int r, int g, int b) {
  return (static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(r) << 16) |
         (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
}

// A small paper lantern on a dark ground: handle ring, bronze caps, a glowing ribbed body.
platform::Image lanternIcon() {
  constexpr int kSize = 32;
  platform::Image icon;
  icon.width = kSize;
  icon.height = kSize;
  icon.pixels.assign(kSize * kSize, argb(0, 0, 0, 0));
  auto put = [&](int x, int y, uint32_t c) {
    if (x >= 0 && y >= 0 && x < kSize && y < kSize) icon.pixels[y * kSize + x] = c;
  };
  const uint32_t bronze = argb(255, 92, 58, 26);
  const uint32_t bronzeLight = argb(255, 150, 100, 45);

  for (int a = 0; a <= 180; a += 3) {  // the handle: the upper half of a ring
    double t = a * 3.14159265358979 / 180.0;
    put(static_cast<int>(std::lround(16 + 4.5 * std::cos(t))),
        static_cast<int>(std::lround(7 - 4.5 * std::sin(t))), bronze);
  }
  for (int y = 7; y <= 9; ++y) {
    for (int x = 9; x <= 22; ++x) put(x, y, y == 7 ? bronzeLight : bronze);
  }
  for (int y = 10; y <= 24; ++y) {
    // The body bulges in the middle rows.
    double bulge = std::sin((y - 9.5) * 3.14159265358979 / 15.5);
    int half = static_cast<int>(std::lround(5 + 3 * bulge));
    for (int x = 16 - half; x < 16 + half; ++x) {
      double dx = (x + 0.5 - 16) / (half + 0.5), dy = (y - 17.0) / 8.0;
      double glow = std::clamp(1.0 - std::sqrt(dx * dx + dy * dy), 0.0, 1.0);
      int r = static_cast<int>(225 + 30 * glow), g = static_cast<int>(105 + 130 * glow),
          b = static_cast<int>(30 + 110 * glow * glow);
      bool rib = (x == 16 - half / 2 - 1 || x == 16 + half / 2) || (y % 4 == 1);
      if (rib) r -= 40, g -= 40, b = std::max(0, b - 20);
      put(x, y, argb(255, r, g, b));
    }
  }
  for (int y = 25; y <= 27; ++y) {
    for (int x = 9; x <= 22; ++x) put(x, y, y == 25 ? bronzeLight : bronze);
  }
  for (int x = 13; x <= 18; ++x) put(x, 28, bronze);  // the tassel's knot
  for (int y = 29; y <= 31; ++y) put(16, y, argb(255, 200, 40, 40));
  return icon;
}

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
      picStt(&Me, "picStt"),  // created last, so it lies in front of everything
      timSay(loop, 100, false),
      timColor(loop, 100, false),
      TimDay(loop, 3000, false),
      BgmTim(loop, 1, true) {
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

  Me.onLoad = [this] { StartUp(); };
  Me.onResize = [this] { LayoutWindow(); };
  Me.onActivate = [this] { ShowTitle(); };
  Me.onUnload = [this](int16_t& cancel) { ShutDown(cancel); };
  Me.onKeyDown = [this](int16_t& keyCode, int16_t shift) { Form_KeyDown(keyCode, shift); };
  picStt.onMouseDown = [this](int16_t button, int16_t shift, float x, float y) {
    StartGame(button, shift, x, y);
  };
  for (auto& label : lbl) label.onClick = [this](int16_t index) { lbl_Click(index); };
  for (auto& option : optChar) option.onClick = [this](int16_t index) { SelectWishTarget(index); };
  timSay.onTick = [this] { timSay_Timer(); };
  timColor.onTick = [this] { timColor_Timer(); };
  TimDay.onTick = [this] { TimDay_Timer(); };
  BgmTim.onTick = [this] { PollBgm(); };
}
