// Rules the picture decoders of both systems share (libjpeg-turbo on Linux, WIC on Windows), so that a
// picture is refused, reduced and kept alike on either.
#pragma once

#include <cstdint>
#include <string>

#include "platform/runtime/image.h"

namespace platform {

// The largest of 1, 2, 4, 8 to divide a width × height picture by that still leaves at least 7/8 of the
// shown size needWidth × needHeight in both directions (1 when the shown size is 0).
int pictureScaleDenominator(uint64_t width, uint64_t height, int needWidth, int needHeight);

// Stretch *image down to needWidth × needHeight where it is larger in a direction (0: no limit).
void keepAtShownSize(Image* image, int needWidth, int needHeight);

}  // namespace platform
