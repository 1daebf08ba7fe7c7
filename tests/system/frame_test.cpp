// Frame drawing with the overlay, and the lost-device state machine.
#include "gfx/overlay_text.h"
#include "scene/scene.h"
#include "tests/system/system_fixture.h"

namespace {
class FrameTest : public SystemTest {
protected:
    Application* application = nullptr;
    size_t mark = 0;

    void Start(const std::string& settings = "800 600 60", const std::vector<D3DDISPLAYMODE>& extraModes = {})
    {
        scratch.Write("settings.ini", settings);
        application = StartedApplication(extraModes);
        mark = fake::State().calls.size();
    }
    std::vector<std::string> FrameCalls()
    {
        auto calls = fake::CallsSince(mark);
        mark = fake::State().calls.size();
        return calls;
    }
    size_t LogCount(const std::string& message)
    {
        const auto messages = LogMessages();
        return static_cast<size_t>(std::count(messages.begin(), messages.end(), message));
    }
};

bool Contains(const std::vector<std::string>& calls, const std::string& call)
{
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}
} // namespace

TEST(OverlayText, LinesAreFormattedAsShown)
{
    std::wstring text;
    WriteDisplayModeText(800, 600, 60, text);
    EXPECT_EQ(text, L"800 x 600 @ 60 Hz");
    WriteDisplayModeText(1024, 768, 75, text);
    EXPECT_EQ(text, L"1024 x 768 @ 75 Hz");
    EXPECT_EQ(ModeListLine(true, 1024, 768, 75), L"-> 1024x768 @ 75Hz");
    EXPECT_EQ(ModeListLine(false, 1024, 768, 75), L"   1024x768 @ 75Hz");
    const std::pair<float, const wchar_t*> rows[] = {
        {0.0f, L"FPS: 0"},           {60.0f, L"FPS: 60"},
        {59.9401f, L"FPS: 59.9401"}, {1.0f / 3.0f, L"FPS: 0.333333"},
        {62.4376f, L"FPS: 62.4376"}, {1234567.0f, L"FPS: 1.23457e+06"},
    };
    for (const auto& [fps, expected] : rows) {
        WriteFpsText(fps, text);
        EXPECT_EQ(text, expected);
    }
}

TEST_F(FrameTest, AFrameClearsDrawsTheSceneThenTheOverlayAndPresents)
{
    Start("1024 768 75", {{1024, 768, 75, D3DFMT_X8R8G8B8}});
    application->RenderFrame();
    const auto calls = FrameCalls();
    ASSERT_GE(calls.size(), 8u);
    EXPECT_EQ(calls[0], "Clear(0,null,3,ff808080,1,0)");
    EXPECT_EQ(calls[1], "BeginScene");
    EXPECT_EQ(calls[2], "SetTransform(D3DTS_VIEW)"); // the scene draws first
    const std::vector<std::string> tail(calls.end() - 6, calls.end());
    EXPECT_EQ(tail,
              (std::vector<std::string>{
                  "DrawTextW(Press 'Esc' to quit.|-1|10,10,200,30|256|ffffff00)",
                  "DrawTextW(Press W, A, S, D, PgUp and PgDn to move.|-1|10,30,200,50|256|ffffff00)",
                  "DrawTextW(1024 x 768 @ 75 Hz|-1|10,55,200,75|256|ffffffff)",
                  "DrawTextW(FPS: 0|-1|10,75,200,95|256|ffffffff)",
                  "EndScene",
                  "Present",
              }));
}

TEST_F(FrameTest, FailedBeginSceneSkipsSceneAndOverlayButPresents)
{
    Start();
    fake::State().beginSceneResults = {D3DERR_INVALIDCALL};
    application->RenderFrame();
    EXPECT_EQ(FrameCalls(), (std::vector<std::string>{"Clear(0,null,3,ff808080,1,0)", "BeginScene", "Present"}));
}

TEST_F(FrameTest, OtherPresentFailuresAreIgnored)
{
    Start();
    fake::State().presentResults = {D3DERR_DRIVERINTERNALERROR, E_FAIL};
    application->RenderFrame();
    application->RenderFrame();
    EXPECT_FALSE(application->deviceLost);
    EXPECT_EQ(LogCount("Direct3D device lost."), 0u);
}

TEST_F(FrameTest, ALongLossIsLoggedOnceAndRestoredOnce)
{
    Start();
    fake::State().presentResults = {D3DERR_DEVICELOST};
    application->RenderFrame();
    EXPECT_TRUE(application->deviceLost);
    FrameCalls();

    // Lost for many frames: each due frame waits 250 ms and asks, nothing is drawn.
    fake::State().cooperativeResults = std::deque<HRESULT>(20, D3DERR_DEVICELOST);
    for (int i = 0; i < 20; ++i) {
        application->RenderFrame();
        EXPECT_EQ(FrameCalls(), (std::vector<std::string>{"Sleep(250)", "TestCooperativeLevel"}));
    }
    fake::State().cooperativeResults = {D3DERR_DEVICENOTRESET, D3D_OK};
    application->RenderFrame();
    const auto resetCalls = FrameCalls();
    EXPECT_EQ(std::vector<std::string>(resetCalls.begin(), resetCalls.begin() + 4),
              (std::vector<std::string>{"Sleep(250)", "TestCooperativeLevel", "Release(Font)", "Reset"}));
    EXPECT_TRUE(Contains(resetCalls, "D3DXCreateFontW(-18,0,0,1,0,1,0,0,0,Arial)"));
    EXPECT_TRUE(application->deviceLost); // confirmed by the next frame
    EXPECT_EQ(fake::State().liveFonts, 1);

    application->RenderFrame();
    EXPECT_FALSE(application->deviceLost);
    application->RenderFrame();
    EXPECT_TRUE(Contains(FrameCalls(), "Present"));

    EXPECT_EQ(LogCount("Direct3D device lost."), 1u);
    EXPECT_EQ(LogCount("Direct3D device restored."), 1u);
    const auto messages = LogMessages();
    EXPECT_EQ(messages[messages.size() - 2], "Direct3D device lost.");
    EXPECT_EQ(messages.back(), "Direct3D device restored.");
}

TEST_F(FrameTest, RepeatedResetFailuresReleaseTheFontOnceAndKeepWaiting)
{
    Start();
    fake::State().presentResults = {D3DERR_DEVICELOST};
    application->RenderFrame();
    fake::State().cooperativeResults = std::deque<HRESULT>(5, D3DERR_DEVICENOTRESET);
    fake::State().resetResults = std::deque<HRESULT>(5, D3DERR_DEVICELOST);
    fake::State().sleeps.clear();
    for (int i = 0; i < 5; ++i) application->RenderFrame();
    EXPECT_EQ(fake::CallsStartingWith("Release(Font)").size(), 1u);
    EXPECT_EQ(fake::CallsStartingWith("Reset").size(), 5u);
    EXPECT_EQ(fake::State().sleeps, std::vector<DWORD>(5, 250));
    EXPECT_EQ(application->font, nullptr);
    EXPECT_TRUE(application->deviceLost);
    EXPECT_EQ(LogCount("Direct3D device restored."), 0u);
}

TEST_F(FrameTest, AFrameWithoutAFontSkipsTheOverlay)
{
    Start();
    fake::State().presentResults = {D3DERR_DEVICELOST};
    application->RenderFrame();
    fake::State().cooperativeResults = {D3DERR_DEVICENOTRESET, D3D_OK};
    fake::State().fontResults = {E_OUTOFMEMORY};
    application->RenderFrame(); // reset succeeds, the font does not come back
    application->RenderFrame(); // restored
    EXPECT_EQ(application->font, nullptr);
    EXPECT_EQ(LogCount("FAILED: Create Direct3D font."), 1u);
    FrameCalls();
    application->RenderFrame();
    const auto calls = FrameCalls();
    EXPECT_TRUE(Contains(calls, "EndScene"));
    EXPECT_TRUE(Contains(calls, "Present"));
    EXPECT_TRUE(std::none_of(calls.begin(), calls.end(),
                             [](const std::string& call) { return call.rfind("DrawTextW", 0) == 0; }));
}
