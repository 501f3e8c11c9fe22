// A whole content folder packed into one fuzz input, shared by the content and checker targets: records
// of [file number][length, 3 bytes little-endian][bytes], the file number choosing one of kFiles (modulo
// their count); a record cut short takes what is left. The folder is rewritten for every input.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "tests/support/scratch_folder.h"
namespace fuzzing {

inline constexpr const char* kFiles[] = {"txt/opn.dat", "txt/00.dat",     "txt/10.dat",
                                         "txt/end.dat", "txt/badend.dat", "img/ttl.jpg",
                                         "img/a.jpg",   "bgm.mid",        "actions"};
inline constexpr size_t kFileCount = sizeof kFiles / sizeof kFiles[0];

inline const std::filesystem::path& folder() {
  static const std::filesystem::path dir = testing_support::processScratchFolder("lanternfall-fuzz");
  return dir;
}

// Writes the input's files (and removes those it does not hold); returns the "actions" record.
inline std::string unpack(const uint8_t* data, size_t size) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::remove_all(folder() / "txt", ec);
  fs::remove_all(folder() / "img", ec);
  fs::remove(folder() / "bgm.mid", ec);
  fs::create_directories(folder() / "txt");
  fs::create_directories(folder() / "img");
  std::string actions;
  size_t at = 0;
  while (at + 4 <= size) {
    const size_t file = data[at] % kFileCount;
    size_t len = data[at + 1] | (size_t{data[at + 2]} << 8) | (size_t{data[at + 3]} << 16);
    at += 4;
    if (len > size - at) len = size - at;
    const std::string bytes(reinterpret_cast<const char*>(data) + at, len);
    at += len;
    if (file == kFileCount - 1) {
      actions = bytes;
    } else {
      std::ofstream(folder() / kFiles[file], std::ios::binary | std::ios::trunc) << bytes;
    }
  }
  return actions;
}

}  // namespace fuzzing
