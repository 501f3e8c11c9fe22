// The renderer's text lines: each line rasterised once per font and colour, kept as a texture while it is
// on screen. A line is never longer than its box can show (the layout ends it there), so the cache holds
// no more text than the window shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/runtime/control.h"

struct SDL_Renderer;
struct SDL_Texture;

namespace platform {

struct LoadedFont;

class LineCache {
 public:
  explicit LineCache(SDL_Renderer* target) : sdl_(target) {}
  ~LineCache();
  LineCache(const LineCache&) = delete;
  LineCache& operator=(const LineCache&) = delete;

  // Draws one line of text with its top-left corner at (x, y). owner: the control it belongs to (null for
  // the tooltip); frame: the frame drawing it. True when it had to be rasterised afresh.
  bool draw(LoadedFont& font, std::string_view text, Color color, int x, int y, const Control* owner,
            uint64_t frame);

  // Beyond a few hundred lines, only those on screen now are kept: those drawn when their control was last
  // drawn (drawnAt: the frame each control was last drawn in). A caption that changes with every frame
  // would otherwise pile up its old lines between whole frames.
  void evict(const std::unordered_map<const Control*, uint64_t>& drawnAt);

  // Bytes of caption text the cache holds, for the checks that a huge caption costs only what is shown.
  size_t textBytes() const;

 private:
  struct Line {
    SDL_Texture* texture = nullptr;
    int w = 0, h = 0;
    uint64_t lastFrame = 0;
    const Control* owner = nullptr;  // the control that drew it last; never read through
  };
  SDL_Renderer* sdl_;
  std::unordered_map<std::string, Line> lines_;
};

}  // namespace platform
