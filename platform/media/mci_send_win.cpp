// winmm's mciSendStringW, called with UTF-16 text so that a path in any language reaches the sequencer
// whatever the system's ANSI code page is.
#include <windows.h>
#include <mmsystem.h>

#include <vector>

#include "platform/media/mci_send_win.h"

namespace platform {

uint32_t sendMciCommand(const std::wstring& command, std::wstring* reply, uint32_t replyChars,
                        intptr_t callbackWindow) {
  std::vector<wchar_t> buffer(reply && replyChars > 0 ? replyChars : 0, L'\0');
  const MCIERROR rc = mciSendStringW(command.c_str(), buffer.empty() ? nullptr : buffer.data(),
                                     static_cast<UINT>(buffer.size()), reinterpret_cast<HWND>(callbackWindow));
  if (rc == 0 && !buffer.empty()) {
    buffer.back() = L'\0';  // a driver that fills the buffer to the brim still leaves a terminated reply
    *reply = buffer.data();
  }
  return static_cast<uint32_t>(rc);
}

}  // namespace platform
