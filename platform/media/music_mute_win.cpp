// The mute state on Windows: winmm's sequencer plays through the system's MIDI output, whose volume is
// set to nothing and back (the MCI sequencer has no audio switch of its own). The volume is set again
// after every start of the music, since opening the device may reset it.
#include <windows.h>
// after windows.h
#include <mmsystem.h>

#include <algorithm>

#include "platform/media/music_mute.h"
#include "platform/media/music_mute_win.h"

namespace platform {

namespace {

bool gMuted = false;
// Each output's volume before it was muted, to give back what the player had set.
constexpr UINT kMaxOutputs = 16;
DWORD gVolumeBefore[kMaxOutputs + 1] = {};
bool gSaved = false;

// MIDI_MAPPER (the sequencer's default output) and each device by its number.
template <typename Each>
void forEachOutput(Each each) {
  each(static_cast<UINT>(MIDI_MAPPER), 0u);
  const UINT count = std::min<UINT>(midiOutGetNumDevs(), kMaxOutputs);
  for (UINT i = 0; i < count; ++i) each(i, i + 1);
}

}  // namespace

void applyMusicVolume() {
  if (!gMuted && !gSaved) return;
  forEachOutput([](UINT device, UINT slot) {
    const auto out = reinterpret_cast<HMIDIOUT>(static_cast<UINT_PTR>(device));
    if (gMuted) {
      DWORD volume = 0;
      if (!gSaved && midiOutGetVolume(out, &volume) == MMSYSERR_NOERROR) gVolumeBefore[slot] = volume;
      midiOutSetVolume(out, 0);
    } else {
      midiOutSetVolume(out, gVolumeBefore[slot]);
    }
  });
  gSaved = gMuted;
}

void setMusicMuted(bool muted) {
  if (muted == gMuted) return;
  if (muted) {
    for (DWORD& v : gVolumeBefore) v = 0xFFFFFFFF;  // full, where an output tells none
  }
  gMuted = muted;
  applyMusicVolume();
}

bool musicMuted() { return gMuted; }

}  // namespace platform
