#include "app/clock.h"

#include "platform/platform.h"

namespace {
Clock* g_clock = nullptr;
}

uint32_t CounterToMilliseconds(int64_t count, int64_t frequency)
{
    // Whole seconds and the remainder separately, so count * 1000 never overflows.
    const auto ucount = static_cast<uint64_t>(count);
    const auto ufrequency = static_cast<uint64_t>(frequency);
    const uint64_t seconds = ucount / ufrequency;
    const uint64_t remainder = ucount % ufrequency;
    return static_cast<uint32_t>(seconds * 1000u + remainder * 1000u / ufrequency);
}

Clock* Clock::Instance()
{
    if (g_clock == nullptr) {
        auto* clock = new Clock;
        LARGE_INTEGER frequency;
        if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0) {
            clock->frequency = frequency.QuadPart;
            clock->useCounter = true;
        } else {
            timeBeginPeriod(1);
            clock->useCounter = false;
        }
        g_clock = clock;
    }
    return g_clock;
}

void Clock::Destroy()
{
    if (g_clock == nullptr) return;
    if (!g_clock->useCounter) timeEndPeriod(1);
    delete g_clock;
    g_clock = nullptr;
}

uint32_t Clock::NowMs() const
{
    if (useCounter) {
        LARGE_INTEGER count;
        QueryPerformanceCounter(&count);
        return CounterToMilliseconds(count.QuadPart, frequency);
    }
    return timeGetTime();
}
