// The music check: bgm.mid read as the game reads it, by the game's own reader, which refuses what it
// would not play.
#pragma once

#include <string>

#include "tools/lint/report.h"

namespace lint {

void checkMusic(const std::string& folder, Report& report);

}  // namespace lint
