// The one call into winmm's media control interface, kept apart so that no file sees both <mmsystem.h>
// and the game's own declaration of mciSendStringA.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Sends a UTF-16 command through mciSendStringW; on success the reply (at most replyChars - 1
// characters) goes to *reply when it is not null. Returns winmm's result code.
uint32_t sendMciCommand(const std::wstring& command, std::wstring* reply, uint32_t replyChars,
                        intptr_t callbackWindow);

}  // namespace platform
