// The one decode each system's picture decoder does (libjpeg-turbo on Linux, WIC on Windows), under the
// loading, naming and caching both share (picture_loading.cpp).
#pragma once

#include <optional>
#include <string>

#include "platform/runtime/image.h"

namespace platform {

// loadPictureFile without naming a file cut short: that is told in *cutShort, so that a picture kept and
// shown again is named each time it is shown.
std::optional<DecodedPicture> decodePicture(const std::string& utf8Path, int needWidth, int needHeight,
                                            std::string* error, bool* cutShort);

}  // namespace platform
