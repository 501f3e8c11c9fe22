// Window messages to the runtime's input events: buttons, pointer moves and keys with the same numbers
// the Linux backend gives (the runtime's key codes are Windows' virtual-key codes already).
#pragma once

#include <windows.h>

#include <optional>

#include "platform/runtime/input.h"

namespace platform {

// The event a mouse or key message stands for; nothing for other messages (and for keys the runtime has
// no use for). Pointer positions are the message's client pixels (the wheel's are the screen's, as
// Windows gives them); the caller sets the time and moves them by the Form's origin. A lost focus is a
// release of Ctrl.
std::optional<InputEvent> translateMessage(UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace platform
