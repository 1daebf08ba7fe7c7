// Frame pacing, the frames-per-second sample and the message loop.
#include <algorithm>
#include <cmath>

#include "gfx/overlay_text.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "tests/system/system_fixture.h"

namespace {
class MainLoopTest : public SystemTest {
protected:
    Application* StartAt(int64_t ms, uint32_t refreshRate = 60)
    {
        fake::SetTimeMs(ms);
        scratch.Write("settings.ini", "800 600 " + std::to_string(refreshRate));
        return StartedApplication({{800, 600, refreshRate, D3DFMT_X8R8G8B8}});
    }
    static size_t Frames() { return fake::CallsStartingWith("Present").size(); }
    static float FigureYaw(Application* application)
    {
        const Entity* figure = Figure(application);
        return figure != nullptr ? figure->rotation.x : std::nanf("");
    }
};
} // namespace

TEST_F(MainLoopTest, FrameIntervalIsWholeMillisecondsOfTheRefreshRate)
{
    const std::pair<uint32_t, uint32_t> rows[] = {{60, 16}, {75, 13}, {85, 11}, {100, 10},
                                                  {120, 8}, {144, 6}, {1, 1000}};
    for (const auto& [rate, interval] : rows) {
        Application application;
        application.refreshRate = rate;
        fake::SetTimeMs(5000);
        application.StartFrameTiming();
        EXPECT_EQ(application.frameInterval, interval) << rate << " Hz";
        EXPECT_EQ(application.lastUpdateTime, 5000u);
        EXPECT_EQ(application.nextFrameTime, 5000u + interval);
    }
}

TEST_F(MainLoopTest, ZeroHertzPacesAtSixtyAndStillShowsZero)
{
    Application* application = StartAt(1000, 0);
    EXPECT_EQ(application->frameInterval, 16u);
    fake::SetTimeMs(1017);
    application->Tick();
    EXPECT_EQ(Frames(), 1u);
    EXPECT_FALSE(fake::CallsStartingWith("DrawTextW(800 x 600 @ 0 Hz|").empty());
}

TEST_F(MainLoopTest, AFrameRunsOnlyOnceNowIsLaterThanItsDueTime)
{
    Application* application = StartAt(10'000);
    fake::SetTimeMs(10'016); // exactly due: not yet
    application->Tick();
    EXPECT_EQ(Frames(), 0u);
    fake::SetTimeMs(10'017);
    application->Tick();
    EXPECT_EQ(Frames(), 1u);
    EXPECT_EQ(application->nextFrameTime, 10'032u);
    EXPECT_EQ(application->lastUpdateTime, 10'017u);
    application->Tick(); // same millisecond: nothing more
    EXPECT_EQ(Frames(), 1u);
}

TEST_F(MainLoopTest, AnIdleTickYieldsTheProcessorAndAFrameTickDoesNot)
{
    Application* application = StartAt(20'000);
    const size_t before = fake::CallsStartingWith("Sleep(0)").size();
    application->Tick(); // not due
    EXPECT_EQ(fake::CallsStartingWith("Sleep(0)").size(), before + 1);
    fake::SetTimeMs(20'017);
    application->Tick();
    EXPECT_EQ(Frames(), 1u);
    EXPECT_EQ(fake::CallsStartingWith("Sleep(0)").size(), before + 1);
}

TEST_F(MainLoopTest, SteadyTicksKeepTheScheduleWithoutDrift)
{
    Application* application = StartAt(0);
    for (int ms = 1; ms <= 1600; ++ms) {
        fake::SetTimeMs(ms);
        application->Tick();
    }
    // Due after 16, 32, ... 1600 ms: the frame at 1600 is not later than its due time yet.
    EXPECT_EQ(Frames(), 99u);
    EXPECT_EQ(application->nextFrameTime, 1600u);
}

TEST_F(MainLoopTest, FpsIsSampledJustAfterEachSecond)
{
    Application* application = StartAt(50'000);
    fake::SetTimeMs(50'017);
    application->Tick(); // first tick samples at once: no frame counted yet
    EXPECT_EQ(application->lastFpsSampleTime, 50'017u);
    EXPECT_EQ(application->fps, 0.0f);
    EXPECT_EQ(application->frameCount, 1u);
    EXPECT_FALSE(fake::CallsStartingWith("DrawTextW(FPS: 0|").empty());

    for (int64_t ms = 50'018; ms <= 51'017; ++ms) {
        fake::SetTimeMs(ms);
        application->Tick();
    }
    EXPECT_EQ(application->lastFpsSampleTime, 50'017u); // exactly 1000 ms: no sample
    const uint32_t counted = application->frameCount;
    fake::SetTimeMs(51'018);
    application->Tick();
    EXPECT_EQ(application->lastFpsSampleTime, 51'018u);
    EXPECT_FLOAT_EQ(application->fps, static_cast<float>(counted) / 1.001f);
}

TEST_F(MainLoopTest, LongStallGivesOneFrameWithTheWholeStallThenOneIntervalLater)
{
    Application* application = StartAt(20'000);
    fake::SetTimeMs(20'017);
    application->Tick();
    const float yawBefore = FigureYaw(application);
    fake::SetTimeMs(20'517); // half a second later
    application->Tick();
    application->Tick();
    EXPECT_EQ(Frames(), 2u);
    EXPECT_NEAR(FigureYaw(application) - yawBefore, 0.78539819f * 0.5f, 1e-5f);
    EXPECT_EQ(application->nextFrameTime, 20'533u);
    fake::SetTimeMs(20'533);
    application->Tick();
    EXPECT_EQ(Frames(), 2u);
    fake::SetTimeMs(20'534);
    application->Tick();
    EXPECT_EQ(Frames(), 3u);
}

TEST_F(MainLoopTest, FirstFrameUpdatesByAllTheTimeSinceTimingStarted)
{
    Application* application = StartAt(1'000);
    fake::SetTimeMs(3'000);
    application->Tick();
    EXPECT_NEAR(FigureYaw(application), 0.78539819f * 2.0f, 1e-5f);
}

TEST_F(MainLoopTest, PacingSurvivesTheThirtyTwoBitWrap)
{
    // The counter stands 40 ms before the millisecond count wraps.
    Application* application = StartAt((int64_t{1} << 32) - 40);
    int64_t ms = (int64_t{1} << 32) - 40;
    for (int i = 0; i < 100; ++i) {
        fake::SetTimeMs(++ms);
        application->Tick();
    }
    // Frames at +17, +33, +49, +65, +81, +97 ms from the start, across the wrap.
    EXPECT_EQ(Frames(), 6u);
    EXPECT_LT(application->nextFrameTime, 100u);
}

TEST_F(MainLoopTest, RunHandlesMessagesBeforeTicksAndReturnsTheQuitCode)
{
    Application* application = StartAt(0);
    // Mouse motion queued while the program started (Wine queues the pointer's
    // position as motion) is dropped; keys are not.
    fake::State().rawInput.data.mouse.lLastX = 500;
    fake::Post(WM_INPUT, 0, 0x77);
    fake::Post(WM_KEYDOWN, 'W');
    fake::Post(WM_QUIT, 3);
    fake::Post(WM_KEYDOWN, 'S'); // after the quit message: never handled
    fake::State().onIdle = [] { ADD_FAILURE() << "ticked although messages were pending"; };
    EXPECT_EQ(application->Run(), 3);
    EXPECT_EQ(application->keyStates['W'], 1);
    EXPECT_EQ(application->keyStates['S'], 0);
    EXPECT_EQ(application->scene->camera->yaw, 0.0f);
}

TEST_F(MainLoopTest, EscapeStillDrawsItsFrameAndTheLoopEndsOnALaterPass)
{
    Application* application = StartAt(0);
    int idlePasses = 0;
    fake::State().onIdle = [&] {
        ++idlePasses;
        fake::SetTimeMs(idlePasses * 20);
        if (idlePasses == 3) fake::Post(WM_KEYDOWN, VK_ESCAPE);
        ASSERT_LT(idlePasses, 50) << "the loop did not end";
    };
    EXPECT_EQ(application->Run(), 0);
    // Ticks at 20 and 40 ms draw; the key arrives on the third pass, and the
    // Escape frame at 80 ms draws too and posts the quit message.
    EXPECT_EQ(Frames(), 3u);
    EXPECT_EQ(fake::CallsStartingWith("PostQuitMessage(0)").size(), 1u);
    const auto messages = LogMessages();
    EXPECT_EQ(messages.back(), "Terminating... bye!");
}
