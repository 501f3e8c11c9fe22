// Starting SDL's video for the game's window: the hints that keep the window light (the software renderer,
// no GL behind the window surface), the desktop's matching of the window to the game, and retries for a
// display that refuses a connection for a moment. Called by the window backend when it opens.
#pragma once

#include <string>

namespace platform {

// Starts SDL's video subsystem on a real display (or on the driver SDL_VIDEODRIVER names). False with a
// reason when none can be opened; the subsystem is then not started.
bool startVideo(std::string* error);

}  // namespace platform
