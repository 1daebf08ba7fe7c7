// llvmpipe, Mesa's software driver, draws each frame on rasterizer threads
// ("llvmpipe-N", one a processor), all woken at once when the frame is
// flushed. Woken together, two of them may be queued on one processor while
// another stays idle until the scheduler's next balancing tick (4 ms on
// Debian's kernels): that frame takes up to twice its time, and a frame
// started as late as its drawing allows then misses its retrace. Thread N is
// kept on the N-th processor the program may use; llvmpipe hands out a
// frame's tiles to whichever thread is free, so one held up by other work
// delays the frame by a tile at most.
#pragma once

#include <sys/types.h>

#include <vector>

namespace portable {

// N of a thread named "llvmpipe-N", or -1.
int RasterThreadIndex(const char* threadName);

struct RasterThread {
    pid_t tid;
    int index; // N of its name
};
// This process's llvmpipe rasterizer threads, read from /proc; none under another driver.
std::vector<RasterThread> RasterThreads();

// Keeps each llvmpipe rasterizer thread of this process on a processor of
// its own, when there are no more of them than processors to use; call with
// the driver's threads started (after making a context).
void SpreadRasterThreads();

// The processors this thread may run on, in order.
std::vector<int> UsableProcessors();

} // namespace portable
