// Paths to and from UTF-8: the same bytes on Linux, UTF-16 through the game's own converter on Windows.
#include "tools/common/utf8_path.h"

#include <type_traits>

#include "platform/runtime/utf16.h"

namespace fs = std::filesystem;

namespace tools {

namespace {

// Chosen by the system's own path type, so that neither system needs to be named.
template <typename Native>
std::string utf8FromNative(const Native& native) {
  if constexpr (std::is_same_v<Native, std::string>) {
    return native;
  } else {
    return platform::utf8FromWide(native);
  }
}

template <typename Native>
Native nativeFromUtf8(std::string_view utf8) {
  if constexpr (std::is_same_v<Native, std::string>) {
    return std::string(utf8);
  } else {
    return platform::wideFromUtf8(utf8);
  }
}

}  // namespace

fs::path pathFromUtf8(std::string_view utf8) { return fs::path(nativeFromUtf8<fs::path::string_type>(utf8)); }

std::string utf8FromPath(const fs::path& path) {
  return utf8FromNative(path.generic_string<fs::path::value_type>());
}

}  // namespace tools
