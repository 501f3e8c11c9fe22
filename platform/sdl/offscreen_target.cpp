// An ARGB surface in memory under SDL's software renderer.
#include "platform/sdl/offscreen_target.h"

#include <SDL.h>

#include <cstring>

#include "platform/sdl/heap_policy.h"

namespace platform {

struct OffscreenTarget::Impl {
  SDL_Surface* surface = nullptr;
  SDL_Renderer* sdl = nullptr;
  std::unique_ptr<Renderer> renderer;
};

OffscreenTarget::OffscreenTarget(int width, int height) : impl_(std::make_unique<Impl>()) {
  fixLargeBufferPolicy();
  impl_->surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
  if (impl_->surface) impl_->sdl = SDL_CreateSoftwareRenderer(impl_->surface);
  impl_->renderer = std::make_unique<Renderer>(impl_->sdl);
}

OffscreenTarget::~OffscreenTarget() {
  impl_->renderer.reset();
  if (impl_->sdl) SDL_DestroyRenderer(impl_->sdl);
  if (impl_->surface) SDL_FreeSurface(impl_->surface);
}

bool OffscreenTarget::ok() const { return impl_->sdl != nullptr; }

Renderer& OffscreenTarget::renderer() { return *impl_->renderer; }

Color OffscreenTarget::pixel(int x, int y) const {
  const SDL_Surface* s = impl_->surface;
  if (!s || x < 0 || y < 0 || x >= s->w || y >= s->h) return 0;
  uint32_t v;
  std::memcpy(&v, static_cast<const uint8_t*>(s->pixels) + static_cast<size_t>(y) * s->pitch + x * 4, 4);
  return rgb(static_cast<int>((v >> 16) & 255), static_cast<int>((v >> 8) & 255), static_cast<int>(v & 255));
}

}  // namespace platform
