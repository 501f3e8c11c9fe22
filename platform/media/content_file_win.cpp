// Content files on Windows: regular disk files only (no folder, console, printer port or named pipe),
// opened in binary mode so that CR LF reaches the line reader as it is, and read whole only below a cap.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <new>

#include "platform/media/content_file.h"
#include "platform/media/system_error_win.h"
#include "platform/runtime/utf16.h"

namespace platform {

namespace {

std::string kindOfType(DWORD type) {
  switch (type) {
    case FILE_TYPE_DISK:
      return {};
    case FILE_TYPE_CHAR:
      return "a character device";
    case FILE_TYPE_PIPE:
      return "a named pipe";
    default:
      return "not a regular file";
  }
}

// Opens for reading, sharing with writers and deleters so that an editor keeps its file. Folders are
// told from their attributes: opening one needs a flag that nothing here asks for.
HANDLE openForReading(const std::wstring& path, DWORD access, std::string* kind, DWORD* error) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    *kind = "a folder";
    return INVALID_HANDLE_VALUE;
  }
  HANDLE h = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return h;
  }
  *kind = kindOfType(GetFileType(h));
  if (!kind->empty()) {
    CloseHandle(h);
    return INVALID_HANDLE_VALUE;
  }
  return h;
}

}  // namespace

std::string systemErrorText(uint32_t code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
      return "No such file or directory";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return "Permission denied";
    default:
      break;
  }
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = n > 0 && text ? std::wstring(text, n) : L"";
  LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L'.'))
    wide.pop_back();
  return wide.empty() ? "system error " + std::to_string(code) : utf8FromWide(wide);
}

std::string nonRegularKind(const std::string& utf8Path) {
  std::string kind;
  DWORD error = 0;
  HANDLE h = openForReading(wideFromUtf8(utf8Path), GENERIC_READ, &kind, &error);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return kind;
}

int openRegularFile(const std::string& utf8Path, std::string* error, uint64_t* sizeBytes) {
  auto fail = [&](const std::string& why) {
    if (error) *error = utf8Path + ": " + why;
    return -1;
  };
  std::string kind;
  DWORD code = 0;
  HANDLE h = openForReading(wideFromUtf8(utf8Path), GENERIC_READ, &kind, &code);
  if (!kind.empty()) return fail("is " + kind + ", not a file");
  if (h == INVALID_HANDLE_VALUE) return fail(systemErrorText(code));
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(h, &size)) {
    code = GetLastError();
    CloseHandle(h);
    return fail(systemErrorText(code));
  }
  // Binary: the C library must not fold CR LF, the line reader decides what ends a line.
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    return fail("cannot be opened");
  }
  if (sizeBytes) *sizeBytes = static_cast<uint64_t>(size.QuadPart);
  return fd;
}

int64_t readFromFile(int fd, char* into, size_t most, std::string* why) {
  const int n = _read(fd, into, static_cast<unsigned>(std::min<size_t>(most, size_t{1} << 30)));
  if (n < 0 && why) *why = "cannot be read";
  return n;
}

void closeFile(int fd) { _close(fd); }

}  // namespace platform
