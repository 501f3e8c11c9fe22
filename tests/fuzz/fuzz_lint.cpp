// The content checker on a whole content folder from a stranger: it is the first thing a player runs on
// a downloaded pack, so no file may crash or hang it. The checker is an executable; its entry is built
// into this target under another name and run on the unpacked folder.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/content_folder.h"

int lanternfallLintMain(const std::vector<std::string>& args);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::unpack(data, size);
  lanternfallLintMain({"lanternfall-lint", fuzzing::folder().string()});
  return 0;
}
