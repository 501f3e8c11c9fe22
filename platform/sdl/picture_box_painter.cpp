// A picture box: its picture stretched over the client area, or its back colour, and its border.
#include <SDL.h>

#include <algorithm>
#include <cmath>

#include "platform/runtime/picture_box.h"
#include "platform/sdl/painter.h"
#include "platform/sdl/picture_cache.h"

namespace platform {

PixelRect pictureClientRect(const PictureBox& box, float scale) {
  const PixelRect rect = toPixels(box.windowRect(), scale);
  const int inset = box.BorderStyle() ? static_cast<int>(std::lround(PictureBox::kBorderPx * scale)) : 0;
  return PixelRect{rect.x + inset, rect.y + inset, std::max(0, rect.w - 2 * inset),
                   std::max(0, rect.h - 2 * inset)};
}

bool drawnStretched(const PictureBox& box, float scale) {
  const PixelRect client = pictureClientRect(box, scale);
  if (const PictureBox::Painting* painting = box.painting()) {
    return client.w != static_cast<int>(std::lround(painting->sw)) ||
           client.h != static_cast<int>(std::lround(painting->sh));
  }
  const Image& image = box.retained();
  return !image.empty() && (client.w != image.width || client.h != image.height);
}

void paintPictureBox(Painter& p, const PictureBox& box, const PixelRect& rect) {
  PixelRect from;
  SDL_Texture* picture = p.pictures.texture(box, &from, &p.stats.picturesUploaded);
  // The picture is stretched over the whole client area and copied opaque: without a border no
  // background shows, and filling it first would only double the frame's memory traffic.
  if (!picture || box.BorderStyle()) {
    p.setColor(box.BackColor());
    p.fill(rect);
  }
  if (picture) {
    const PixelRect c = pictureClientRect(box, p.scale);
    const SDL_Rect client{c.x, c.y, c.w, c.h};
    const SDL_Rect part{from.x, from.y, from.w, from.h};
    SDL_RenderCopy(p.sdl, picture, from.w > 0 ? &part : nullptr, &client);
  }
  if (box.BorderStyle()) p.border(rect);
}

}  // namespace platform
