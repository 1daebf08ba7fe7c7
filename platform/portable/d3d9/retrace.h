// Vertical retraces kept by the clock, for drivers that cannot wait for the
// display's own (Mesa's software rasterizer on X11, for one): the first frame
// shows at once, retraces fall one refresh period apart from it, and a frame
// presented with an interval of N shows at the first retrace at least N
// periods after the frame shown before it, as Direct3D's presentation
// intervals do.
#pragma once

#include <cstdint>

namespace portable {

struct RetraceClock {
    int64_t periodNs = 0;     // 0: presentation does not wait (immediate, or the driver waits)
    int64_t lastShownNs = -1; // the retrace of the frame shown last, on which the others fall; -1 before the first
    int intervals = 1;
};

// Retraces for a display refreshing at `refreshHz` (60 when it reports 0),
// showing a frame every `intervals` retraces at most.
void StartRetraceClock(RetraceClock& clock, unsigned refreshHz, int intervals);

// The retrace at which a frame presented at `nowNs` shows; recorded as the last shown.
int64_t TakeNextRetrace(RetraceClock& clock, int64_t nowNs);

int64_t MonotonicNowNs();

// Returns at `targetNs` on the monotonic clock: sleeps, then yields for the last moment.
void WaitUntil(int64_t targetNs);

} // namespace portable
