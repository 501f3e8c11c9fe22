// Looking at the music file before it is played.
#include "platform/media/music_file_check.h"

#include "platform/media/content_file.h"
#include "platform/runtime/problems.h"

namespace platform {

MusicFileCheck checkMusicFile(const std::string& utf8Path, MidiFileInfo* info, std::string* smf) {
  // A path that names nothing is missing; a folder or a FIFO is named for what it is by the read below.
  if (fileIdentity(utf8Path).empty()) {
    reportProblem("no music file at " + utf8Path + ": the game runs silent");
    return MusicFileCheck::NotFound;
  }
  std::string bytes, error;
  if (!readRegularFile(utf8Path, kMaxMidiFileBytes, &bytes, &error)) {
    reportProblem("cannot read the music file " + error + ": the game runs silent");
    return MusicFileCheck::NotFound;
  }
  MidiFileInfo parsed;
  std::string events, problem;
  if (!parseMidiFile(bytes, &parsed, &events, &problem)) {
    reportProblem(utf8Path + " is not played: " + problem + "; the game runs silent");
    return MusicFileCheck::Invalid;
  }
  if (info) *info = std::move(parsed);
  if (smf) *smf = std::move(events);
  return MusicFileCheck::Playable;
}

}  // namespace platform
