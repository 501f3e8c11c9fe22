// A gamepad as the game sees it, through SDL's virtual joystick: plugged in while the program runs, its
// buttons and its right trigger come out as the pad's keys; unplugged, it lets go of what it held.
#include "platform/sdl/gamepad.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/runtime/input.h"

namespace {

using platform::InputEvent;

struct Key {
  bool down;
  int16_t code;
  bool operator==(const Key&) const = default;
};

class GamepadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pads = std::make_unique<platform::Gamepads>();
    pads->start();  // a virtual pad shows no device to look for
    ASSERT_TRUE(pads->started());
    ASSERT_EQ(pads->openCount(), 0);
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "test pad";
    device = SDL_JoystickAttachVirtualEx(&desc);
    ASSERT_GE(device, 0) << SDL_GetError();
    joystick = SDL_JoystickOpen(device);
    ASSERT_NE(joystick, nullptr) << SDL_GetError();
    // Triggers rest at the bottom of their travel.
    SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, SDL_JOYSTICK_AXIS_MIN);
    read();
  }
  void TearDown() override {
    if (joystick) SDL_JoystickClose(joystick);
    if (device >= 0 && SDL_JoystickIsVirtual(device)) SDL_JoystickDetachVirtual(device);
    pads.reset();
  }
  // What the window backend would hand the input rules after SDL is next pumped.
  std::vector<Key> read() {
    std::vector<Key> keys;
    SDL_Event e;
    while (SDL_PollEvent(&e) == 1) {
      InputEvent in;
      if (pads->translate(e, &in)) keys.push_back(Key{in.type == InputEvent::Type::KeyDown, in.keyCode});
    }
    return keys;
  }
  std::vector<Key> button(SDL_GameControllerButton b, bool down) {
    SDL_JoystickSetVirtualButton(joystick, b, down ? SDL_PRESSED : SDL_RELEASED);
    return read();
  }
  // The trigger's travel, 0 (at rest) to 1 (fully pulled).
  std::vector<Key> trigger(double travel) {
    const double raw = SDL_JOYSTICK_AXIS_MIN + travel * (SDL_JOYSTICK_AXIS_MAX - SDL_JOYSTICK_AXIS_MIN);
    SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, static_cast<Sint16>(raw));
    return read();
  }

  std::unique_ptr<platform::Gamepads> pads;
  int device = -1;
  SDL_Joystick* joystick = nullptr;
};

using Keys = std::vector<Key>;

}  // namespace

TEST_F(GamepadTest, PluggedInWhileRunningItsButtonsAreTheGamesKeys) {
  EXPECT_EQ(pads->openCount(), 1);
  EXPECT_LE(pads->pollIntervalMs(), 20);  // read often enough for a press to feel immediate
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_A, true), (Keys{{true, platform::kPadA}}));
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_A, false), (Keys{{false, platform::kPadA}}));
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_B, true), (Keys{{true, platform::kPadB}}));
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_START, true), (Keys{{true, platform::kPadStart}}));
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true), (Keys{{true, platform::kKeyDown}}));
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_DPAD_UP, true), (Keys{{true, platform::kKeyUp}}));
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_Y, true), (Keys{{true, platform::kPadY}}));
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_X, true), (Keys{{true, platform::kPadX}}));
  EXPECT_TRUE(button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, true).empty());  // no use in the game
}

TEST_F(GamepadTest, TriggerPressesPastHalfWayAndReleasesOnlyWellBelow) {
  EXPECT_TRUE(trigger(0.4).empty());
  EXPECT_EQ(trigger(0.6), (Keys{{true, platform::kPadRightTrigger}}));
  EXPECT_TRUE(trigger(1.0).empty());
  EXPECT_TRUE(trigger(0.4).empty());  // resting near the line does not chatter
  EXPECT_EQ(trigger(0.1), (Keys{{false, platform::kPadRightTrigger}}));
  EXPECT_EQ(trigger(0.8), (Keys{{true, platform::kPadRightTrigger}}));
  // Unplugged with the trigger held: it is let go, and the pad is closed.
  SDL_JoystickClose(joystick);
  joystick = nullptr;
  ASSERT_EQ(SDL_JoystickDetachVirtual(device), 0);
  device = -1;
  EXPECT_EQ(read(), (Keys{{false, platform::kPadRightTrigger}}));
  EXPECT_EQ(pads->openCount(), 0);
  EXPECT_GE(pads->pollIntervalMs(), 1000);  // only a look for new pads now and then
}
