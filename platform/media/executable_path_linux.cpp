// The running executable's path on Linux: the kernel's /proc/self/exe link, which names the file itself
// whatever the working directory or the name it was started by.
#include <unistd.h>

#include <vector>

#include "platform/media/executable_path.h"
#include "platform/runtime/app.h"

namespace platform {

std::string executablePath() {
  // readlink says neither how long the target is nor that it cut it short: a result that fills the
  // buffer may be cut, so the buffer grows until one does not.
  for (size_t size = 256; size <= 65536; size *= 4) {
    std::vector<char> buf(size);
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n <= 0) return {};
    if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
  }
  return {};
}

void installExecutablePath() { setExecutablePathSource(&executablePath); }

}  // namespace platform
