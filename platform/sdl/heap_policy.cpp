// A fixed mapping threshold for glibc's allocator; nothing elsewhere.
#include "platform/sdl/heap_policy.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

void fixLargeBufferPolicy() {
#if defined(__GLIBC__)
  // glibc raises its mapping threshold, and with it the point at which it gives the top of the heap back,
  // each time a large buffer is freed; what start-up frees then stays with the process (some 15 MiB on a
  // 4K screen). A fixed threshold keeps both where they were. 4 MiB keeps a picture of ordinary size and
  // its texture in the heap, whose pages the next picture reuses: a fresh mapping costs a page fault per
  // 4 KiB touched, 16 us each on a virtual machine, five times the decoding of a 600 x 600 scene.
  static const bool kThresholdFixed = mallopt(M_MMAP_THRESHOLD, 4 << 20) == 1;
  (void)kThresholdFixed;
#endif
}

}  // namespace platform
