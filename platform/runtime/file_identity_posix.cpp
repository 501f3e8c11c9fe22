// A picture file's identity on POSIX systems: device, inode, size and modification time from stat.
#include <sys/stat.h>

#include "platform/runtime/image.h"

namespace platform {

std::string pictureFileIdentity(const std::string& utf8Path) {
  struct stat st {};
  if (::stat(utf8Path.c_str(), &st) != 0) return {};
  return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) +
         ":" + std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
}

}  // namespace platform
