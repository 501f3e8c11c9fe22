// SDL's subsystem counts, kept under one lock for every thread that starts or stops a subsystem.
#include "platform/media/sdl_subsystems.h"

#include <SDL.h>

#include <mutex>

namespace platform {
namespace {

// Constant-initialised, so that it outlives whatever still closes at exit.
std::mutex gSubsystemMutex;

}  // namespace

bool startSdlSubsystems(uint32_t sdlInitFlags, std::string* error) {
  std::lock_guard<std::mutex> hold(gSubsystemMutex);
  if (SDL_InitSubSystem(sdlInitFlags) == 0) return true;
  if (error) *error = SDL_GetError();
  return false;
}

void stopSdlSubsystems(uint32_t sdlInitFlags) {
  std::lock_guard<std::mutex> hold(gSubsystemMutex);
  SDL_QuitSubSystem(sdlInitFlags);
}

}  // namespace platform
