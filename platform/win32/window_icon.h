// The window's own icon from the Form's picture (the lantern the game draws), for the caption bar.
#pragma once

#include <windows.h>

#include "platform/runtime/image.h"

namespace platform {

// An icon of the picture's size with its alpha; null for an empty picture. The caller destroys it.
HICON makeWindowIcon(const Image& picture);

}  // namespace platform
