// The heap's policy for the large buffers pictures and frames need, set once for the process before
// start-up allocates anything: by the window when it opens, and by an off-screen canvas for tests and
// benchmarks. Safe to call again.
#pragma once

namespace platform {

void fixLargeBufferPolicy();

}  // namespace platform
