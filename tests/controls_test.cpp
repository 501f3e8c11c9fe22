// The retained controls and the game's control set: geometry in scale units, redraw bookkeeping, the
// window's notifications, option groups, label clicks, and the state of every control at creation.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/fom.h"
#include "platform/runtime/event_loop.h"
#include "platform/runtime/form.h"
#include "platform/runtime/label.h"
#include "platform/runtime/option_button.h"
#include "platform/runtime/picture_box.h"
#include "tests/support/game_harness.h"
#include "ui/icon.h"

using platform::Control;
using platform::Form;
using platform::Label;
using platform::OptionButton;
using platform::PictureBox;
using platform::PropertyError;

namespace {

// A window 900 × 630 px outer with a 30 px caption bar: client 900 × 600.
void sizeWindow(Form& form) {
  form.setFramePx(0, 30, 0, 0);
  form.setWindowWidth(900 * 15);
  form.setWindowHeight(630 * 15);
}

}  // namespace

TEST(Controls, ScaleUnitsReadBackAndSwitchingToPixelsKeepsChildren) {
  Form form("f");
  sizeWindow(form);
  ASSERT_FLOAT_EQ(form.clientWidthPx(), 900);
  ASSERT_FLOAT_EQ(form.clientHeightPx(), 600);

  PictureBox box(&form, "box");
  Label inside(&box, "inside");
  form.setScale(-1, -1, 9, 6);  // 100 px per unit
  box.Move(0, 1, 3, 2);         // pixels 100, 200, 300 × 200
  EXPECT_FLOAT_EQ(box.pixelRect().x, 100);
  EXPECT_FLOAT_EQ(box.pixelRect().y, 200);
  EXPECT_FLOAT_EQ(box.pixelRect().w, 300);
  EXPECT_FLOAT_EQ(box.pixelRect().h, 200);
  EXPECT_FLOAT_EQ(box.Left(), 0);
  EXPECT_FLOAT_EQ(box.Top(), 1);
  EXPECT_FLOAT_EQ(box.Width(), 3);

  box.setScale(0, 0, 1, 1);
  inside.Move(0.5f, 0.25f, 0.5f, 0.5f);
  const platform::RectF before = inside.pixelRect();
  EXPECT_FLOAT_EQ(before.x, 150);
  EXPECT_FLOAT_EQ(before.y, 50);

  box.setScaleModePixels();
  EXPECT_TRUE(box.scaleIsPixels());
  EXPECT_FLOAT_EQ(box.ScaleWidth(), 300);
  EXPECT_FLOAT_EQ(box.ScaleHeight(), 200);
  EXPECT_FLOAT_EQ(inside.pixelRect().x, before.x);
  EXPECT_FLOAT_EQ(inside.pixelRect().w, before.w);
  EXPECT_FLOAT_EQ(inside.Left(), 150);  // read back in the parent's units as they are now
  EXPECT_FLOAT_EQ(inside.Width(), 150);

  EXPECT_FLOAT_EQ(inside.windowRect().x, 250);
  EXPECT_FLOAT_EQ(inside.windowRect().y, 250);

  // A border takes a pixel on each side of a picture box's client area, and the children sit inside it.
  box.setBorderStyle(true);
  EXPECT_FLOAT_EQ(box.clientWidthPx(), 298);
  EXPECT_FLOAT_EQ(inside.windowRect().x, 251);
}

TEST(Controls, SettersRefuseInvalidValues) {
  Form form("f");
  sizeWindow(form);
  Label label(&form, "l");
  EXPECT_THROW(label.Move(0, 0, -1, 1), PropertyError);
  EXPECT_THROW(label.setFontSize(0), PropertyError);
  EXPECT_THROW(label.setFontSize(4000), PropertyError);
  EXPECT_THROW(form.setScale(0, 0, 0, 6), PropertyError);
  EXPECT_THROW(form.setWindowHeight(-15), PropertyError);

  PictureBox empty(&form, "empty");  // no client area: a scale could place nothing
  EXPECT_THROW(empty.setScale(0, 0, 1, 1), PropertyError);

  form.setWindowState(platform::WindowState::Maximized);
  try {
    form.setWindowWidth(100 * 15);
    FAIL() << "a maximised window was sized";
  } catch (const PropertyError& e) {
    EXPECT_EQ(e.number(), platform::kErrCannotMoveWhileMinMax);
  }
  EXPECT_EQ(form.WindowWidth(), 900 * 15);
}

TEST(Controls, EveryChangeMarksTheWindowOnceAndNoChangeMarksNothing) {
  Form form("f");
  sizeWindow(form);
  PictureBox box(&form, "box");
  Label label(&box, "label");
  OptionButton a(&form, "a", 0), b(&form, "b", 1);

  auto changes = [&](auto&& change) {
    uint64_t before = form.changeSerial();
    change();
    return form.changeSerial() - before;
  };
  EXPECT_EQ(changes([&] { label.setCaption("x"); }), 1u);
  EXPECT_EQ(changes([&] { label.setCaption("x"); }), 0u);
  EXPECT_EQ(changes([&] { label.setForeColor(platform::rgb(1, 2, 3)); }), 1u);
  EXPECT_EQ(changes([&] { label.setFontSize(12); }), 1u);
  EXPECT_EQ(changes([&] { label.setBackStyleOpaque(false); }), 1u);
  EXPECT_EQ(changes([&] { label.setVisible(false); }), 1u);
  EXPECT_EQ(changes([&] { box.Move(1, 2, 3, 4); }), 1u);
  EXPECT_EQ(changes([&] { box.Move(1, 2, 3, 4); }), 0u);
  EXPECT_EQ(changes([&] { box.setToolTipText("tip"); }), 1u);
  EXPECT_EQ(changes([&] { form.setCaption("c"); }), 1u);
  EXPECT_GE(changes([&] { a.setValue(true); }), 1u);
  EXPECT_EQ(changes([&] { a.setValue(true); }), 0u);
  EXPECT_EQ(changes([&] { box.Cls(); }), 0u);  // nothing retained: nothing to clear
}

TEST(Controls, FormRaisesResizeInsideTheSizeSetterOnlyForARealChange) {
  Form form("f");
  std::vector<int32_t> heightsSeen;
  form.onResize = [&] { heightsSeen.push_back(form.WindowHeight()); };
  form.setWindowHeight(9216.4f);
  ASSERT_EQ(heightsSeen, std::vector<int32_t>{9216});  // whole twips, seen inside the setter
  form.setWindowHeight(9216);
  form.setWindowLeft(300);
  form.setWindowTop(300);
  EXPECT_EQ(heightsSeen.size(), 1u);
  form.setWindowWidth(12288);
  EXPECT_EQ(heightsSeen.size(), 2u);

  // The window manager reporting what the window already is (9216 twips = 614.4 px) changes nothing:
  // the window never fights it.
  form.externalGeometry(20, 20, 819, 614);
  EXPECT_EQ(heightsSeen.size(), 2u);
  EXPECT_EQ(form.WindowHeight(), 9216);
  form.externalGeometry(20, 20, 819, 700);
  EXPECT_EQ(heightsSeen.size(), 3u);
  EXPECT_EQ(form.WindowHeight(), 700 * 15);
}

TEST(Controls, FormShowRaisesResizeThenActivateOnce) {
  Form form("f");
  std::vector<std::string> events;
  form.onLoad = [&] { events.push_back("load"); };
  form.onResize = [&] { events.push_back("resize"); };
  form.onActivate = [&] { events.push_back("activate"); };
  bool refuse = true;
  form.onUnload = [&](int16_t& cancel) {
    events.push_back("unload");
    if (refuse) cancel = -1;
  };
  form.Load();
  form.Show();
  form.Show();
  EXPECT_EQ(events, (std::vector<std::string>{"load", "resize", "activate"}));
  EXPECT_TRUE(form.shown());
  EXPECT_FALSE(form.Unload());
  EXPECT_TRUE(form.shown());
  refuse = false;
  EXPECT_TRUE(form.Unload());
  EXPECT_FALSE(form.shown());
  EXPECT_EQ(events.size(), 5u);
}

TEST(Controls, OptionGroupSelectsOneAndAClickAlwaysReportsItsIndex) {
  Form form("f");
  PictureBox other(&form, "other");
  OptionButton opt[3] = {{&form, "opt", 0}, {&form, "opt", 1}, {&form, "opt", 2}};
  OptionButton elsewhere(&other, "elsewhere", 0);  // another parent: another group
  std::vector<int> clicks;
  for (auto& o : opt) o.onClick = [&](int16_t index) { clicks.push_back(index); };

  elsewhere.setValue(true);
  opt[2].setValue(true);
  EXPECT_TRUE(clicks.empty()) << "setting the value is not a click";
  opt[0].Click();
  EXPECT_TRUE(opt[0].Value());
  EXPECT_FALSE(opt[1].Value());
  EXPECT_FALSE(opt[2].Value());
  EXPECT_TRUE(elsewhere.Value());
  opt[0].Click();  // already selected: the click still reaches the game
  opt[1].Click();
  EXPECT_EQ(clicks, (std::vector<int>{0, 0, 1}));
  EXPECT_FALSE(opt[0].Value());
  EXPECT_TRUE(opt[1].Value());
}

TEST(Controls, LabelClickReportsItsArrayIndexAndZOrderFrontRestacks) {
  Form form("f");
  PictureBox pic(&form, "Pic");
  Label l[3] = {{&pic, "lbl", 0}, {&pic, "lbl", 1}, {&pic, "lbl", 2}};
  std::vector<int> clicks;
  for (auto& label : l) label.onClick = [&](int16_t index) { clicks.push_back(index); };
  l[2].Click();
  l[0].Click();
  EXPECT_EQ(clicks, (std::vector<int>{2, 0}));

  l[0].ZOrderFront();
  EXPECT_EQ(pic.children(), (std::vector<Control*>{&l[1], &l[2], &l[0]}));
}

// ---- The game's control set at creation ----

// The desktop icons are the window's icon drawn larger and smaller: the same lantern, neither cropped
// nor tiled, on a transparent ground.
TEST(Controls, LanternIconKeepsItsShapeAtEverySize) {
  auto coverage = [](const platform::Image& icon) {
    double sum = 0;
    for (uint32_t p : icon.pixels) sum += (p >> 24) / 255.0;
    return sum / icon.pixels.size();
  };
  const double reference = coverage(lanternIcon(32));
  EXPECT_GT(reference, 0.2);
  for (int size : {16, 32, 48, 64, 128, 256}) {
    SCOPED_TRACE(size);
    const platform::Image icon = lanternIcon(size);
    ASSERT_EQ(icon.width, size);
    ASSERT_EQ(icon.height, size);
    EXPECT_EQ(icon.at(0, 0) >> 24, 0u) << "transparent corner";
    EXPECT_EQ(icon.at(size - 1, size - 1) >> 24, 0u);
    const uint32_t centre = icon.at(size / 2, size * 17 / 32);
    EXPECT_EQ(centre >> 24, 255u) << "the body is opaque";
    EXPECT_GT((centre >> 16) & 255, centre & 255) << "and glows warm";
    EXPECT_NEAR(coverage(icon), reference, 0.03);
  }
}

TEST(Controls, FomCreatesEveryControlInItsInitialState) {
  auto loop = platform::EventLoop::manual();
  Fom fom(*loop);

  EXPECT_EQ(fom.Me.Caption(), "Lanternfall");
  ASSERT_EQ(fom.Me.Icon().width, 32);
  ASSERT_EQ(fom.Me.Icon().height, 32);
  const auto& icon = fom.Me.Icon().pixels;
  int opaque =
      static_cast<int>(std::count_if(icon.begin(), icon.end(), [](uint32_t p) { return (p >> 24) == 255; }));
  EXPECT_GT(opaque, 100) << "the icon draws something";
  EXPECT_LT(opaque, 32 * 32) << "the icon has a transparent ground";

  // Nesting and stacking, back to front: picStt in front of everything the game shows, the history just
  // behind it, and only the music's state, hidden until M is pressed, in front of it.
  EXPECT_EQ(fom.Me.children(), (std::vector<Control*>{&fom.picStr, &fom.Pic, &fom.E, &fom.lblDay, &fom.lblStr,
                                                      &fom.optChar[0], &fom.optChar[1], &fom.optChar[2],
                                                      &fom.histShade, &fom.picStt, &fom.lblMute}));
  EXPECT_FALSE(fom.lblMute.Visible());
  EXPECT_EQ(fom.Pic.children(), (std::vector<Control*>{&fom.lbl[0], &fom.lbl[1], &fom.lbl[2]}));
  EXPECT_EQ(fom.histShade.children(),
            (std::vector<Control*>{&fom.histLbl[0], &fom.histLbl[1], &fom.histLbl[2], &fom.histPos}));
  EXPECT_FALSE(fom.histShade.Visible()) << "the history is closed until the player opens it";

  struct Expect {
    const Control* control;
    const char* name;
    int index;
    int tab;
    bool visible;
  };
  const Expect table[] = {
      {&fom.picStt, "picStt", -1, 8, true},
      {&fom.Pic, "Pic", -1, 4, true},
      {&fom.E, "E", -1, 5, false},
      {&fom.picStr, "picStr", -1, 3, true},
      {&fom.lbl[0], "lbl", 0, 9, true},
      {&fom.lbl[1], "lbl", 1, 10, true},
      {&fom.lbl[2], "lbl", 2, 11, true},
      {&fom.lblDay, "lblDay", -1, 0, true},
      {&fom.lblStr, "lblStr", -1, 7, true},
      {&fom.optChar[0], "optChar", 0, 1, true},
      {&fom.optChar[1], "optChar", 1, 2, true},
      {&fom.optChar[2], "optChar", 2, 6, true},
  };
  for (const auto& e : table) {
    SCOPED_TRACE(std::string(e.name) + "(" + std::to_string(e.index) + ")");
    EXPECT_EQ(e.control->Name(), e.name);
    EXPECT_EQ(e.control->Index(), e.index);
    EXPECT_EQ(e.control->TabIndex(), e.tab);
    EXPECT_EQ(e.control->Visible(), e.visible);
  }

  for (const auto& label : fom.lbl) {
    EXPECT_EQ(label.Caption(), "Label1");
    EXPECT_EQ(label.FontName(), "ＭＳ Ｐゴシック");
    EXPECT_TRUE(label.FontBold());
    EXPECT_FLOAT_EQ(label.FontSize(), 9);
    EXPECT_EQ(label.FontCharset(), 128);
    EXPECT_EQ(label.Parent(), &fom.Pic);
  }
  EXPECT_EQ(fom.lblDay.Caption(), "Label1");
  EXPECT_EQ(fom.lblStr.Caption(), "Label1");
  EXPECT_TRUE(fom.lblDay.BorderStyle());
  EXPECT_TRUE(fom.lblStr.BorderStyle());

  EXPECT_EQ(fom.optChar[0].Caption(), "彼女を願う");
  EXPECT_EQ(fom.optChar[1].Caption(), "彼を願う");
  EXPECT_EQ(fom.optChar[2].Caption(), "葉っぱの力");
  EXPECT_FALSE(fom.optChar[0].Value());
  EXPECT_FALSE(fom.optChar[1].Value());
  EXPECT_TRUE(fom.optChar[2].Value());

  EXPECT_FALSE(fom.timSay.Enabled());
  EXPECT_EQ(fom.timSay.Interval(), 100);
  EXPECT_FALSE(fom.timColor.Enabled());
  EXPECT_EQ(fom.timColor.Interval(), 100);
  EXPECT_FALSE(fom.TimDay.Enabled());
  EXPECT_EQ(fom.TimDay.Interval(), 3000);
  EXPECT_TRUE(fom.BgmTim.Enabled());
  EXPECT_EQ(fom.BgmTim.Interval(), 1);
  EXPECT_FALSE(fom.E.hasPicture());
}

TEST(Controls, FomWiresItsNotificationsToTheGame) {
  testing_support::TestContent content;
  content.picture("ttl", "ui_green");
  testing_support::HeadlessGame game(content);
  Fom& fom = game.fom();
  game.start();
  // Load ran StartUp (folders, height), Show ran the layout and then the title.
  EXPECT_EQ(fom.ImgDir, content.root().string() + "/img/");
  EXPECT_EQ(fom.Me.WindowHeight(), 9216);
  EXPECT_EQ(fom.Me.WindowWidth(), 12288);
  EXPECT_TRUE(fom.picStt.Visible());
  EXPECT_FALSE(fom.picStt.retained().empty()) << "the title was painted";

  fom.optChar[0].Click();
  EXPECT_EQ(fom.WishTarget, 0);
  fom.optChar[1].Click();
  EXPECT_EQ(fom.WishTarget, 1);

  // The window's resize runs the layout: the width follows a new height.
  fom.Me.setWindowHeight(6000);
  EXPECT_EQ(fom.Me.WindowWidth(), 8000);
  EXPECT_FALSE(fom.E.Visible()) << "E is never shown";
}
