// The picture checks: every picture file the game asks its decoder for while it plays (and the title it
// shows at start-up), at the size the game decodes it, and every picture problem the game names. The
// names are the game's to resolve; the checker only says what the file it asked for is.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/runtime/image.h"
#include "tools/lint/report.h"

namespace lint {

class PictureChecks {
 public:
  explicit PictureChecks(Report& report) : report_(report) {}

  // Where the game reads its pictures from (its ImgDir): a decoded path names its picture.
  void pictureFolder(const std::string& imgDir) { imgDir_ = imgDir; }
  // Where the findings go: a scenario file and the line the game is on.
  void at(const std::string& file, int64_t line) {
    file_ = file;
    line_ = line;
  }
  // A click or tick begins: the game decodes a step's picture when the step ends, so decodes and problems
  // are matched to the picture lines of the same action by name.
  void actionStarted() { named_.clear(); }
  // A picture line of the scenario names `name`; its decode and its problems follow within the action.
  void picture(std::string_view name);
  void decoded(const std::string& path, const platform::DecodedPicture* picture, const std::string& error);
  // True when the game's problem was about a picture named in this action, and is now a finding.
  bool problem(const std::string& message);

  // The title as start-up showed it: the decode the game asked for (none: no decoder was asked).
  void title(const std::string& path, const platform::DecodedPicture* picture, const std::string& error);

 private:
  struct Named {
    std::string file;
    int64_t line = 0;
    bool decoded = false;  // the decoder was asked for it: path and error say what it found
    std::string path, error;
  };
  Named* namedIn(const std::string& message, std::string* name);
  std::string whatIsWrong(const std::string& path, const std::string& error) const;
  void checkShape(const std::string& what, const std::string& path, int width, int height, bool title,
                  const std::string& file, int64_t line);

  Report& report_;
  std::string imgDir_;
  std::string file_;
  int64_t line_ = 0;
  std::unordered_map<std::string, Named> named_;  // by name: the last line of the action that named it
  std::set<std::string> shapeNamed_;              // by path: a picture's shape is named once
};

}  // namespace lint
