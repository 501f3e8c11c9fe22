// The running executable's path on Windows: the module's own file name, asked for in UTF-16 so that a
// folder named in any language comes back whole, handed on in UTF-8 with "/" between folders.
#include <windows.h>

#include <string>

#include "platform/media/executable_path.h"
#include "platform/runtime/app.h"
#include "platform/runtime/utf16.h"

namespace platform {

std::string executablePath() {
  std::wstring wide(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, wide.data(), static_cast<DWORD>(wide.size()));
    if (n == 0) return {};
    if (n < wide.size()) {
      wide.resize(n);
      break;
    }
    if (wide.size() >= 32768) return {};  // the longest path Windows has
    wide.resize(wide.size() * 2);
  }
  for (wchar_t& c : wide) {
    if (c == L'\\') c = L'/';
  }
  return utf8FromWide(wide);
}

void installExecutablePath() { setExecutablePathSource(&executablePath); }

}  // namespace platform
