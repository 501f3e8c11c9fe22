// A software canvas in memory with a renderer over it: for benchmarks and tests, no display needed. It
// stands in for the window, so it sets the heap's policy for large buffers as the window does.
#pragma once

#include <memory>

#include "platform/runtime/control.h"
#include "platform/sdl/renderer.h"

namespace platform {

class OffscreenTarget {
 public:
  OffscreenTarget(int width, int height);
  ~OffscreenTarget();
  OffscreenTarget(const OffscreenTarget&) = delete;
  OffscreenTarget& operator=(const OffscreenTarget&) = delete;

  bool ok() const;  // false when SDL could not make the canvas
  Renderer& renderer();
  Color pixel(int x, int y) const;  // what was drawn at (x, y), packed as the controls pack colours

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
