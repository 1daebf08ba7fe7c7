// Monotonic time stamps along the road from an input event to the swap, for
// tools/bench/input_latency.sh: kept only when WALKTHROUGH_FRAME_STAMPS names
// a file. The storage is made at the first stamp, nothing is allocated after
// it, and the stamps are written to that file at exit, one "KIND NS" a line
// (CLOCK_MONOTONIC nanoseconds). A full store keeps its first stamps.
#pragma once

#include <cstdint>

#include <SDL.h>

namespace portable {

enum class FrameStamp : uint8_t {
    KeyDown,       // a key press (not a repeat) taken by the event pump
    Motion,        // mouse motion taken by the event pump
    FrameStart,    // a Clear: a frame's first device call
    PresentCalled, // Present is called: the frame's drawing calls are made
    Finished,      // the driver has drawn the frame
    RetraceWaited, // the retrace the frame shows at has come
    Swapped,       // the buffers are swapped
};

void StampFrame(FrameStamp stamp);

// KeyDown or Motion for such an event.
void StampInputEvent(const SDL_Event& event);

} // namespace portable
