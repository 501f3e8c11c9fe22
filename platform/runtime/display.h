// The desktop's text scaling: twips and points map to pixels at the desktop's dots per inch, as the old
// runtime did on a high-dpi desktop, so that every size given in twips or points keeps its physical size
// (15 twips per pixel at 96 dpi, 7.5 at 192). The window backend reports the dpi once, before the window
// is laid out; headless runs and tests keep the classic 96.
#pragma once

namespace platform {

inline constexpr float kClassicDpi = 96.0f;

float displayDpi();
// Values outside 48..960 (or not a number) are taken as 96.
void setDisplayDpi(float dpi);
float twipsPerPixel();   // 1440 / dpi
float pixelsPerPoint();  // dpi / 72

}  // namespace platform
