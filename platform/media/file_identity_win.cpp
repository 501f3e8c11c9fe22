// A file's identity on Windows: the volume's serial number, the file's index on it, its size and
// its last write time, from one look at the open file.
#include <windows.h>

#include "platform/media/content_file.h"
#include "platform/runtime/utf16.h"

namespace platform {

std::string fileIdentity(const std::string& utf8Path) {
  // No access asked: only the attributes are read, and a file another program holds open still answers.
  HANDLE h =
      CreateFileW(wideFromUtf8(utf8Path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  BY_HANDLE_FILE_INFORMATION info{};
  const BOOL ok = GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  if (!ok) return {};
  auto join = [](DWORD high, DWORD low) { return (uint64_t{high} << 32) | low; };
  return std::to_string(info.dwVolumeSerialNumber) + ":" +
         std::to_string(join(info.nFileIndexHigh, info.nFileIndexLow)) + ":" +
         std::to_string(join(info.nFileSizeHigh, info.nFileSizeLow)) + ":" +
         std::to_string(join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime));
}

}  // namespace platform
