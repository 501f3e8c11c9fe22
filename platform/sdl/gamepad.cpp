// SDL's game-controller events to the runtime's key events.
#include "platform/sdl/gamepad.h"

#include <SDL.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "platform/media/sdl_subsystems.h"
#include "platform/runtime/problems.h"

namespace platform {

namespace {

// The pad's buttons the game has a use for; 0 for the rest.
int16_t keyOfButton(uint8_t button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_A:
      return kPadA;
    case SDL_CONTROLLER_BUTTON_B:
      return kPadB;
    case SDL_CONTROLLER_BUTTON_X:
      return kPadX;
    case SDL_CONTROLLER_BUTTON_Y:
      return kPadY;
    case SDL_CONTROLLER_BUTTON_START:
      return kPadStart;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
      return kKeyUp;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
      return kKeyDown;
    default:
      return 0;
  }
}

// Whether the system shows a joystick: udev links every one as /dev/input/by-id/…-joystick, and the
// kernel's joystick driver, where it is loaded, makes /dev/input/js0 and on.
bool joystickDeviceShown() {
  namespace fs = std::filesystem;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator("/dev/input/by-id", ec)) {
    const std::string name = e.path().filename().string();
    if (name.size() >= 9 && name.compare(name.size() - 9, 9, "-joystick") == 0) return true;
  }
  for (const auto& e : fs::directory_iterator("/dev/input", ec)) {
    if (e.path().filename().string().rfind("js", 0) == 0) return true;
  }
  return false;
}

}  // namespace

void Gamepads::lookForPads() {
  if (started_ || failed_ || !joystickDeviceShown()) return;
  start();
}

void Gamepads::start() {
  if (started_ || failed_) return;
  std::string why;
  started_ = startSdlSubsystems(SDL_INIT_GAMECONTROLLER, &why);
  if (!started_) {
    failed_ = true;
    reportProblem("no gamepads: " + why);
    return;
  }
  for (int i = 0; i < SDL_NumJoysticks(); ++i) open(i);
}

Gamepads::~Gamepads() {
  for (Pad& p : pads_) SDL_GameControllerClose(p.controller);
  if (started_) stopSdlSubsystems(SDL_INIT_GAMECONTROLLER);
}

void Gamepads::open(int deviceIndex) {
  if (!SDL_IsGameController(deviceIndex)) return;
  // SDL also announces the pads it found at start-up, which are open already.
  if (find(SDL_JoystickGetDeviceInstanceID(deviceIndex))) return;
  SDL_GameController* c = SDL_GameControllerOpen(deviceIndex);
  if (!c) return;
  pads_.push_back(Pad{c, SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c)), false});
}

void Gamepads::close(int32_t instanceId) {
  for (auto it = pads_.begin(); it != pads_.end(); ++it) {
    if (it->instanceId != instanceId) continue;
    SDL_GameControllerClose(it->controller);
    pads_.erase(it);
    return;
  }
}

Gamepads::Pad* Gamepads::find(int32_t instanceId) {
  for (Pad& p : pads_) {
    if (p.instanceId == instanceId) return &p;
  }
  return nullptr;
}

bool Gamepads::trigger(const SDL_Event& e, InputEvent* out) {
  if (e.caxis.axis != SDL_CONTROLLER_AXIS_TRIGGERRIGHT) return false;
  Pad* pad = find(e.caxis.which);
  if (!pad) return false;
  const int travel = e.caxis.value;
  if (!pad->triggerDown && travel >= kTriggerPressTravel) {
    pad->triggerDown = true;
  } else if (pad->triggerDown && travel < kTriggerReleaseTravel) {
    pad->triggerDown = false;
  } else {
    return false;
  }
  *out = keyEvent(pad->triggerDown, kPadRightTrigger);
  return true;
}

bool Gamepads::translate(const SDL_Event& e, InputEvent* out) {
  switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED:
      open(e.cdevice.which);
      return false;
    case SDL_CONTROLLERDEVICEREMOVED: {
      // A trigger held as the pad goes is let go, or fast-forward would run on without it.
      Pad* pad = find(e.cdevice.which);
      const bool wasHeld = pad && pad->triggerDown;
      close(e.cdevice.which);
      if (wasHeld) *out = keyEvent(false, kPadRightTrigger);
      return wasHeld;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      const int16_t key = keyOfButton(e.cbutton.button);
      if (key == 0 || !find(e.cbutton.which)) return false;
      *out = keyEvent(e.type == SDL_CONTROLLERBUTTONDOWN, key);
      return true;
    }
    case SDL_CONTROLLERAXISMOTION:
      return trigger(e, out);
    default:
      return false;
  }
}

int Gamepads::pollIntervalMs() const {
  if (failed_) return -1;
  return pads_.empty() ? kPlugCheckMs : kPadPollMs;
}

}  // namespace platform
