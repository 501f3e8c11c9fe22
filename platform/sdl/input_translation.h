// SDL's pointer and key events as the runtime's input events: SDL's buttons, keys and modifiers become the
// old runtime's numbers, which the input rules and the game's handlers expect. Called by the window
// backend for every event it reads.
#pragma once

#include <cstdint>

#include "platform/runtime/input.h"

union SDL_Event;

namespace platform {

// The event as the input rules take it, in window pixels; false for events that are not pointer or key
// input, and for keys the game has no use for. The time is left for the caller, which knows the clock.
bool translateInput(const SDL_Event& e, InputEvent* out);

// SDL's modifier bits (KMOD_*) as the old runtime's shift number.
int16_t shiftOf(uint16_t sdlModifiers);

}  // namespace platform
