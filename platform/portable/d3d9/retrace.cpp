#include "platform/portable/d3d9/retrace.h"

#include <errno.h>
#include <sched.h>
#include <time.h>

#include <algorithm>

namespace portable {

namespace {
constexpr unsigned kDefaultRefreshHz = 60;
constexpr int64_t kNsPerSecond = 1000000000;
// A sleep may end this late; the rest is spent yielding.
constexpr int64_t kWakeMarginNs = 1000000;
} // namespace

void StartRetraceClock(RetraceClock& clock, unsigned refreshHz, int intervals)
{
    clock.periodNs = kNsPerSecond / (refreshHz != 0 ? refreshHz : kDefaultRefreshHz);
    clock.lastShownNs = -1;
    clock.intervals = std::max(intervals, 1);
}

int64_t TakeNextRetrace(RetraceClock& clock, int64_t nowNs)
{
    if (clock.periodNs <= 0) return nowNs;
    if (clock.lastShownNs < 0) {
        clock.lastShownNs = nowNs;
        return nowNs;
    }
    const int64_t earliest = std::max(nowNs, clock.lastShownNs + clock.intervals * clock.periodNs);
    clock.lastShownNs += (earliest - clock.lastShownNs + clock.periodNs - 1) / clock.periodNs * clock.periodNs;
    return clock.lastShownNs;
}

int64_t MonotonicNowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * kNsPerSecond + now.tv_nsec;
}

void WaitUntil(int64_t targetNs)
{
    const int64_t wakeNs = targetNs - kWakeMarginNs;
    if (MonotonicNowNs() < wakeNs) {
        const timespec wake{static_cast<time_t>(wakeNs / kNsPerSecond), static_cast<long>(wakeNs % kNsPerSecond)};
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) == EINTR) {
        }
    }
    while (MonotonicNowNs() < targetNs) sched_yield();
}

} // namespace portable
