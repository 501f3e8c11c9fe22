// Running the author's tools by their command line.
#include "tests/support/tool_run.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace testing_support {

fs::path toolPath(const std::string& relative) {
  if (const char* env = std::getenv("LANTERNFALL_BINARY_DIR")) return fs::path(env) / "tools" / relative;
  return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "tools" / relative;
}

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

ToolRun runTool(const std::string& relative, const std::string& args, bool mergeStderr,
                const std::string& runAs) {
  ToolRun run;
  const std::string command = (runAs.empty() ? "" : runAs + " ") + quoted(toolPath(relative).string()) + " " +
                              args + (mergeStderr ? " 2>&1" : "");
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  const int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace testing_support
