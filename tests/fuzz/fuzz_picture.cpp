// Pictures from strangers through the game's own loader: decoded at whatever size the box asks for,
// held by the buffer box and stretch-painted, or refused with a reason; never a crash, a hang or memory
// beyond the caps.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/media/image.h"
#include "platform/runtime/form.h"
#include "platform/runtime/picture_box.h"
#include "tests/support/scratch_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace fs = std::filesystem;
  static const std::string path = [] {
    platform::installPictureDecoder();
    return (testing_support::processScratchFolder("lanternfall-fuzz-picture") / "picture.jpg").string();
  }();
  // Byte 0 chooses the size of the box the picture is painted over (8 to 1024 pixels a side).
  const int side = size > 0 ? 8 + data[0] * 4 : 600;
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data) + (size > 0 ? 1 : 0),
             static_cast<std::streamsize>(size > 0 ? size - 1 : 0));

  platform::Form form("fom");
  platform::PictureBox buffer(&form, "E"), target(&form, "Pic");
  target.setPixelRect({0, 0, static_cast<float>(side), static_cast<float>(side)});
  std::string error;
  if (!buffer.LoadPicture(path, &error, side, side)) {
    if (error.empty()) {
      std::fprintf(stderr, "fuzz_picture: refused without a reason\n");
      std::abort();
    }
    return 0;
  }
  const platform::Image& pixels = buffer.Picture();
  if (pixels.pixels.size() != static_cast<size_t>(pixels.width) * pixels.height ||
      pixels.width > buffer.PictureWidth() || pixels.height > buffer.PictureHeight() || pixels.width > side ||
      pixels.height > side) {
    std::fprintf(stderr, "fuzz_picture: pixels do not match the picture's size or exceed the box\n");
    std::abort();
  }
  target.PaintPicture(buffer, 0, 0, target.ScaleWidth(), target.ScaleHeight(), 0, 0, buffer.ScaleWidth(),
                      buffer.ScaleHeight());
  // The box keeps the painting; its pixels are made when asked for, at the box's size.
  const platform::Image& shown = target.retained();
  if (shown.width != side || shown.height != side) {
    std::fprintf(stderr, "fuzz_picture: the painted box is not the box's size\n");
    std::abort();
  }
  return 0;
}
