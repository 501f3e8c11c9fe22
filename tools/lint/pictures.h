// The picture checks: every picture file the game asks its decoder for while it plays (and the title it
// shows at start-up), at the size the game decodes it, and every picture problem the game names. The
// names are the game's to resolve; the checker only says what the file it asked for is.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "platform/runtime/image.h"
#include "tools/lint/report.h"

namespace lint {

class PictureChecks {
 public:
  explicit PictureChecks(Report& report) : report_(report) {}

  // Where the findings go: a scenario file and the line the game is on.
  void at(const std::string& file, int64_t line) {
    file_ = file;
    line_ = line;
    active_ = false;
  }
  // A picture line of the scenario names `name`; its decode and its problems follow.
  void picture(std::string_view name);
  void decoded(const std::string& path, const platform::DecodedPicture* picture, const std::string& error);
  // True when the game's problem was about the picture named last, and is now a finding.
  bool problem(const std::string& message);

  // The title as start-up showed it: the decode the game asked for (none: no decoder was asked).
  void title(const std::string& path, const platform::DecodedPicture* picture, const std::string& error);

 private:
  std::string whatIsWrong(const std::string& path, const std::string& error) const;
  void checkShape(const std::string& what, const std::string& path, int width, int height, bool title);

  Report& report_;
  std::string file_;
  int64_t line_ = 0;
  std::string name_;          // of the picture line being played
  std::string path_, error_;  // what the game asked its decoder for, after that line
  bool decodedHere_ = false;
  bool active_ = false;               // the line being played is a picture line: decodes and problems are its
  std::set<std::string> shapeNamed_;  // by path: a picture's shape is named once
};

}  // namespace lint
