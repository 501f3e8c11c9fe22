// The one thread: fires due timers in deadline order, waits for input or the next deadline, draws.
#include "platform/runtime/event_loop.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/runtime/app.h"

namespace platform {

int64_t RealClock::nowMs() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

EventLoop::EventLoop(std::unique_ptr<Clock> clock) : clock_(std::move(clock)) {}

EventLoop::~EventLoop() = default;

std::unique_ptr<EventLoop> EventLoop::manual() {
  return std::make_unique<EventLoop>(std::make_unique<ManualClock>());
}

void EventLoop::add(Scheduled* s) { timers_.push_back(s); }

void EventLoop::remove(Scheduled* s) {
  timers_.erase(std::remove(timers_.begin(), timers_.end(), s), timers_.end());
}

int64_t EventLoop::nextDeadlineMs() const {
  int64_t best = -1;
  for (const Scheduled* t : timers_) {
    if (t->activePeriodMs() <= 0) continue;
    if (best < 0 || t->due_ < best) best = t->due_;
  }
  return best;
}

void EventLoop::runDue() {
  if (depth_ > 0 || quitting_) return;
  flushProblemsIfDue();
  const int64_t now = clock_->nowMs();
  // Pick the earliest due timer each round, so a handler that enables, disables or re-times another
  // timer is seen by the next choice. Each timer fires at most once per call: a late one coalesces.
  std::vector<Scheduled*> fired;
  for (;;) {
    if (quitting_) return;
    Scheduled* next = nullptr;
    for (Scheduled* t : timers_) {
      if (t->activePeriodMs() <= 0 || t->due_ > now) continue;
      if (std::find(fired.begin(), fired.end(), t) != fired.end()) continue;
      if (!next || t->due_ < next->due_) next = t;
    }
    if (!next) return;
    fired.push_back(next);
    const int period = next->activePeriodMs();
    next->due_ += period;
    if (next->due_ <= now) next->due_ = now + period;  // missed ticks are dropped, not replayed
    ++depth_;
    runGuarded("a timer tick", [next] { next->fire(); });
    --depth_;
  }
}

void EventLoop::advance(int64_t ms) {
  auto* manualClock = dynamic_cast<ManualClock*>(clock_.get());
  if (!manualClock || ms < 0 || depth_ > 0) return;
  const int64_t target = manualClock->nowMs() + ms;
  for (;;) {
    if (quitting_) break;
    const int64_t deadline = nextDeadlineMs();
    if (deadline < 0 || deadline > target) break;
    if (deadline > manualClock->nowMs()) manualClock->set(deadline);
    runDue();
  }
  if (manualClock->nowMs() < target) manualClock->set(target);
}

void EventLoop::run() {
  while (!quitting_) {
    runDue();
    if (quitting_) break;
    if (input_) input_->presentIfChanged();
    const int64_t deadline = nextDeadlineMs();
    int timeout = -1;
    if (deadline >= 0)
      timeout = static_cast<int>(std::clamp<int64_t>(deadline - clock_->nowMs(), 0, 1000000));
    if (input_) {
      input_->waitAndDispatch(timeout);
    } else if (timeout < 0) {
      break;  // nothing can ever happen again
    } else {
      // No window (a headless run of the real loop): sleep until the deadline.
      auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
      while (std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_until(until);
      }
    }
  }
}

}  // namespace platform
