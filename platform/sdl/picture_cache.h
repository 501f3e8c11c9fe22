// The renderer's pictures: a texture per picture box, holding what the box shows (the picture it was
// painted from, or its retained pixels), uploaded only when that changed. A texture is a whole copy of its
// picture, so boxes that leave the screen give theirs back at once.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/runtime/image.h"
#include "platform/sdl/pixel_rect.h"

struct SDL_Renderer;
struct SDL_Texture;

namespace platform {

class Control;
class PictureBox;
struct Placed;

class PictureCache {
 public:
  explicit PictureCache(SDL_Renderer* target);
  ~PictureCache();
  PictureCache(const PictureCache&) = delete;
  PictureCache& operator=(const PictureCache&) = delete;

  // What the box shows as a texture, null when it shows nothing. *from: the part of the texture to draw
  // (empty for the whole). *uploads counts the pictures uploaded.
  SDL_Texture* texture(const PictureBox& box, PixelRect* from, int* uploads);

  // Gives back the textures of boxes not on screen in the frame just placed.
  void dropHidden(const std::vector<Placed>& placed);

 private:
  struct Entry {
    SDL_Texture* texture = nullptr;
    int w = 0, h = 0;
    std::shared_ptr<const Image> source;  // the picture a painting's texture holds (kept, so never reused)
    uint64_t hash = 0;
    uint64_t stamp = 0;  // the box's change stamp when the pixels were last compared
  };
  SDL_Texture* retainedTexture(const PictureBox& box, int* uploads);
  SDL_Texture* paintingTexture(const PictureBox& box, PixelRect* from, int* uploads);
  void upload(Entry& e, const Image& image, int* uploads);
  void erase(const Control* box);

  SDL_Renderer* sdl_;
  std::unordered_map<const Control*, Entry> entries_;
  uint32_t format_;
};

}  // namespace platform
