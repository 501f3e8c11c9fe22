// Every suite runs headless and finds its data through the environment, whoever starts it (ctest, a
// debugger, a shell): set the variables here unless the caller already did.
#include <cstdlib>

namespace {

struct TestEnvironment {
  TestEnvironment() {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("LANTERNFALL_TEST_DATA", LANTERNFALL_TEST_DATA_DIR, 0);
    setenv("LANTERNFALL_GOLDEN", LANTERNFALL_GOLDEN_DIR, 0);
    setenv("LANTERNFALL_CONTENT", LANTERNFALL_CONTENT_DIR, 0);
    setenv("LANTERNFALL_BINARY_DIR", LANTERNFALL_BINARY_DIR_PATH, 0);
  }
};

const TestEnvironment kEnvironment;

}  // namespace
