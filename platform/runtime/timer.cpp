// The desktop timer control, scheduled by the event loop.
#include "platform/runtime/timer.h"

#include <algorithm>

namespace platform {

Timer::Timer(EventLoop& loop, int intervalMs, bool enabled)
    : loop_(loop), interval_(intervalMs), enabled_(enabled) {
  loop_.add(this);
  restartPeriod();
}

Timer::~Timer() { loop_.remove(this); }

int Timer::effectiveIntervalMs() const {
  if (interval_ <= 0) return 0;
  return std::max(interval_, kTimerFloorMs);
}

void Timer::restartPeriod() {
  due_ = loop_.nowMs() + effectiveIntervalMs();
  leftWhenHeldMs_ = effectiveIntervalMs();
}

void Timer::hold() {
  if (held_) return;
  held_ = true;
  leftWhenHeldMs_ = std::max<int64_t>(0, due_ - loop_.nowMs());
}

void Timer::resume() {
  if (!held_) return;
  held_ = false;
  due_ = loop_.nowMs() + leftWhenHeldMs_;
}

void Timer::setInterval(int ms) {
  if (ms < 0) ms = 0;
  interval_ = ms;
  restartPeriod();  // a new interval starts a fresh period, as in the old runtime
}

void Timer::setEnabled(bool on) {
  // Disabling and enabling again restarts the period; enabling an enabled timer changes nothing.
  if (on && !enabled_) restartPeriod();
  enabled_ = on;
}

}  // namespace platform
