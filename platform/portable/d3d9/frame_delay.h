// Frames started as late as their drawing allows. After a frame is shown,
// Present holds until the latest moment from which the next frame, drawn a
// tenth longer than the longest of the recent ones, still makes its retrace:
// that frame then reads its input later and is shown sooner after reading it.
// Drawing is timed from the end of one hold to the next Present, with the
// frame finished.
#pragma once

#include <cstdint>

#include "platform/portable/d3d9/retrace.h"

namespace portable {

struct FrameDelay {
    static constexpr int kHistory = 120; // two seconds at 60 Hz
    int64_t drawNs[kHistory] = {};       // the recent frames' drawing times, a ring
    int recorded = 0;                    // how many of them hold a time, up to kHistory
    int nextSlot = 0;
    int64_t releasedNs = -1; // when the frame being drawn was let go; -1: none since the start
};

// Forgets the recent frames, as after a Reset: the next frame is not held.
void RestartFrameDelay(FrameDelay& delay);

// The frame being drawn is finished at `finishedNs`.
void RecordFrameDrawn(FrameDelay& delay, int64_t finishedNs, int64_t periodNs);

// When the frame after the one just shown should start, so that it makes the
// retrace after, with a margin for waking and swapping; `nowNs` when it
// cannot be held (no retraces kept, too few frames timed yet, or no time to spare).
int64_t LatestStartNs(const FrameDelay& delay, const RetraceClock& retrace, int64_t nowNs);

// The next frame is let go at `nowNs`.
void ReleaseFrame(FrameDelay& delay, int64_t nowNs);

} // namespace portable
