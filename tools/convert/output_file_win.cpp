// Converted files on Windows: a new file beside the target (CreateFileW, so that a folder named in any
// language works), then MoveFileExW over the target, which replaces it in one step on the same volume.
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "platform/media/system_error_win.h"
#include "platform/runtime/utf16.h"
#include "tools/convert/output_file.h"

namespace convert {

struct OutputFile::Handle {
  std::wstring name;
  HANDLE file = INVALID_HANDLE_VALUE;
  bool done = false;
};

OutputFile::OutputFile(const std::filesystem::path& target) : target_(target), handle_(new Handle) {
  // A name nobody else is writing: CREATE_NEW refuses one that exists, and the next is tried.
  const std::wstring stem = (target.parent_path() / (L"." + target.filename().wstring())).wstring();
  DWORD error = ERROR_FILE_EXISTS;
  const unsigned long long seed =
      GetTickCount64() ^ (static_cast<unsigned long long>(GetCurrentProcessId()) << 20);
  for (unsigned attempt = 0; attempt < 100 && error == ERROR_FILE_EXISTS; ++attempt) {
    wchar_t suffix[24];
    std::swprintf(suffix, 24, L".%06llx", (seed + attempt * 7919ULL) & 0xFFFFFFULL);
    handle_->name = stem + suffix;
    handle_->file = CreateFileW(handle_->name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    error = handle_->file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
  }
  if (handle_->file == INVALID_HANDLE_VALUE) {
    why_ = platform::systemErrorText(error);
    handle_->name.clear();
  }
}

OutputFile::~OutputFile() {
  if (handle_->file != INVALID_HANDLE_VALUE) CloseHandle(handle_->file);
  if (!handle_->name.empty() && !handle_->done) DeleteFileW(handle_->name.c_str());
}

void OutputFile::write(std::string_view bytes) {
  while (ok() && !bytes.empty()) {
    const DWORD most = static_cast<DWORD>(std::min<size_t>(bytes.size(), size_t{1} << 30));
    DWORD written = 0;
    if (!WriteFile(handle_->file, bytes.data(), most, &written, nullptr) || written == 0) {
      why_ = platform::systemErrorText(GetLastError());
      return;
    }
    bytes.remove_prefix(written);
  }
}

bool OutputFile::commit() {
  if (handle_->file == INVALID_HANDLE_VALUE) return false;
  if (!CloseHandle(handle_->file) && ok()) why_ = platform::systemErrorText(GetLastError());
  handle_->file = INVALID_HANDLE_VALUE;
  if (ok() && !MoveFileExW(handle_->name.c_str(), target_.wstring().c_str(), MOVEFILE_REPLACE_EXISTING))
    why_ = platform::systemErrorText(GetLastError());
  handle_->done = ok();
  return handle_->done;
}

}  // namespace convert
