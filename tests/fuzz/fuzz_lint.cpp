// The content checker on a whole content folder from a stranger: it is the first thing a player runs on
// a downloaded pack, so no file may crash or hang it. The checker is an executable; its main is built
// into this target under another name and run on the unpacked folder.
#include <cstdint>
#include <string>

#include "tests/fuzz/content_folder.h"

int lanternfallLintMain(int argc, char** argv);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::unpack(data, size);
  std::string program = "lanternfall-lint", dir = fuzzing::folder().string();
  char* argv[] = {program.data(), dir.data(), nullptr};
  lanternfallLintMain(2, argv);
  return 0;
}
