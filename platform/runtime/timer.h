// The desktop timer control: interval, enabled flag, tick handler.
// Kept from the old runtime: intervals below kTimerFloorMs tick every kTimerFloorMs; enabling a timer or
// changing its interval starts a fresh period; a tick never interrupts a running handler, and a late
// timer fires once rather than in a burst.
// Added: a hold stops the clock of a timer without touching its interval or enabled flag, and resuming
// gives it back the time it had left, so that a game paused under an overlay picks up where it stood.
#pragma once

#include <cstdint>
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

  // While held the timer never ticks; resume() makes its next tick come after the time that was left
  // when it was held. Enabling it or changing its interval while held starts a fresh whole period,
  // counted from the resume. Holding a held timer, or resuming one that is not held, does nothing.
  void hold();
  void resume();
  bool held() const { return held_; }

  std::function<void()> onTick;

 protected:
  int activePeriodMs() const override { return enabled_ && !held_ ? effectiveIntervalMs() : 0; }
  void fire() override {
    if (onTick) onTick();
  }

 private:
  void restartPeriod();

  EventLoop& loop_;
  int interval_ = 0;
  bool enabled_ = false;
  bool held_ = false;
  int64_t leftWhenHeldMs_ = 0;
};

}  // namespace platform
