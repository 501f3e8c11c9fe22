// MIDI files from strangers: the reader must refuse or describe any bytes without crashing, and what it
// accepts must convert between ticks and milliseconds without overflow and play offline to its end.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/media/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  platform::MidiFileInfo info;
  std::string smf, problem;
  if (!platform::parseMidiFile(bytes, &info, &smf, &problem)) return 0;
  const int64_t lengthMs = info.ticksToMs(info.totalTicks);
  if (lengthMs < 0) {
    std::fprintf(stderr, "fuzz_midi: negative length\n");
    std::abort();
  }
  // Converting back and forth never goes backwards in time.
  for (int64_t ms : {int64_t{0}, lengthMs / 2, lengthMs, INT64_MAX}) {
    const int64_t tick = info.msToTicks(ms);
    if (tick < 0 || info.ticksToMs(tick) < 0) {
      std::fprintf(stderr, "fuzz_midi: time conversion went negative at %lld ms\n",
                   static_cast<long long>(ms));
      std::abort();
    }
  }
  return 0;
}
