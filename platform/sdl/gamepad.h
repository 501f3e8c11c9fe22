// Gamepads through SDL's game-controller API, as keys for the input rules: A, B, X, Y and Start as the
// pad's own key codes, the d-pad's up and down as the arrow keys, and the right trigger as a key held
// while it is pulled past half-way. Pads plugged in while the game runs are picked up. Owned by the window
// backend, which hands it every SDL event it reads; SDL's subsystem starts through sdl_subsystems.h, and
// only once the system shows a joystick's device: a player without a pad never pays for it (a third of a
// MiB and a millisecond at start-up).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/runtime/input.h"

union SDL_Event;
struct _SDL_GameController;

namespace platform {

class Gamepads {
 public:
  Gamepads() = default;
  ~Gamepads();
  Gamepads(const Gamepads&) = delete;
  Gamepads& operator=(const Gamepads&) = delete;

  // Starts SDL's game-controller subsystem and opens the pads plugged in, if the system shows a joystick
  // device (udev's by-id links or the joystick driver's js nodes). Called whenever the pads are due.
  void lookForPads();
  // Starts it now, device or not (a virtual pad has none); without the subsystem (named on stderr once)
  // there are simply no pads.
  void start();
  bool started() const { return started_; }

  // A pad's button or trigger as a key event, false for anything else. Opens pads as they are plugged in
  // and closes those taken away.
  bool translate(const SDL_Event& e, InputEvent* out);
  // How long the loop may sleep before SDL must be asked for the pads' news: pads are not read through
  // the display connection the window waits on. Short while a pad is open, a few seconds to notice one
  // plugged in; -1 when the subsystem failed to start.
  int pollIntervalMs() const;
  int openCount() const { return static_cast<int>(pads_.size()); }

  // The trigger's travel (0 to 32767) that presses it and the travel it must fall back under to release
  // it: a trigger resting near the line never chatters.
  static constexpr int kTriggerPressTravel = 16384;
  static constexpr int kTriggerReleaseTravel = 8192;
  static constexpr int kPadPollMs = 15;
  static constexpr int kPlugCheckMs = 3000;

 private:
  struct Pad {
    _SDL_GameController* controller;
    int32_t instanceId;
    bool triggerDown;
  };
  void open(int deviceIndex);
  void close(int32_t instanceId);
  Pad* find(int32_t instanceId);
  bool trigger(const SDL_Event& e, InputEvent* out);

  bool started_ = false;
  bool failed_ = false;
  std::vector<Pad> pads_;
};

}  // namespace platform
