// Gamepads through XInput, as keys for the input rules: the same keys the Linux backend gives (A, B, X, Y
// and Start as the pad's own codes, the d-pad's up and down as the arrow keys, the right trigger held past
// half-way). XInput posts no messages, so the window's wait ends in time to read the pads: often while
// one is connected, every few seconds to notice one plugged in. XInput is loaded, not linked, so that the
// program imports only what every Windows has.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/runtime/input.h"

namespace platform {

// What the game reads of one pad.
struct PadReading {
  uint16_t buttons = 0;      // XINPUT_GAMEPAD_* bits
  uint8_t rightTrigger = 0;  // 0 to 255
};

// The keys that take `before` to `after`; triggerDown holds the trigger's key state across readings.
// The trigger goes down past kPadTriggerPress and up only under kPadTriggerRelease, so it never chatters.
inline constexpr uint8_t kPadTriggerPress = 128;
inline constexpr uint8_t kPadTriggerRelease = 64;
void padKeyChanges(const PadReading& before, const PadReading& after, bool* triggerDown,
                   std::vector<InputEvent>* out);

class XInputPads {
 public:
  XInputPads();
  // Reads the pads that are due at nowMs and appends their key changes.
  void poll(int64_t nowMs, std::vector<InputEvent>* out);
  // Milliseconds from nowMs until the next reading is due; -1 without XInput.
  int64_t dueInMs(int64_t nowMs) const;

  static constexpr int kPadPollMs = 15;
  static constexpr int kPlugCheckMs = 3000;
  static constexpr int kSlots = 4;

 private:
  using GetState = unsigned long(__stdcall*)(unsigned long, void*);
  GetState getState_ = nullptr;
  struct Slot {
    bool connected = false;
    PadReading last;
    bool triggerDown = false;
    int64_t dueMs = 0;
  };
  Slot slots_[kSlots];
};

}  // namespace platform
