// A scratch folder for the life of a process that has no test fixture to clean up after it (a fuzz
// target, a benchmark): made under the system's temporary folder, removed when the process exits.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace testing_support {

// A new folder named prefix-XXXXXX; aborts when none can be made, as nothing could run without it.
inline std::filesystem::path processScratchFolder(const std::string& prefix) {
  namespace fs = std::filesystem;
  // The list is made before the exit handler is registered, so it is still there when the handler runs.
  static std::vector<fs::path> made;
  static const bool cleanup = (std::atexit([] {
                                 std::error_code ec;
                                 for (const fs::path& dir : made) fs::remove_all(dir, ec);
                               }),
                               true);
  (void)cleanup;
  std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (!mkdtemp(pattern.data())) std::abort();
  made.emplace_back(pattern);
  return made.back();
}

}  // namespace testing_support
