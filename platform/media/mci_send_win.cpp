// winmm's mciSendStringW, called with UTF-16 text so that a path in any language reaches the media
// control interface whatever the system's ANSI code page is.
#include "platform/media/mci_send_win.h"

#include <windows.h>
// mmsystem.h needs the types windows.h declares first.
#include <mmsystem.h>

#include <cwctype>
#include <vector>

namespace platform {

namespace {

bool representableInAnsi(const std::wstring& text) {
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, &usedDefault);
  return n > 0 && !usedDefault;
}

// The MIDI sequencer opens its file through the ANSI code page (Wine's does; so did Windows' own for
// long), so a folder named in Japanese is not found on a system whose code page is not 932. For an open
// command whose quoted path the code page cannot hold, the path's short (8.3) form is sent instead, when
// the file system has one the code page can hold; otherwise the command goes as it is.
std::wstring withPathTheSequencerCanOpen(const std::wstring& command) {
  size_t verb = 0;
  while (verb < command.size() && std::iswspace(command[verb])) ++verb;
  if (command.size() < verb + 5 || _wcsnicmp(command.c_str() + verb, L"open ", 5) != 0) return command;
  const size_t open = command.find(L'"', verb);
  const size_t close = open == std::wstring::npos ? open : command.find(L'"', open + 1);
  if (close == std::wstring::npos) return command;
  const std::wstring path = command.substr(open + 1, close - open - 1);
  if (representableInAnsi(path)) return command;
  std::wstring shortPath(MAX_PATH, L'\0');
  DWORD n = GetShortPathNameW(path.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
  if (n >= shortPath.size()) {
    shortPath.resize(n);
    n = GetShortPathNameW(path.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
  }
  if (n == 0 || n >= shortPath.size()) return command;
  shortPath.resize(n);
  if (!representableInAnsi(shortPath)) return command;
  return command.substr(0, open + 1) + shortPath + command.substr(close);
}

}  // namespace

uint32_t sendMciCommand(const std::wstring& command, std::wstring* reply, uint32_t replyChars,
                        intptr_t callbackWindow) {
  std::vector<wchar_t> buffer(reply && replyChars > 0 ? replyChars : 0, L'\0');
  const std::wstring sent = withPathTheSequencerCanOpen(command);
  const MCIERROR rc =
      mciSendStringW(sent.c_str(), buffer.empty() ? nullptr : buffer.data(), static_cast<UINT>(buffer.size()),
                     reinterpret_cast<HWND>(callbackWindow));
  if (rc == 0 && !buffer.empty()) {
    buffer.back() = L'\0';  // a driver that fills the buffer to the brim still leaves a terminated reply
    *reply = buffer.data();
  }
  return static_cast<uint32_t>(rc);
}

}  // namespace platform
