// The proportions LayoutWindow gives the window, in its logical units, and the sizes it derives from the
// window height. Plain numbers with no control behind them, so that the content tools can work out what
// the player's screen will show (how wide a row of text may be, which shape a picture is stretched to)
// from the same figures the game lays itself out with.
#pragma once

#include <cmath>

namespace ui {

// The window's logical units: 8.1 across and 6.1 down, the origin at (-0.05, -0.05), so that the 8 × 6
// play area has a small white margin.
inline constexpr float kScaleLeft = -0.05f;
inline constexpr float kScaleTop = -0.05f;
inline constexpr float kScaleWidth = 8.1f;
inline constexpr float kScaleHeight = 6.1f;

// The title picture picStt covers the 8 × 6 play area: a 4:3 picture fills it unstretched.
inline constexpr float kTitleWidth = 8;
inline constexpr float kTitleHeight = 6;
// The scene picture Pic is the 6 × 6 square at the play area's left; the text labels cover all of it.
inline constexpr float kSceneSize = 6;

// Below this height in twips the layout leaves the window as it is.
inline constexpr double kMinLayoutHeightTwips = 800;

// The window's first height, from the screen's, both in twips: four fifths of it, division first, in
// single precision, as start-up has always computed it.
inline float initialWindowHeight(float screenHeightTwips) { return screenHeightTwips / 5.0f * 4.0f; }

// The text's point size from the window height in twips (before the 16-bit check the layout makes);
// the option buttons use twice this and the day counter three times.
inline double basePointSize(double windowHeightTwips) { return std::floor(windowHeightTwips / 100 / 10) + 3; }

}  // namespace ui
