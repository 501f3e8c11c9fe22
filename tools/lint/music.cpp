// bgm.mid through the game's MIDI reader.
#include "tools/lint/music.h"

#include <filesystem>

#include "platform/media/content_file.h"
#include "platform/media/midi_file.h"

namespace fs = std::filesystem;

namespace lint {

void checkMusic(const std::string& folder, Report& report) {
  const fs::path path = fs::path(folder) / "bgm.mid";
  const std::string file = path.lexically_normal().string();
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(path, ec))) {
    report.error(file, 0, "music findings", "the music file is missing");
    return;
  }
  std::string bytes, why;
  // Read as the sequencer reads it: a regular file within the same limit.
  if (!platform::readRegularFile(path.string(), platform::kMaxMidiFileBytes, &bytes, &why)) {
    const std::string prefix = path.string() + ": ";
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
