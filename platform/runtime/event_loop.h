// The one thread of the program: timers, input and redraws, driven by an injectable clock.
// Its handlers run here one at a time and always to their end; nothing else calls them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

// Desktop timers of the old runtime never ticked faster than this; a program's 1 ms timers rely on it
// to keep their pace as designed without spinning a core.
inline constexpr int kTimerFloorMs = 10;

// Milliseconds on a monotonic scale. The real clock reads the OS; the manual clock moves only when told.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual int64_t nowMs() const = 0;
};

class ManualClock final : public Clock {
 public:
  int64_t nowMs() const override { return now_; }
  void set(int64_t ms) { now_ = ms; }

 private:
  int64_t now_ = 0;
};

class RealClock final : public Clock {
 public:
  int64_t nowMs() const override;
};

// What the real loop waits on between deadlines: the windowing backend. It dispatches any input that
// arrives (to control notifications) and draws a frame when something changed.
class InputSource {
 public:
  virtual ~InputSource() = default;
  // Block until input arrives or timeoutMs passes (-1: no deadline). Dispatch what arrived.
  virtual void waitAndDispatch(int timeoutMs) = 0;
  // Draw one frame if anything changed since the last one.
  virtual void presentIfChanged() = 0;
};

// What the loop fires on a schedule: the timer control is one. The loop knows no more of its clients than
// this: a period (0 while it must not fire), a deadline on the loop's clock, and what firing does.
class Scheduled {
 public:
  virtual ~Scheduled() = default;
  int64_t dueMs() const { return due_; }

 protected:
  virtual int activePeriodMs() const = 0;
  virtual void fire() = 0;
  int64_t due_ = 0;

 private:
  friend class EventLoop;
};

class EventLoop {
 public:
  explicit EventLoop(std::unique_ptr<Clock> clock);
  ~EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // A loop over a ManualClock, the way tests and headless tools drive a program.
  static std::unique_ptr<EventLoop> manual();

  int64_t nowMs() const { return clock_->nowMs(); }
  Clock& clock() { return *clock_; }

  // Fire every timer whose deadline has passed, once each, in deadline order (ties: creation order).
  // A late timer fires once and its next deadline is a whole period after now: missed ticks coalesce.
  // Called from inside a handler it does nothing: a handler always runs to its end first.
  void runDue();

  // Manual clock only: move time forward by ms, stopping at every deadline on the way so that each due
  // tick fires in deadline order, exactly as a real clock that is never late would have them.
  void advance(int64_t ms);

  // Earliest deadline of an active client, or -1 when none is active.
  int64_t nextDeadlineMs() const;

  // Real loop: wait for input or the next deadline, fire timers, draw; until quit().
  void setInputSource(InputSource* source) { input_ = source; }
  void run();
  void quit() { quitting_ = true; }
  bool quitting() const { return quitting_; }

  // A client joins the schedule for its lifetime (ties between equal deadlines go to the older one).
  void add(Scheduled* s);
  void remove(Scheduled* s);

 private:
  std::unique_ptr<Clock> clock_;
  std::vector<Scheduled*> timers_;  // creation order
  InputSource* input_ = nullptr;
  bool quitting_ = false;
  int depth_ = 0;
};

}  // namespace platform
