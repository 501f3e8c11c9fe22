// Every suite finds its data through the environment, as on Linux; under Wine the source tree is on Z:.
#include <cstdlib>

namespace {

void setDefault(const char* name, const char* value) {
  if (!std::getenv(name)) _putenv_s(name, value);
}

struct TestEnvironment {
  TestEnvironment() {
    setDefault("LANTERNFALL_TEST_DATA", LANTERNFALL_TEST_DATA_DIR);
    setDefault("LANTERNFALL_GOLDEN", LANTERNFALL_GOLDEN_DIR);
    setDefault("LANTERNFALL_CONTENT", LANTERNFALL_CONTENT_DIR);
    setDefault("LANTERNFALL_BINARY_DIR", LANTERNFALL_BINARY_DIR_PATH);
  }
};

const TestEnvironment kEnvironment;

}  // namespace
