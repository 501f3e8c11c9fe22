// The one seed of a test run's random inputs. Set LANTERNFALL_TEST_SEED to replay a run; otherwise one is
// drawn at start. A test that used it and failed prints it with the command line that repeats it.
#pragma once

#include <cstdint>

namespace testing_support {

// The run's seed (the same for every call in one run). Feed it to the test's own generator.
uint32_t testSeed();

}  // namespace testing_support
