// The desktop timer control: interval, enabled flag, tick handler.
// Kept from the old runtime: intervals below kTimerFloorMs tick every kTimerFloorMs; enabling a timer or
// changing its interval starts a fresh period; a tick never interrupts a running handler, and a late
// timer fires once rather than in a burst.
#pragma once

#include <functional>

#include "platform/runtime/event_loop.h"

namespace platform {

class Timer final : public Scheduled {
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

  std::function<void()> onTick;

 protected:
  int activePeriodMs() const override { return enabled_ ? effectiveIntervalMs() : 0; }
  void fire() override {
    if (onTick) onTick();
  }

 private:
  void restartPeriod();

  EventLoop& loop_;
  int interval_ = 0;
  bool enabled_ = false;
};

}  // namespace platform
