// Running the author's tools (lanternfall-convert, -lint, -preview) as an author does: by their command
// line, reading what they print and their exit status.
#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

struct ToolRun {
  int status = -1;     // the exit status; -1 when the tool did not exit normally
  std::string output;  // stdout, then stderr when `mergeStderr`
  bool has(const std::string& text) const { return output.find(text) != std::string::npos; }
};

// The built tool, e.g. toolPath("convert/lanternfall-convert"), under the build tree's tools/.
std::filesystem::path toolPath(const std::string& relative);

// Runs the tool with `args` (already quoted for the shell); `runAs`, when given, is a command line the
// tool's runs behind (e.g. setpriv, to run it as another user).
ToolRun runTool(const std::string& relative, const std::string& args, bool mergeStderr = true,
                const std::string& runAs = {});

// 'text' quoted for the shell.
std::string quoted(const std::string& text);

std::string readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::string& bytes);

}  // namespace testing_support
