// The entry of each author tool, the same on both systems: its command line in UTF-8, whatever form the
// system hands it over in (bytes on Linux, UTF-16 on Windows, where the ANSI code page cannot hold every
// name an author may type).
#pragma once

#include <string>
#include <vector>

// args[0] is the program as it was started. Returns the exit status.
int toolMain(const std::vector<std::string>& args);
