// Fonts by face and pixel size, opened on first use.
#include "platform/sdl/font_cache.h"

#include <algorithm>
#include <tuple>

#include "platform/runtime/app.h"
#include "platform/sdl/fonts.h"

namespace platform {

namespace {

constexpr size_t kFontCacheLimit = 12;

}  // namespace

bool FontCache::Key::operator<(const Key& o) const {
  return std::tie(path, index, pixelSize, bold) < std::tie(o.path, o.index, o.pixelSize, o.bold);
}

LoadedFont* FontCache::get(const std::string& family, bool bold, float points, float pixelScale,
                           uint64_t frame) {
  const FontFace face = findFont(family, bold);
  if (face.path.empty()) return nullptr;
  const int px = fontPixelSize(points, pixelScale);
  Key key{face.path, face.index, px, face.synthesizeBold};
  auto it = fonts_.find(key);
  if (it == fonts_.end()) {
    LoadedFont loaded;
    std::string error;
    loaded.font = Font::open(face, px, &error);
    if (!loaded.font && std::find(reported_.begin(), reported_.end(), face.path) == reported_.end()) {
      reported_.push_back(face.path);
      reportProblem(error);
    }
    loaded.key = face.path + "#" + std::to_string(face.index) + "@" + std::to_string(px) +
                 (face.synthesizeBold ? "b" : "") + "|";
    it = fonts_.emplace(std::move(key), std::move(loaded)).first;
  }
  it->second.lastFrame = frame;
  return it->second.font ? &it->second : nullptr;
}

void FontCache::evict(uint64_t lastWholeFrame) {
  if (fonts_.size() <= kFontCacheLimit) return;
  for (auto it = fonts_.begin(); it != fonts_.end();) {
    if (it->second.lastFrame < lastWholeFrame) {
      it = fonts_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace platform
