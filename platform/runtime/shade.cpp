// The shade: its opacity, and the blend the renderers apply.
#include "platform/runtime/shade.h"

#include <algorithm>

namespace platform {

Shade::Shade(Control* parent, std::string name) : Control(ControlKind::Shade, parent, std::move(name)) {
  setBackColor(rgb(0, 0, 0));
}

void Shade::setOpacity(int opacity) {
  opacity = std::clamp(opacity, 0, 255);
  if (opacity_ == opacity) return;
  opacity_ = opacity;
  invalidate();
}

Color shadeBlend(Color under, Color veil, int opacity) {
  const int a = std::clamp(opacity, 0, 255);
  const auto mix = [a](int u, int v) { return (u * (255 - a) + v * a + 127) / 255; };
  return rgb(mix(redOf(under), redOf(veil)), mix(greenOf(under), greenOf(veil)),
             mix(blueOf(under), blueOf(veil)));
}

}  // namespace platform
