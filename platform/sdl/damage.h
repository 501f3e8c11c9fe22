// Damage and occlusion: which parts of the window a frame must draw again, from where each control lay in
// the last frame and where it lies now, and which controls need not be drawn at all because an opaque one
// in front covers them. Pure arithmetic on the control tree; the renderer draws what it says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/sdl/pixel_rect.h"

namespace platform {

class Control;
class Form;

// A control as a frame placed it: the part of the window it covers (empty when hidden) and its change
// stamp. Kept in drawing order for the whole tree, hidden controls included.
struct Placed {
  const Control* control = nullptr;
  PixelRect clip;
  uint64_t stamp = 0;
};

// Every control under c (c included) in drawing order with the part of the window it covers now.
void placeTree(const Control& c, const PixelRect& parentClip, bool visible, float scale,
               std::vector<Placed>& out);

// Adds r to a set of rectangles to redraw, joining it with those it overlaps: each pixel is drawn once.
// Past a few separate rectangles the set becomes the one rectangle around them all.
void addDamage(std::vector<PixelRect>& damage, PixelRect r);

// The rectangles that differ between the last frame's placement (drawn at change serial lastSerial) and
// now's, added to damage; false when the whole window must be drawn instead.
bool changedRects(const Form& form, uint64_t lastSerial, const std::vector<Placed>& before,
                  const std::vector<Placed>& now, float scale, std::vector<PixelRect>& damage);

// The front-most visible child of the window that paints all of r, or the number of children when none
// does: neither the window's background nor any child behind it shows there.
size_t frontmostCover(const Form& form, const PixelRect& r, float scale);

// True when the window's child i, within r, lies wholly under one opaque child in front of it.
bool hiddenBehind(const Form& form, size_t i, const PixelRect& r, float scale);

}  // namespace platform
