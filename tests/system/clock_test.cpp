// The millisecond clock: counter conversion, fallback timer and wrap-safe order.
#include <limits>

#include "app/clock.h"
#include "tests/system/system_fixture.h"

using ClockTest = SystemTest;

TEST(CounterToMilliseconds, IsExactForAnyCount)
{
    const int64_t max = std::numeric_limits<int64_t>::max();
    struct Row {
        int64_t count, frequency;
        uint64_t expected; // the full quotient; the clock keeps its low 32 bits
    } rows[] = {
        {0, 1000, 0},
        {999, 1000, 999},
        {10'000'000, 10'000'000, 1000},
        {2'999'999, 3'000'000, 999},
        {3'000'000, 3'000'000, 1000},
        // Past the point where count * 1000 overflows 64 bits (about 35 days at 3 GHz).
        {9'300'000'000'000'000, 3'000'000'000, 3'100'000'000},
        {max, 1'000'000'000, 9'223'372'036'854},
        {max, 3'579'545, 2'576'688'388'288'113ull}, // a classic ACPI counter rate
        {max, 1, static_cast<uint64_t>(max) * 1000},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(CounterToMilliseconds(row.count, row.frequency), static_cast<uint32_t>(row.expected))
            << row.count << " / " << row.frequency;
    }
}

TEST(IsLater, ComparesAcrossTheWrap)
{
    EXPECT_TRUE(IsLater(11, 10));
    EXPECT_FALSE(IsLater(10, 10));
    EXPECT_FALSE(IsLater(9, 10));
    EXPECT_TRUE(IsLater(5, 0xFFFFFFF0u));
    EXPECT_FALSE(IsLater(0xFFFFFFF0u, 5));
}

TEST_F(ClockTest, UsesThePerformanceCounterWhenThereIsOne)
{
    fake::State().counterFrequency = 3'000'000;
    fake::State().counter = 7'500'000;
    Clock* clock = Clock::Instance();
    EXPECT_TRUE(clock->useCounter);
    EXPECT_EQ(clock->frequency, 3'000'000);
    EXPECT_EQ(clock->NowMs(), 2500u);
    EXPECT_EQ(fake::State().timeBeginPeriodCalls, 0);
    Clock::Destroy();
    EXPECT_EQ(fake::State().timeEndPeriodCalls, 0);
}

TEST_F(ClockTest, FallsBackToTheMultimediaTimerAtOneMillisecondAndGivesItBackOnce)
{
    fake::State().counterAvailable = false;
    fake::State().multimediaTime = 123456;
    Clock* clock = Clock::Instance();
    EXPECT_FALSE(clock->useCounter);
    EXPECT_EQ(clock->NowMs(), 123456u);
    EXPECT_EQ(Clock::Instance(), clock);
    EXPECT_EQ(fake::State().timeBeginPeriodCalls, 1);
    Clock::Destroy();
    Clock::Destroy();
    EXPECT_EQ(fake::State().timeEndPeriodCalls, 1);
}
