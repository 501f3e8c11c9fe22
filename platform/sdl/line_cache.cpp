// Text lines rasterised by SDL_ttf into textures, by font, colour and text.
#include "platform/sdl/line_cache.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include "platform/sdl/font_cache.h"

namespace platform {

namespace {

constexpr size_t kLineCacheLimit = 512;

}  // namespace

LineCache::~LineCache() {
  for (auto& [key, line] : lines_) SDL_DestroyTexture(line.texture);
}

bool LineCache::draw(LoadedFont& f, std::string_view text, Color color, int x, int y, const Control* owner,
                     uint64_t frame) {
  if (text.empty()) return false;
  std::string key = f.key;
  key += std::to_string(color);
  key += '|';
  key.append(text);
  bool made = false;
  auto it = lines_.find(key);
  if (it == lines_.end()) {
    Line line;
    const std::string owned(text);  // SDL_ttf reads up to a terminating NUL
    const SDL_Color c{static_cast<Uint8>(redOf(color)), static_cast<Uint8>(greenOf(color)),
                      static_cast<Uint8>(blueOf(color)), 255};
    if (SDL_Surface* s = TTF_RenderUTF8_Blended(f.font->ttf(), owned.c_str(), c)) {
      line.texture = SDL_CreateTextureFromSurface(sdl_, s);
      line.w = s->w;
      line.h = s->h;
      SDL_FreeSurface(s);
      if (line.texture) SDL_SetTextureBlendMode(line.texture, SDL_BLENDMODE_BLEND);
    }
    made = true;
    it = lines_.emplace(std::move(key), line).first;
  }
  Line& line = it->second;
  line.lastFrame = frame;
  line.owner = owner;
  if (!line.texture) return made;
  const SDL_Rect dst{x, y, line.w, line.h};
  SDL_RenderCopy(sdl_, line.texture, nullptr, &dst);
  return made;
}

void LineCache::evict(const std::unordered_map<const Control*, uint64_t>& drawnAt) {
  if (lines_.size() <= kLineCacheLimit) return;
  for (auto it = lines_.begin(); it != lines_.end();) {
    const auto owner = drawnAt.find(it->second.owner);
    const uint64_t ownerFrame = owner == drawnAt.end() ? 0 : owner->second;
    if (it->second.lastFrame != ownerFrame) {
      SDL_DestroyTexture(it->second.texture);
      it = lines_.erase(it);
    } else {
      ++it;
    }
  }
}

size_t LineCache::textBytes() const {
  size_t n = 0;
  for (const auto& [key, line] : lines_) n += key.size();
  return n;
}

}  // namespace platform
