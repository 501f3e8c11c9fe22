// The tools' entry on Linux: the arguments are already the bytes of the names.
#include "tools/common/tool_main.h"

int main(int argc, char** argv) { return toolMain(std::vector<std::string>(argv, argv + argc)); }
