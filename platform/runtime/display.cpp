// The desktop's dots per inch, one value for the whole program.
#include "platform/runtime/display.h"

#include <cmath>

namespace platform {

namespace {

float gDpi = kClassicDpi;

}  // namespace

float displayDpi() { return gDpi; }

void setDisplayDpi(float dpi) {
  gDpi = std::isfinite(dpi) && dpi >= 48.0f && dpi <= 960.0f ? dpi : kClassicDpi;
}

float twipsPerPixel() { return 1440.0f / gDpi; }

float pixelsPerPoint() { return gDpi / 72.0f; }

}  // namespace platform
