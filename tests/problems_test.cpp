// The problem log on stderr: repeats counted, kinds folded within a step, every step's output bounded,
// and a failing tick named without stopping the loop.
#include "platform/runtime/problems.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "platform/runtime/app.h"
#include "platform/runtime/event_loop.h"
#include "platform/runtime/timer.h"

namespace {

size_t lines(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

TEST(Problems, RepeatedAreCountedAndFailuresInATickDoNotStopTheLoop) {
  ::testing::internal::CaptureStderr();
  for (int i = 0; i < 1000; ++i) platform::reportProblem(std::string("picture \"a\0b\" not shown", 23));
  platform::reportProblem("something else");
  platform::flushProblems();
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err,
            "lanternfall: picture \"a\\x00b\" not shown\n"
            "lanternfall: something else\n"
            "lanternfall: ... and 999 more like it: picture \"a\\x00b\" not shown\n");

  // A tick that runs out of memory is named; the timer and the others go on ticking.
  auto loop = platform::EventLoop::manual();
  platform::Timer failing(*loop, 10, true), steady(*loop, 10, true);
  int failingTicks = 0, steadyTicks = 0;
  failing.onTick = [&failingTicks] {
    ++failingTicks;
    throw std::bad_alloc();
  };
  steady.onTick = [&steadyTicks] { ++steadyTicks; };
  ::testing::internal::CaptureStderr();
  loop->advance(100);
  platform::flushProblems();
  err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(failingTicks, 10);
  EXPECT_EQ(steadyTicks, 10);
  EXPECT_NE(err.find("a timer tick ran out of memory"), std::string::npos) << err;
  EXPECT_NE(err.find("... and 9 more like it: a timer tick ran out of memory"), std::string::npos) << err;
}

TEST(Problems, WithinAStepKindsAreFoldedAndTheOutputIsBounded) {
  std::vector<std::string> heard;
  platform::setProblemListener([&heard](const std::string& message) { heard.push_back(message); });
  ::testing::internal::CaptureStderr();
  {
    platform::ProblemBurst step;
    for (int i = 0; i < 1'000'000; ++i) {
      platform::reportProblem("picture \"p" + std::to_string(i) + "\" not shown", "missing pictures");
    }
    platform::reportProblem("x.dat: run count \"a\" is no whole number", "run counts that are no number");
  }
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err,
            "lanternfall: picture \"p0\" not shown\n"
            "lanternfall: picture \"p1\" not shown\n"
            "lanternfall: picture \"p2\" not shown\n"
            "lanternfall: x.dat: run count \"a\" is no whole number\n"
            "lanternfall: ... and 999,997 more missing pictures\n");
  EXPECT_EQ(heard.size(), 5u) << "the listener hears what stderr says, counts included";
  EXPECT_EQ(heard.back(), "... and 999,997 more missing pictures");
  platform::setProblemListener(nullptr);

  // Problems of no kind: a step names a bounded number of them.
  ::testing::internal::CaptureStderr();
  {
    platform::ProblemBurst step;
    for (int i = 0; i < 100; ++i) platform::reportProblem("other " + std::to_string(i));
  }
  err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(lines(err), platform::kNamedPerBurst + 1) << err;
  EXPECT_NE(err.find("lanternfall: ... and 76 more problems\n"), std::string::npos) << err;

  // Outside a step only identical messages fold; a message is cut short however long its subject.
  ::testing::internal::CaptureStderr();
  for (int i = 0; i < 5; ++i) platform::reportProblem("missing " + std::to_string(i), "missing pictures");
  platform::reportProblem("picture \"" + std::string(size_t{16} << 20, 'n') + "\" not shown");
  platform::flushProblems();
  err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(lines(err), 6u) << err.substr(0, 500);
  EXPECT_LT(err.size(), 6 * 20 + platform::kMaxProblemBytes + 20);
  EXPECT_NE(err.find(std::string(900, 'n') + "…\n"), std::string::npos);
}
