// The checks on a scenario file's bytes and on each line alone, as the game's reader splits and decodes
// them: encoding, line ends, and the syntax of each command. How the lines play together (pages, runs,
// the end, pictures) is the headless game's to say (scenario_play.h).
#pragma once

#include <cstdint>
#include <string>

#include "tools/lint/report.h"

namespace lint {

struct ScenarioLines {
  int64_t count = 0;      // lines as the game's reader splits the file
  bool playable = false;  // false for a file an editor saved (LF alone, UTF-8): playing it says nothing more
};

ScenarioLines checkScenarioLines(const std::string& file, const std::string& bytes, Report& report);

}  // namespace lint
