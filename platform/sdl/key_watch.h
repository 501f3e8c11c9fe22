// Function keys for the author's preview: presses are counted as SDL queues them, beside the window
// backend, which dispatches only the mouse (the game itself reads no key). The preview asks for the count
// between two waits of the loop, so whatever it does runs outside every control notification.
#pragma once

#include <atomic>

union SDL_Event;

namespace platform {

class FunctionKeyWatch {
 public:
  // Watches F<number> (1 to 12) from now until destruction; SDL's video must be initialised (the window
  // backend's open does that). Key repeats of a held key are not presses.
  explicit FunctionKeyWatch(int number);
  ~FunctionKeyWatch();
  FunctionKeyWatch(const FunctionKeyWatch&) = delete;
  FunctionKeyWatch& operator=(const FunctionKeyWatch&) = delete;

  // Presses since the last call.
  int takePresses() { return presses_.exchange(0); }

 private:
  static int onEvent(void* self, SDL_Event* event);
  int keyCode_;
  std::atomic<int> presses_{0};
};

}  // namespace platform
