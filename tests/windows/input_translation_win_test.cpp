// Window messages as the runtime's input events where the game's reading keys need them: the wheel in
// whole notches at the screen position Windows gives, and a lost focus letting Ctrl go.
#include <gtest/gtest.h>

#include "platform/win32/input_translation.h"

using platform::InputEvent;

TEST(InputTranslationWin, TheWheelCountsNotchesUpAndALostFocusLetsCtrlGo) {
  auto e = platform::translateMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, 2 * WHEEL_DELTA), MAKELPARAM(300, 200));
  ASSERT_TRUE(e);
  EXPECT_EQ(e->type, InputEvent::Type::Wheel);
  EXPECT_EQ(e->wheelSteps, 2);
  EXPECT_FLOAT_EQ(e->x, 300);
  EXPECT_FLOAT_EQ(e->y, 200);
  // A finer wheel's part of a notch counts as one, down here.
  e = platform::translateMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-30)), MAKELPARAM(0, 0));
  ASSERT_TRUE(e);
  EXPECT_EQ(e->wheelSteps, -1);

  e = platform::translateMessage(WM_KILLFOCUS, 0, 0);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->type, InputEvent::Type::KeyUp);
  EXPECT_EQ(e->keyCode, platform::kKeyControl);
  e = platform::translateMessage(WM_KEYUP, VK_CONTROL, 0);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->type, InputEvent::Type::KeyUp);
  EXPECT_EQ(e->keyCode, platform::kKeyControl);
}
