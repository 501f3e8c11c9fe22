// What changed between two frames, and what lies hidden behind an opaque control.
#include "platform/sdl/damage.h"

#include "platform/runtime/form.h"
#include "platform/runtime/label.h"
#include "platform/runtime/picture_box.h"
#include "platform/sdl/painter.h"

namespace platform {

namespace {

// More separate changed rectangles than this are drawn as the one rectangle around them all.
constexpr size_t kDamageRectLimit = 6;

// A control that paints every pixel of its rectangle.
bool opaque(const Control& c) {
  if (c.kind() == ControlKind::Label) return static_cast<const Label&>(c).BackStyleOpaque();
  return c.kind() == ControlKind::PictureBox || c.kind() == ControlKind::OptionButton;
}

// SDL samples a stretched copy differently when only part of it is drawn, a step of one in a colour
// channel along the cut: a picture drawn stretched is drawn whole or not at all.
void growOverStretchedPictures(const std::vector<Placed>& now, float scale, std::vector<PixelRect>& damage) {
  for (bool grew = true; grew;) {
    grew = false;
    for (const Placed& p : now) {
      if (p.clip.w <= 0 || p.control->kind() != ControlKind::PictureBox) continue;
      if (!drawnStretched(*static_cast<const PictureBox*>(p.control), scale)) continue;
      for (const PixelRect& d : damage) {
        if (!overlaps(d, p.clip) || intersect(d, p.clip) == p.clip) continue;
        addDamage(damage, p.clip);
        grew = true;
        break;
      }
      if (grew) break;
    }
  }
}

}  // namespace

void placeTree(const Control& c, const PixelRect& parentClip, bool visible, float scale,
               std::vector<Placed>& out) {
  const bool shown = visible && c.Visible();
  PixelRect clip;
  if (shown) clip = intersect(toPixels(c.windowRect(), scale), parentClip);
  if (clip.empty()) clip = PixelRect{};
  out.push_back(Placed{&c, clip, c.changeStamp()});
  for (const Control* child : c.children()) placeTree(*child, clip, shown && clip.w > 0, scale, out);
}

void addDamage(std::vector<PixelRect>& damage, PixelRect r) {
  if (r.empty()) return;
  for (size_t i = 0; i < damage.size();) {
    if (overlaps(damage[i], r)) {
      r = unite(damage[i], r);
      damage.erase(damage.begin() + static_cast<std::ptrdiff_t>(i));
      i = 0;
    } else {
      ++i;
    }
  }
  damage.push_back(r);
  if (damage.size() > kDamageRectLimit) {
    PixelRect all = damage[0];
    for (const PixelRect& d : damage) all = unite(all, d);
    damage.assign(1, all);
  }
}

bool changedRects(const Form& form, uint64_t lastSerial, const std::vector<Placed>& before,
                  const std::vector<Placed>& now, float scale, std::vector<PixelRect>& damage) {
  if (form.changeStamp() > lastSerial || now.size() != before.size()) return false;
  bool any = false;
  for (size_t i = 0; i < now.size(); ++i) {
    if (now[i].control != before[i].control) return false;  // the tree itself changed
    if (now[i].stamp > lastSerial || !(now[i].clip == before[i].clip)) {
      any = true;
      addDamage(damage, before[i].clip);
      addDamage(damage, now[i].clip);
    }
  }
  // A change no control owns (or a caller that bumped the serial itself): the whole window.
  if (!any) return form.changeSerial() == lastSerial;
  growOverStretchedPictures(now, scale, damage);
  return true;
}

size_t frontmostCover(const Form& form, const PixelRect& r, float scale) {
  const auto& children = form.children();
  for (size_t i = children.size(); i-- > 0;) {
    const Control* child = children[i];
    if (!child->Visible() || !opaque(*child)) continue;
    if (covers(toPixels(child->windowRect(), scale), r)) return i;
  }
  return children.size();
}

bool hiddenBehind(const Form& form, size_t i, const PixelRect& r, float scale) {
  const auto& children = form.children();
  const PixelRect own = intersect(toPixels(children[i]->windowRect(), scale), r);
  if (own.empty()) return false;  // there is nothing to draw anyway
  for (size_t j = i + 1; j < children.size(); ++j) {
    const Control* front = children[j];
    if (!front->Visible() || !opaque(*front)) continue;
    if (covers(toPixels(front->windowRect(), scale), own)) return true;
  }
  return false;
}

}  // namespace platform
