// Drawing a Form's control tree with SDL2, SDL2_ttf and the retained pictures: back to front, children
// clipped to their parents, text laid out by our own line layout and rasterised at the real pixel size.
// Called by the window backend when the tree changed or the window was exposed, and by benchmarks and
// tests through an off-screen target (offscreen_target.h). It only reads the controls; it never changes
// them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/runtime/control.h"

struct SDL_Renderer;

namespace platform {

class Form;

// A tooltip to draw over everything, near the pointer (window pixels), kept inside the window.
struct TooltipView {
  std::string text;
  float pointerX = 0;
  float pointerY = 0;
};

class Renderer {
 public:
  explicit Renderer(SDL_Renderer* target);  // not owned
  ~Renderer();
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  // Draw one whole frame and present it. pixelScale: real pixels per window pixel (above 1 on high-DPI
  // screens), so that text and pictures are drawn at the real resolution.
  void draw(const Form& form, const TooltipView* tooltip = nullptr, float pixelScale = 1.0f);

  // The next frame redraws the whole window, not only what changed: for a window whose content the
  // window system lost or replaced.
  void redrawAll();

  // What the last frame had to make afresh; an unchanged frame makes nothing. On a target that keeps its
  // pixels between frames (the software one) a frame redraws only the rectangles of the controls that
  // changed since the frame before; wholeWindow says when it drew everything instead.
  struct FrameStats {
    int linesRasterised = 0;
    int picturesUploaded = 0;
    bool wholeWindow = false;
    int64_t pixelsRedrawn = 0;  // area of the rectangles drawn afresh
  };
  FrameStats lastFrame() const;

  // Bytes of caption text held by the cache of rasterised lines: bounded by what the window shows, however
  // long the captions are.
  size_t cachedTextBytes() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
