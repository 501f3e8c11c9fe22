// A shade: its back colour blended over what was drawn behind it, at its opacity.
#include <SDL.h>

#include "platform/runtime/shade.h"
#include "platform/sdl/painter.h"

namespace platform {

void paintShade(Painter& p, const Shade& shade, const PixelRect& rect) {
  const Color c = shade.BackColor();
  SDL_SetRenderDrawBlendMode(p.sdl, SDL_BLENDMODE_BLEND);
  SDL_SetRenderDrawColor(p.sdl, static_cast<Uint8>(redOf(c)), static_cast<Uint8>(greenOf(c)),
                         static_cast<Uint8>(blueOf(c)), static_cast<Uint8>(shade.Opacity()));
  p.fill(rect);
  // Every other painter fills opaque.
  SDL_SetRenderDrawBlendMode(p.sdl, SDL_BLENDMODE_NONE);
}

}  // namespace platform
