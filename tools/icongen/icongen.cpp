// The desktop icons: the game's own lantern (ui/icon.cpp) written as hicolor PNG files,
// OUTDIR/<N>x<N>/apps/lanternfall.png for every size the desktop asks for. Run by the build.
#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "ui/icon.h"

namespace {

constexpr int kSizesPx[] = {16, 32, 48, 64, 128, 256};

bool writePng(const platform::Image& icon, const std::filesystem::path& path) {
  SDL_Surface* surface =
      SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(icon.pixels.data()), icon.width, icon.height,
                                         32, icon.width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!surface) return false;
  const bool ok = IMG_SavePNG(surface, path.c_str()) == 0;
  SDL_FreeSurface(surface);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: lanternfall-icongen OUTDIR\n");
    return 2;
  }
  for (int size : kSizesPx) {
    const std::string name = std::to_string(size) + "x" + std::to_string(size);
    const std::filesystem::path dir = std::filesystem::path(argv[1]) / name / "apps";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const std::filesystem::path file = dir / "lanternfall.png";
    if (ec || !writePng(lanternIcon(size), file)) {
      std::fprintf(stderr, "lanternfall-icongen: cannot write %s: %s\n", file.c_str(),
                   ec ? ec.message().c_str() : SDL_GetError());
      return 1;
    }
  }
  return 0;
}
