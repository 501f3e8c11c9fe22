// The one thread: timer floor, coalescing, deadline order, no tick inside a running handler.
#include "platform/runtime/event_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/runtime/timer.h"

using platform::EventLoop;
using platform::ManualClock;
using platform::Timer;

namespace {

ManualClock& clockOf(EventLoop& loop) { return static_cast<ManualClock&>(loop.clock()); }

}  // namespace

TEST(Timers, IntervalsBelowTheFloorTickEveryTenMilliseconds) {
  auto loop = EventLoop::manual();
  Timer fast(*loop, 1, true);
  int ticks = 0;
  fast.onTick = [&] { ++ticks; };
  loop->advance(1000);
  EXPECT_EQ(ticks, 100);
  EXPECT_EQ(fast.Interval(), 1);  // the game still reads back the interval it set
}

TEST(Timers, DisabledOrZeroIntervalNeverTicks) {
  auto loop = EventLoop::manual();
  Timer off(*loop, 100, false);
  Timer zero(*loop, 0, true);
  int ticks = 0;
  off.onTick = [&] { ++ticks; };
  zero.onTick = [&] { ++ticks; };
  loop->advance(10000);
  EXPECT_EQ(ticks, 0);
  EXPECT_EQ(loop->nextDeadlineMs(), -1);
}

TEST(Timers, LateTimerFiresOnceNotInABurst) {
  auto loop = EventLoop::manual();
  Timer t(*loop, 100, true);
  int ticks = 0;
  t.onTick = [&] { ++ticks; };
  clockOf(*loop).set(1050);  // the loop was busy for a second
  loop->runDue();
  EXPECT_EQ(ticks, 1);
  loop->runDue();
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(t.dueMs(), 1150);  // a whole period after the late tick
}

TEST(Timers, DueTicksFireInDeadlineOrder) {
  auto loop = EventLoop::manual();
  std::string order;
  Timer a(*loop, 300, true), b(*loop, 200, true), c(*loop, 500, true);
  a.onTick = [&] { order += 'a'; };
  b.onTick = [&] { order += 'b'; };
  c.onTick = [&] { order += 'c'; };
  loop->advance(600);
  // b@200 a@300 b@400 c@500 a@600 b@600 (ties: creation order)
  EXPECT_EQ(order, "babcab");
}

TEST(Timers, NoTickInsideARunningHandler) {
  auto loop = EventLoop::manual();
  Timer slow(*loop, 100, true), other(*loop, 10, true);
  int depth = 0, maxDepth = 0, otherTicks = 0;
  slow.onTick = [&] {
    ++depth;
    maxDepth = std::max(maxDepth, depth);
    clockOf(*loop).set(loop->nowMs() + 250);  // the handler takes a long time
    loop->runDue();                           // re-entry is refused
    loop->advance(50);
    --depth;
  };
  other.onTick = [&] { ++otherTicks; };
  loop->advance(100);
  EXPECT_EQ(maxDepth, 1);
  EXPECT_EQ(otherTicks, 10);  // ticks up to 100 ms; the long handler's lateness is coalesced later
}

TEST(Timers, EnablingOrRetimingStartsAFreshPeriod) {
  auto loop = EventLoop::manual();
  Timer t(*loop, 100, false);
  std::vector<int64_t> at;
  t.onTick = [&] { at.push_back(loop->nowMs()); };
  loop->advance(70);
  t.setEnabled(true);  // at 70: first tick at 170
  loop->advance(100);
  t.setInterval(50);  // at 170 after the tick: next at 220
  loop->advance(60);
  ASSERT_EQ(at.size(), 2u);
  EXPECT_EQ(at[0], 170);
  EXPECT_EQ(at[1], 220);
}

TEST(Timers, AHeldTimerStandsStillAndResumesWithTheTimeItHadLeft) {
  auto loop = EventLoop::manual();
  Timer t(*loop, 100, true);
  int ticks = 0;
  t.onTick = [&] { ++ticks; };
  loop->advance(70);
  t.hold();
  t.hold();  // a second hold keeps the first one's time
  loop->advance(5000);
  EXPECT_EQ(ticks, 0);
  EXPECT_TRUE(t.Enabled()) << "a hold is not a disable: the game reads its own flag back";
  t.resume();
  loop->advance(29);
  EXPECT_EQ(ticks, 0);
  loop->advance(1);
  EXPECT_EQ(ticks, 1) << "30 ms were left when it was held";
  loop->advance(100);
  EXPECT_EQ(ticks, 2);
}

TEST(Timers, AHandlerDisablingAnotherDueTimerStopsIt) {
  auto loop = EventLoop::manual();
  Timer first(*loop, 100, true), second(*loop, 100, true);
  int secondTicks = 0;
  first.onTick = [&] { second.setEnabled(false); };
  second.onTick = [&] { ++secondTicks; };
  loop->advance(1000);
  EXPECT_EQ(secondTicks, 0);
}
