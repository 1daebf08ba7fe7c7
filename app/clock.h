// The process-wide millisecond clock: the performance counter where there is
// one, otherwise the multimedia timer at 1 ms resolution.
#pragma once

#include <cstdint>

struct Clock {
    bool useCounter = false;
    int64_t frequency = 0;

    // The process-wide clock, created on first use.
    static Clock* Instance();
    // Gives back the timer resolution if it was raised, frees the clock and clears the pointer.
    static void Destroy();

    // Milliseconds with an arbitrary origin; wraps at 2^32.
    uint32_t NowMs() const;
};

// count * 1000 / frequency, truncated, exact for any count up to 2^63 and any
// frequency below 2^63 / 1000; the low 32 bits of the quotient.
uint32_t CounterToMilliseconds(int64_t count, int64_t frequency);

// True when time a is later than time b, comparing by signed difference so
// that the order holds across the 2^32 wrap.
inline bool IsLater(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) > 0; }
