// A label: its back colour when opaque, its caption from the top of its box, and its border.
#include "platform/runtime/label.h"
#include "platform/sdl/painter.h"

namespace platform {

void paintLabel(Painter& p, const Label& label, const PixelRect& rect, const PixelRect& clip) {
  if (label.BackStyleOpaque()) {
    p.setColor(label.BackColor());
    p.fill(rect);
  }
  p.caption(label.Caption(), label.FontName(), label.FontBold(), label.FontSize(), label.ForeColor(), rect,
            false, clip.y + clip.h);
  if (label.BorderStyle()) p.border(rect);
}

}  // namespace platform
