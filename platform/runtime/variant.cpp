// The old runtime's Variant, reduced to what the shared counters need.
#include "platform/runtime/variant.h"

namespace platform {

const std::string& Variant::text() const {
  static const std::string kEmpty;
  return isText() ? std::get<std::string>(v_) : kEmpty;
}

}  // namespace platform
