// The tools' entry on Windows: wmain (built with -municode) receives the command line in UTF-16, so a
// Japanese path survives on a system whose ANSI code page is 1252. What the tools print is UTF-8, and
// the console is told so while they run.
#include <windows.h>

#include <cstdio>

#include "platform/runtime/utf16.h"
#include "tools/common/tool_main.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  args.reserve(static_cast<size_t>(argc));
  for (int i = 0; i < argc; ++i) args.push_back(platform::utf8FromWide(argv[i]));
  // The console's code page outlives the program: the author's next command gets back the one they had.
  const UINT consoleCodePage = GetConsoleOutputCP();
  if (consoleCodePage != 0) SetConsoleOutputCP(CP_UTF8);
  const int status = toolMain(args);
  std::fflush(stdout);
  std::fflush(stderr);
  if (consoleCodePage != 0) SetConsoleOutputCP(consoleCodePage);
  return status;
}
