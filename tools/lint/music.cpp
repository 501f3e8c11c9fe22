// bgm.mid through the game's MIDI reader.
#include "tools/lint/music.h"

#include <filesystem>

#include "platform/media/content_file.h"
#include "platform/media/midi_file.h"
#include "tools/common/utf8_path.h"

namespace fs = std::filesystem;

namespace lint {

void checkMusic(const std::string& folder, Report& report) {
  const fs::path path = tools::pathFromUtf8(folder) / "bgm.mid";
  const std::string file = tools::utf8FromPath(path.lexically_normal());
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(path, ec))) {
    report.error(file, 0, "music findings", "the music file is missing");
    return;
  }
  std::string bytes, why;
  // Read as the sequencer reads it: a regular file within the same limit.
  const std::string name = tools::utf8FromPath(path);
  if (!platform::readRegularFile(name, platform::kMaxMidiFileBytes, &bytes, &why)) {
    const std::string prefix = name + ": ";
    if (why.starts_with(prefix)) why.erase(0, prefix.size());
    report.error(file, 0, "music findings", "the game will not play it: " + why);
    return;
  }
  platform::MidiFileInfo info;
  std::string smf, refusal;
  if (!platform::parseMidiFile(bytes, &info, &smf, &refusal))
    report.error(file, 0, "music findings", "the game will not play it: " + refusal);
}

}  // namespace lint
