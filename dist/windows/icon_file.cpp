// Build step of the Windows program (compiled for the build machine): writes the lantern the game draws
// as an .ico file for the executable's resources, at the sizes Explorer and the taskbar ask for.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "ui/icon.h"

namespace {

void put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

// One icon image: a 32-bit bottom-up DIB (its height counted twice, for the mask that follows) and an
// all-clear AND mask, as alpha decides.
std::string dibOf(const platform::Image& icon) {
  std::string out;
  put32(out, 40);
  put32(out, static_cast<uint32_t>(icon.width));
  put32(out, static_cast<uint32_t>(icon.height * 2));
  put16(out, 1);
  put16(out, 32);
  for (int i = 0; i < 6; ++i) put32(out, 0);
  for (int y = icon.height - 1; y >= 0; --y) {
    for (int x = 0; x < icon.width; ++x) put32(out, icon.at(x, y));  // 0xAARRGGBB is BGRA in memory
  }
  const size_t maskRow = ((static_cast<size_t>(icon.width) + 31) / 32) * 4;
  out.append(maskRow * icon.height, '\0');
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT.ico\n", argv[0]);
    return 2;
  }
  const int sizes[] = {16, 24, 32, 48, 64, 256};
  const int count = static_cast<int>(sizeof sizes / sizeof sizes[0]);
  std::vector<std::string> images;
  for (int size : sizes) images.push_back(dibOf(lanternIcon(size)));
  std::string out;
  put16(out, 0);
  put16(out, 1);  // icon
  put16(out, static_cast<uint32_t>(count));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(count);
  for (int i = 0; i < count; ++i) {
    out += static_cast<char>(sizes[i] == 256 ? 0 : sizes[i]);  // 0 stands for 256
    out += static_cast<char>(sizes[i] == 256 ? 0 : sizes[i]);
    out += '\0';
    out += '\0';
    put16(out, 1);
    put16(out, 32);
    put32(out, static_cast<uint32_t>(images[i].size()));
    put32(out, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const std::string& image : images) out += image;
  std::FILE* f = std::fopen(argv[1], "wb");
  if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
