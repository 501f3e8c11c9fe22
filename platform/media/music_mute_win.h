// The mute state applied to winmm's MIDI outputs, again after the music (re)starts: the media control
// interface calls it after each "play" it sends.
#pragma once

namespace platform {

void applyMusicVolume();

}  // namespace platform
