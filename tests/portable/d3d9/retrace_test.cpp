// Retraces kept by the device's clock.
#include <gtest/gtest.h>

#include "platform/portable/d3d9/retrace.h"

using namespace portable;

namespace {
constexpr int64_t kMs = 1000000;
constexpr int64_t kPeriod = 1000000000 / 60;

TEST(RetraceClock, FramesShowAtTheFirstRetraceTheirIntervalAllows)
{
    struct Case {
        const char* name;
        int intervals;
        int64_t previousAt; // when the frame before was presented; -1: none
        int64_t presentedAt;
        int64_t shownAt;
    };
    const Case cases[] = {
        {"first frame at once", 1, -1, 5 * kMs, 5 * kMs},
        {"next frame early", 1, 0, 2 * kMs, kPeriod},
        {"next frame on a retrace", 1, 0, kPeriod, kPeriod},
        {"next frame late skips a retrace", 1, 0, kPeriod + 1, 2 * kPeriod},
        {"interval two waits two retraces", 2, 0, 2 * kMs, 2 * kPeriod},
        {"interval two, late", 2, 0, 2 * kPeriod + 1, 3 * kPeriod},
    };
    constexpr int64_t kStart = 1000 * kMs;
    for (const Case& c : cases) {
        RetraceClock clock;
        StartRetraceClock(clock, 60, c.intervals);
        if (c.previousAt >= 0) TakeNextRetrace(clock, kStart + c.previousAt);
        EXPECT_EQ(TakeNextRetrace(clock, kStart + c.presentedAt), kStart + c.shownAt) << c.name;
    }
}

TEST(RetraceClock, ADisplayReportingNoRateRefreshesAt60Hz)
{
    RetraceClock clock;
    StartRetraceClock(clock, 0, 1);
    EXPECT_EQ(clock.periodNs, kPeriod);
}

TEST(RetraceClock, WaitUntilReturnsNoEarlierThanTheTarget)
{
    const int64_t target = MonotonicNowNs() + 3 * kMs;
    WaitUntil(target);
    EXPECT_GE(MonotonicNowNs(), target);
}
} // namespace
