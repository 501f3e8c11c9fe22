// SDL's subsystems, started and stopped by every part of the program through these two functions only:
// SDL counts their users without a lock, and the music's audio device starts on a thread of its own while
// the window starts SDL's video on the main thread (both start SDL's events underneath).
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// SDL_InitSubSystem(sdlInitFlags) under the one lock; false with SDL's reason in *error when it fails.
bool startSdlSubsystems(uint32_t sdlInitFlags, std::string* error = nullptr);
// SDL_QuitSubSystem(sdlInitFlags) under the same lock; each successful start is stopped once.
void stopSdlSubsystems(uint32_t sdlInitFlags);

}  // namespace platform
