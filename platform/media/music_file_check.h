// The music file, looked at before any synthesizer plays it: whether it is there, a regular file of a
// readable size, and a standard MIDI file that a synthesizer could play (midi_file.h). What is wrong is
// named on stderr in the game's words, since the game ignores the device's answer and runs silent.
#pragma once

#include <string>

#include "platform/media/midi_file.h"

namespace platform {

enum class MusicFileCheck { Playable, NotFound, Invalid };

// info and smf, when given, receive what parseMidiFile makes of a playable file.
MusicFileCheck checkMusicFile(const std::string& utf8Path, MidiFileInfo* info = nullptr,
                              std::string* smf = nullptr);

}  // namespace platform
