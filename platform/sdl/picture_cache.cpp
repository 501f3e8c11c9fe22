// Picture textures by box: uploaded when what the box shows changed, given back when the box leaves the
// screen.
#include "platform/sdl/picture_cache.h"

#include <SDL.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/runtime/picture_box.h"
#include "platform/sdl/damage.h"

namespace platform {

namespace {

// 64-bit content hash of a picture, four lanes so that it runs at memory speed.
uint64_t hashPixels(const Image& image) {
  const uint32_t* p = image.pixels.data();
  const size_t n = image.pixels.size();
  uint64_t h[4] = {0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull,
                   0x27D4EB2F165667C5ull};
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    for (int lane = 0; lane < 4; ++lane) {
      uint64_t v;
      std::memcpy(&v, p + i + 2 * lane, sizeof v);
      h[lane] = (h[lane] ^ v) * 0x100000001B3ull;
    }
  }
  uint64_t out = h[0] ^ (h[1] << 1) ^ (h[2] << 2) ^ (h[3] << 3);
  for (; i < n; ++i) out = (out ^ p[i]) * 0x100000001B3ull;
  return out ^ (static_cast<uint64_t>(image.width) << 32) ^ static_cast<uint64_t>(image.height);
}

}  // namespace

PictureCache::PictureCache(SDL_Renderer* target) : sdl_(target), format_(SDL_PIXELFORMAT_ARGB8888) {
  // The window's own format where our 0xAARRGGBB pixels read the same in it (an X server's 24-bit visual
  // is XRGB8888). A stretched copy between two formats goes through temporary surfaces in SDL, one of
  // them the size of the box: megabytes cleared and faulted in for every frame that draws the picture.
  if (SDL_Window* window = target ? SDL_RenderGetWindow(target) : nullptr) {
    if (SDL_GetWindowPixelFormat(window) == SDL_PIXELFORMAT_RGB888) format_ = SDL_PIXELFORMAT_RGB888;
  }
}

PictureCache::~PictureCache() {
  for (auto& [box, e] : entries_) SDL_DestroyTexture(e.texture);
}

void PictureCache::erase(const Control* box) {
  auto it = entries_.find(box);
  if (it == entries_.end()) return;
  SDL_DestroyTexture(it->second.texture);
  entries_.erase(it);
}

// The pixels into the texture, made anew only when their size changed.
void PictureCache::upload(Entry& e, const Image& image, int* uploads) {
  if (!e.texture || e.w != image.width || e.h != image.height) {
    SDL_DestroyTexture(e.texture);
    e.texture = SDL_CreateTexture(sdl_, format_, SDL_TEXTUREACCESS_STATIC, image.width, image.height);
    if (e.texture) {
      // A picture is a plain copy: opaque whatever its alpha bytes say.
      SDL_SetTextureBlendMode(e.texture, SDL_BLENDMODE_NONE);
      SDL_SetTextureScaleMode(e.texture, SDL_ScaleModeLinear);
    }
    e.w = image.width;
    e.h = image.height;
  }
  if (e.texture) {
    SDL_UpdateTexture(e.texture, nullptr, image.pixels.data(), image.width * 4);
    ++*uploads;
  }
}

SDL_Texture* PictureCache::texture(const PictureBox& box, PixelRect* from, int* uploads) {
  *from = PixelRect{};
  if (box.painting()) return paintingTexture(box, from, uploads);
  return retainedTexture(box, uploads);
}

// A box that keeps a painting shows the picture it was painted from, at that picture's size: uploaded
// once per picture.
SDL_Texture* PictureCache::paintingTexture(const PictureBox& box, PixelRect* from, int* uploads) {
  const PictureBox::Painting& painting = *box.painting();
  const Image& image = *painting.source;
  Entry& e = entries_[&box];
  if (e.source != painting.source) {
    upload(e, image, uploads);
    e.source = painting.source;
    e.hash = 0;
    e.stamp = 0;
  }
  const int x0 = std::clamp(static_cast<int>(std::lround(painting.sx)), 0, image.width);
  const int y0 = std::clamp(static_cast<int>(std::lround(painting.sy)), 0, image.height);
  const int x1 = std::clamp(static_cast<int>(std::lround(painting.sx + painting.sw)), x0, image.width);
  const int y1 = std::clamp(static_cast<int>(std::lround(painting.sy + painting.sh)), y0, image.height);
  *from = PixelRect{x0, y0, x1 - x0, y1 - y0};
  return from->empty() ? nullptr : e.texture;
}

// Otherwise its retained pixels, uploaded when they changed.
SDL_Texture* PictureCache::retainedTexture(const PictureBox& box, int* uploads) {
  const Image& image = box.retained();
  auto it = entries_.find(&box);
  if (it != entries_.end() && it->second.source) {  // it held a painting's picture before
    erase(&box);
    it = entries_.end();
  }
  if (image.empty()) {
    erase(&box);
    return nullptr;
  }
  if (it == entries_.end()) it = entries_.emplace(&box, Entry{}).first;
  Entry& e = it->second;
  // Pictures change only with their box; an exposed window or a change elsewhere redraws without
  // looking at the pixels again.
  if (!e.texture || e.stamp != box.changeStamp()) {
    e.stamp = box.changeStamp();
    const uint64_t h = hashPixels(image);
    if (!e.texture || h != e.hash || e.w != image.width || e.h != image.height) {
      upload(e, image, uploads);
      e.hash = h;
    }
  }
  return e.texture;
}

void PictureCache::dropHidden(const std::vector<Placed>& placed) {
  bool dropped = false;
  for (auto it = entries_.begin(); it != entries_.end();) {
    const bool onScreen = std::any_of(placed.begin(), placed.end(), [&](const Placed& p) {
      return p.control == it->first && p.clip.w > 0;
    });
    if (onScreen) {
      ++it;
    } else {
      SDL_DestroyTexture(it->second.texture);
      it = entries_.erase(it);
      dropped = true;
    }
  }
#if defined(__GLIBC__)
  // The allocator would keep the freed pages (and those of the pictures decoded before) for itself,
  // some 4 MiB once the title is gone; this happens only when a picture leaves the screen.
  if (dropped) malloc_trim(0);
#else
  (void)dropped;
#endif
}

}  // namespace platform
