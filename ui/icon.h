// The game's lantern icon, drawn at any size: the window's icon (32 px) and the icons installed for the
// desktop (tools/icongen) come from this one drawing.
#pragma once

#include "platform/runtime/image.h"

// A small paper lantern on a transparent ground: handle ring, bronze caps, a glowing ribbed body, a red
// tassel. size is the edge in pixels (at least 1); edges are smoothed by sampling each pixel 4 × 4 times.
platform::Image lanternIcon(int size = 32);
