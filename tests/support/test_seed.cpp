// The run's seed, from the environment or drawn once, and the listener that names it after a failure.
#include "tests/support/test_seed.h"

#include <errno.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace testing_support {

namespace {

bool gUsedByThisTest = false;

uint32_t drawSeed() {
  if (const char* s = std::getenv("LANTERNFALL_TEST_SEED"); s && *s) {
    char* end = nullptr;
    const unsigned long v = std::strtoul(s, &end, 10);
    if (end && *end == '\0') return static_cast<uint32_t>(v);
    std::fprintf(stderr, "LANTERNFALL_TEST_SEED=%s is not a number; drawing a seed instead\n", s);
  }
  return std::random_device{}();
}

class SeedReporter : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { gUsedByThisTest = false; }
  void OnTestEnd(const ::testing::TestInfo& info) override {
    if (!gUsedByThisTest || !info.result()->Failed()) return;
    std::printf(
        "%s.%s used random inputs of seed %u; repeat with:\n  LANTERNFALL_TEST_SEED=%u %s "
        "--gtest_filter=%s.%s\n",
        info.test_suite_name(), info.name(), testSeed(), testSeed(), program_invocation_name,
        info.test_suite_name(), info.name());
    std::fflush(stdout);
  }
};

}  // namespace

uint32_t testSeed() {
  static const uint32_t seed = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new SeedReporter);
    return drawSeed();
  }();
  if (!gUsedByThisTest) {
    gUsedByThisTest = true;
    std::printf("random inputs from seed %u (LANTERNFALL_TEST_SEED=%u repeats them)\n", seed, seed);
  }
  return seed;
}

}  // namespace testing_support
