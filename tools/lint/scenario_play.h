// The checks on how a scenario plays, read from the game itself as it plays the file headless: what
// stops each page and which row ends it, runs whose steps reach the end, how and where the scenario ends,
// and the pictures its lines show. Line numbers are the interpreter's own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tools/lint/game_run.h"
#include "tools/lint/pictures.h"
#include "tools/lint/report.h"

namespace platform {
class TextMeasure;
}

namespace lint {

// Measures rows as the scene's labels draw them: the labels' own font and width after the game's layout.
class RowMeasure {
 public:
  explicit RowMeasure(Fom& fom);
  ~RowMeasure();
  // Empty when the row fits on one line of the label; otherwise the finding's words.
  std::string wraps(std::string_view row);
  // Why rows cannot be measured (no font), once; empty when they can.
  std::string problem() const;

 private:
  std::unique_ptr<platform::TextMeasure> measure_;
  float widthPx_ = 0;
};

struct ScenarioFile {
  std::string file;  // as findings name it
  std::string name;  // as the game starts it
  int64_t lineCount = 0;
  bool isEnding = false;
};

// Plays the scenario in `game` and reports what its play shows.
void checkScenarioPlay(GameRun& game, const ScenarioFile& scenario, PictureChecks& pictures, RowMeasure& rows,
                       Report& report);

}  // namespace lint
