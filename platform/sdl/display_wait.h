// Waiting for the window system between the loop's deadlines, at the cost of one poll(2) per wake.
// SDL's own wait pumps the X queue before and after it sleeps, some fourteen failed reads of the X
// connection for every wake; the music poll wakes the loop every 10 ms. Here a wake that ends by its
// timeout with the connection quiet touches nothing, and the window backend pumps once when something
// came. On drivers other than X11 (the dummy driver of the tests, Wayland) it is inactive and the
// backend waits through SDL. Called by the window backend only, on the user-interface thread.
#pragma once

#include <memory>

struct SDL_Window;

namespace platform {

class DisplayWait {
 public:
  explicit DisplayWait(SDL_Window* window);
  ~DisplayWait();
  DisplayWait(const DisplayWait&) = delete;
  DisplayWait& operator=(const DisplayWait&) = delete;

  bool active() const;
  // Blocks until the X connection has something to read, an event already waits in Xlib's or SDL's
  // queue, a signal arrives, or timeoutMs passes (-1: no deadline). True when the events are worth
  // pumping. Even with the connection quiet SDL is pumped at least every kLongestQuietMs, for the
  // housekeeping it does there (delayed focus changes, signals turned into quit events).
  bool wait(int timeoutMs);
  static constexpr int kLongestQuietMs = 250;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
