// The desktop timer control: interval, enabled flag, tick handler.
// Kept from the old runtime: intervals below kTimerFloorMs tick every kTimerFloorMs; enabling a timer or
// changing its interval starts a fresh period; a tick never interrupts a running handler, and a late
// timer fires once rather than in a burst.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

class EventLoop;

class Timer {
 public:
  explicit Timer(EventLoop& loop, int intervalMs = 0, bool enabled = false);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  int Interval() const { return interval_; }
  void setInterval(int ms);
  bool Enabled() const { return enabled_; }
  void setEnabled(bool on);

  // The period actually used: the interval, raised to the floor. An interval of 0 never ticks.
  int effectiveIntervalMs() const;
  int64_t dueMs() const { return due_; }

  std::function<void()> onTick;

 private:
  friend class EventLoop;
  void restartPeriod();

  EventLoop& loop_;
  int interval_ = 0;
  bool enabled_ = false;
  int64_t due_ = 0;
};

}  // namespace platform
