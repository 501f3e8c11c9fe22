// Sizes in messages about content files, the same on every system.
#include "platform/media/content_file.h"

namespace platform {

std::string describeBytes(uint64_t bytes) {
  constexpr uint64_t kMiB = uint64_t{1} << 20;
  if (bytes >= kMiB) {
    const uint64_t tenths = (bytes * 10 + kMiB / 2) / kMiB;
    return std::to_string(tenths / 10) + (tenths % 10 ? "." + std::to_string(tenths % 10) : "") + " MiB";
  }
  if (bytes >= 1024) return std::to_string(bytes >> 10) + " KiB";
  return std::to_string(bytes) + " bytes";
}

}  // namespace platform
