// The executable's path on Linux: the link /proc keeps for the running process.
#include "platform/runtime/executable_path.h"

#include <unistd.h>

#include <climits>

namespace platform {

std::string executablePath() {
  char buf[PATH_MAX + 1];
  const ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
  if (n <= 0) return {};
  return std::string(buf, static_cast<size_t>(n));
}

}  // namespace platform
