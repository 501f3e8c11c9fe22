// Standard MIDI files: what the sequencer needs to know of one before FluidSynth plays a note of it, and
// whether it is one that can be played at all. Pure parsing, no synthesiser: called by the sequencer when
// the music opens, and by the content checker.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The largest General MIDI tunes are a few hundred KiB; 4 MiB leaves room for any real one and keeps a
// stray recording or disk image from being read.
inline constexpr uint64_t kMaxMidiFileBytes = uint64_t{4} << 20;
// FluidSynth's player takes at most this many tracks and silently drops the file beyond it.
inline constexpr int kMaxMidiTracks = 128;
// More notes than this starting within kDenseWindowMs no synthesiser has the voices for (ours has 64): a
// file that asks for it is a flood, not music, and would keep the audio thread busy for good.
inline constexpr int kMaxNotesInWindow = 1024;
inline constexpr int64_t kDenseWindowMs = 100;
// The same for the events that change a channel's sound: a program change (or a system-exclusive
// message, which may reset every channel's) makes the synthesiser find and load an instrument, so even a
// few hundred of them within kDenseWindowMs would hold the audio thread; 16 channels changing instrument
// many times within a tenth of a second is still far more than any tune does.
inline constexpr int kMaxProgramChangesInWindow = 256;
// And for the cheap ones (controllers, pitch bends, pressure, note-offs): sixteen channels sweeping
// several controllers every few milliseconds stay below it.
inline constexpr int kMaxControlEventsInWindow = 4096;

struct MidiFileInfo {
  int ticksPerQuarter = 480;     // or, for SMPTE time, ticks per frame
  int smpteFramesPerSecond = 0;  // 0: metrical time
  int64_t totalTicks = 0;        // the latest end-of-track over all tracks
  struct Tempo {
    int64_t tick;
    int64_t microsPerQuarter;
  };
  std::vector<Tempo> tempos;  // by tick; the first applies from tick 0

  // Both saturate rather than overflow, whatever the file and the argument.
  int64_t ticksToMs(int64_t tick) const;
  int64_t msToTicks(int64_t ms) const;
};

// Reads a standard MIDI file (or an RMID wrapper around one). On success fills `info` and the bare
// standard MIDI file bytes in `smf`; false when the bytes are not a well-formed file, or one that cannot
// be played (a tempo of 0, more than kMaxMidiTracks tracks, a flood of notes or of any other channel
// event), with the reason in *problem when given. Time and memory are linear in the size of the file.
bool parseMidiFile(const std::string& bytes, MidiFileInfo* info, std::string* smf,
                   std::string* problem = nullptr);

}  // namespace platform
