// Sizes in messages about content files, the same on every system.
#include "platform/media/content_file.h"

namespace platform {

std::string describeBytes(uint64_t bytes) {
  constexpr uint64_t kMiB = uint64_t{1} << 20;
  constexpr uint64_t kGiB = uint64_t{1} << 30;
  // In tenths, computed on the quotient so that no size near 2^64 overflows.
  auto tenthsOf = [bytes](uint64_t unit, const char* name) {
    const uint64_t tenths = bytes / unit * 10 + ((bytes % unit) * 10 + unit / 2) / unit;
    return std::to_string(tenths / 10) + (tenths % 10 ? "." + std::to_string(tenths % 10) : "") + name;
  };
  if (bytes >= kGiB) return tenthsOf(kGiB, " GiB");
  if (bytes >= kMiB) return tenthsOf(kMiB, " MiB");
  if (bytes >= 1024) return std::to_string(bytes >> 10) + " KiB";
  return std::to_string(bytes) + " bytes";
}

}  // namespace platform
