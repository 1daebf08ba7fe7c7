// Retraces kept by the device's clock, and frames started late against them.
#include <gtest/gtest.h>

#include "platform/portable/d3d9/frame_delay.h"
#include "platform/portable/d3d9/retrace.h"

using namespace portable;

namespace {
constexpr int64_t kMs = 1000000;
constexpr int64_t kUs = 1000;
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

namespace {
// Times `frames` frames of `drawMs` each, presented one period apart from kPeriod on.
FrameDelay Timed(int frames, int64_t drawMs)
{
    FrameDelay delay;
    for (int i = 0; i < frames; ++i) {
        const int64_t released = (i + 1) * kPeriod;
        ReleaseFrame(delay, released);
        RecordFrameDrawn(delay, released + drawMs * kMs, kPeriod);
    }
    return delay;
}
} // namespace

TEST(FrameDelay, TheNextFrameStartsAsLateAsTheLongestRecentFrameAllows)
{
    RetraceClock clock;
    StartRetraceClock(clock, 60, 1);
    TakeNextRetrace(clock, 100 * kPeriod);
    const int64_t now = 100 * kPeriod + kMs;
    const int64_t nextRetrace = 101 * kPeriod;
    struct Case {
        const char* name;
        FrameDelay delay;
        int64_t start;
    };
    FrameDelay oneSlow = Timed(40, 4);
    ReleaseFrame(oneSlow, 0);
    RecordFrameDrawn(oneSlow, 9 * kMs, kPeriod);
    FrameDelay stalled = Timed(40, 4);
    ReleaseFrame(stalled, 0);
    RecordFrameDrawn(stalled, 250 * kMs, kPeriod);
    FrameDelay restarted = Timed(40, 4);
    RestartFrameDelay(restarted);
    const Case cases[] = {
        {"steady 4 ms frames, a tenth more and half a millisecond", Timed(40, 4), nextRetrace - 4900 * kUs},
        {"the longest of the recent ones counts", oneSlow, nextRetrace - 10400 * kUs},
        {"too few frames timed", Timed(7, 4), now},
        {"frames as long as a period", Timed(40, 16), now},
        {"a stall leaves nothing to hold", stalled, now},
        {"forgotten after a restart", restarted, now},
    };
    for (const Case& c : cases) EXPECT_EQ(LatestStartNs(c.delay, clock, now), c.start) << c.name;

    RetraceClock immediate;
    EXPECT_EQ(LatestStartNs(Timed(40, 4), immediate, now), now) << "no retraces kept";
}
