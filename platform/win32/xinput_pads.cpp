// XInput's pad states read on the window's schedule and turned into key changes.
#include "platform/win32/xinput_pads.h"

#include <windows.h>
// after windows.h
#include <xinput.h>

#include <algorithm>

namespace platform {

namespace {

struct ButtonKey {
  uint16_t bit;
  int16_t key;
};
constexpr ButtonKey kButtonKeys[] = {
    {XINPUT_GAMEPAD_A, kPadA},
    {XINPUT_GAMEPAD_B, kPadB},
    {XINPUT_GAMEPAD_X, kPadX},
    {XINPUT_GAMEPAD_Y, kPadY},
    {XINPUT_GAMEPAD_START, kPadStart},
    {XINPUT_GAMEPAD_DPAD_UP, kKeyUp},
    {XINPUT_GAMEPAD_DPAD_DOWN, kKeyDown},
};

}  // namespace

void padKeyChanges(const PadReading& before, const PadReading& after, bool* triggerDown,
                   std::vector<InputEvent>* out) {
  for (const ButtonKey& b : kButtonKeys) {
    const bool was = (before.buttons & b.bit) != 0;
    const bool is = (after.buttons & b.bit) != 0;
    if (was != is) out->push_back(keyEvent(is, b.key));
  }
  if (!*triggerDown && after.rightTrigger >= kPadTriggerPress) {
    *triggerDown = true;
    out->push_back(keyEvent(true, kPadRightTrigger));
  } else if (*triggerDown && after.rightTrigger < kPadTriggerRelease) {
    *triggerDown = false;
    out->push_back(keyEvent(false, kPadRightTrigger));
  }
}

XInputPads::XInputPads() {
  // Windows 8 and later have 1.4; 9.1.0 comes with every Windows since Vista.
  for (const wchar_t* name : {L"xinput1_4.dll", L"xinput9_1_0.dll"}) {
    if (HMODULE library = LoadLibraryW(name)) {
      getState_ =
          reinterpret_cast<GetState>(reinterpret_cast<void*>(GetProcAddress(library, "XInputGetState")));
      if (getState_) break;
    }
  }
}

void XInputPads::poll(int64_t nowMs, std::vector<InputEvent>* out) {
  if (!getState_) return;
  for (DWORD i = 0; i < kSlots; ++i) {
    Slot& s = slots_[i];
    if (nowMs < s.dueMs) continue;
    XINPUT_STATE state{};
    const bool connected = getState_(i, &state) == ERROR_SUCCESS;
    PadReading now;
    if (connected) {
      now.buttons = state.Gamepad.wButtons;
      now.rightTrigger = state.Gamepad.bRightTrigger;
    }
    // A pad taken away lets go of what it held.
    if (connected || s.connected) padKeyChanges(s.last, now, &s.triggerDown, out);
    s.last = now;
    s.connected = connected;
    // An empty slot is slow to ask about: looked at again only now and then.
    s.dueMs = nowMs + (connected ? kPadPollMs : kPlugCheckMs);
  }
}

int64_t XInputPads::dueInMs(int64_t nowMs) const {
  if (!getState_) return -1;
  int64_t next = INT64_MAX;
  for (const Slot& s : slots_) next = std::min(next, s.dueMs);
  return std::max<int64_t>(0, next - nowMs);
}

}  // namespace platform
