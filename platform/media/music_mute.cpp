// The mute state, read by the sequencer's audio thread whenever it renders a buffer.
#include "platform/media/music_mute.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<bool> gMuted{false};
}  // namespace

void setMusicMuted(bool muted) { gMuted.store(muted, std::memory_order_release); }

bool musicMuted() { return gMuted.load(std::memory_order_acquire); }

}  // namespace platform
