// The renderer's fonts: each family, weight and real pixel size opened once and kept while frames use it.
// A face that does not open is remembered as such and named on stderr once.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/sdl/font.h"

namespace platform {

struct LoadedFont {
  std::unique_ptr<Font> font;  // null: this face does not open at this size
  std::string key;             // what the line cache files this face's lines under
  uint64_t lastFrame = 0;
};

class FontCache {
 public:
  // The font for a family, weight and point size at the real pixel size of pixelScale; null when none.
  // frame: the frame that uses it.
  LoadedFont* get(const std::string& family, bool bold, float points, float pixelScale, uint64_t frame);
  // Beyond a dozen faces, only those the last whole frame used or any frame since are kept: dragging the
  // window's edge makes a new pixel size of every font at nearly every step.
  void evict(uint64_t lastWholeFrame);

 private:
  struct Key {
    std::string path;
    int index;
    int pixelSize;
    bool bold;
    bool operator<(const Key& o) const;
  };
  std::map<Key, LoadedFont> fonts_;
  std::vector<std::string> reported_;
};

}  // namespace platform
