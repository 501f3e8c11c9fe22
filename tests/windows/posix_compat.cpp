// mkdtemp over CreateDirectoryW: a random name, tried until a folder of that name did not exist yet.
#include <windows.h>

#include <cstring>
#include <random>
#include <string>

#include "platform/runtime/utf16.h"

extern "C" char* mkdtemp(char* pathTemplate) {
  const size_t length = std::strlen(pathTemplate);
  if (length < 6 || std::strcmp(pathTemplate + length - 6, "XXXXXX") != 0) return nullptr;
  static std::mt19937 random(static_cast<unsigned>(GetTickCount64() ^ GetCurrentProcessId()));
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    for (size_t i = length - 6; i < length; ++i) pathTemplate[i] = kLetters[random() % 36];
    if (CreateDirectoryW(platform::wideFromUtf8(pathTemplate).c_str(), nullptr)) return pathTemplate;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return nullptr;
  }
  return nullptr;
}
