// Display mode search, the full-screen device and the overlay font.
#include <cstdio>
#include <tuple>

#include "tests/system/system_fixture.h"

namespace {
class DeviceTest : public SystemTest {
protected:
    Application* WithWindow()
    {
        Application* application = Application::Instance();
        EXPECT_TRUE(application->CreateMainWindow());
        return application;
    }
};

D3DDISPLAYMODE Mode(UINT width, UINT height, UINT rate) { return {width, height, rate, D3DFMT_X8R8G8B8}; }
} // namespace

TEST_F(DeviceTest, ModeListMarksTheFirstExactMatchOnly)
{
    fake::State().modes = {Mode(800, 600, 75), Mode(800, 600, 60), Mode(1024, 768, 60), Mode(800, 600, 60)};
    Application* application = WithWindow();
    ASSERT_TRUE(application->CreateDirect3D());
    EXPECT_EQ(LogAfterFirstLine(),
              (std::vector<std::string>{"Listing available modes for default adapter...", "   800x600 @ 75Hz",
                                        "-> 800x600 @ 60Hz", "   1024x768 @ 60Hz", "   800x600 @ 60Hz"}));
    EXPECT_EQ(fake::State().createdWith.FullScreen_RefreshRateInHz, 60u);
}

TEST_F(DeviceTest, ModeSearchFailures)
{
    struct Row {
        const char* label;
        std::vector<D3DDISPLAYMODE> modes;
        int enumFailsAt;
        std::vector<std::string> expectedLog;
    } rows[] = {
        {"59 Hz is not 60 Hz",
         {Mode(800, 600, 59), Mode(800, 600, 75)},
         -1,
         {"Listing available modes for default adapter...", "   800x600 @ 59Hz", "   800x600 @ 75Hz",
          "FAILED: Couldn't find appropriate adapter mode."}},
        {"no modes",
         {},
         -1,
         {"Listing available modes for default adapter...", "FAILED: Couldn't find appropriate adapter mode."}},
        {"enumeration fails after the match",
         {Mode(800, 600, 60), Mode(1024, 768, 60), Mode(1280, 720, 60)},
         1,
         {"Listing available modes for default adapter...", "-> 800x600 @ 60Hz",
          "FAILED: Couldn't find appropriate adapter mode."}},
        {"a mode of another format",
         {{800, 600, 60, D3DFMT_A8R8G8B8}},
         -1,
         {"Listing available modes for default adapter...", "   800x600 @ 60Hz",
          "FAILED: Couldn't find appropriate adapter mode."}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        Application::Destroy();
        fake::Reset();
        fake::State().modes = row.modes;
        fake::State().enumFailsAt = row.enumFailsAt;
        Application* application = WithWindow();
        EXPECT_FALSE(application->CreateDirect3D());
        EXPECT_EQ(LogAfterFirstLine(), row.expectedLog);
        EXPECT_TRUE(fake::CallsStartingWith("CreateDevice").empty());
        EXPECT_NE(application->direct3d, nullptr); // left for teardown to release
    }
}

// Full screen in exactly the settings' mode, one frame a refresh, a 16-bit
// depth buffer, nothing else asked for; the frame timing starts with it.
TEST_F(DeviceTest, TheDeviceIsFullScreenInTheSettingsModeWithVsyncAndDepth)
{
    scratch.Write("settings.ini", "1024 768 60");
    fake::State().modes = {Mode(1024, 768, 60)};
    fake::SetTimeMs(4242);
    Application* application = WithWindow();
    application->LoadSettings();
    ASSERT_TRUE(application->CreateDirect3D());
    EXPECT_EQ(fake::CallsStartingWith("CreateDevice"),
              std::vector<std::string>{"CreateDevice(0,D3DDEVTYPE_HAL,window,D3DCREATE_HARDWARE_VERTEXPROCESSING)"});
    const D3DPRESENT_PARAMETERS& p = fake::State().createdWith;
    EXPECT_EQ(std::tuple(p.Windowed, p.BackBufferWidth, p.BackBufferHeight, p.FullScreen_RefreshRateInHz),
              std::tuple(FALSE, 1024u, 768u, 60u));
    EXPECT_EQ(std::tuple(p.PresentationInterval, p.EnableAutoDepthStencil, p.AutoDepthStencilFormat),
              std::tuple(UINT{D3DPRESENT_INTERVAL_ONE}, TRUE, D3DFMT_D16));
    EXPECT_EQ(std::tuple(p.BackBufferFormat, p.BackBufferCount, p.SwapEffect, p.MultiSampleType, p.MultiSampleQuality,
                         p.Flags, p.hDeviceWindow),
              std::tuple(D3DFMT_A8R8G8B8, 1u, D3DSWAPEFFECT_DISCARD, D3DMULTISAMPLE_NONE, DWORD{0}, DWORD{0}, HWND{}));
    EXPECT_EQ(application->nextFrameTime, 4242u + 1000 / 60);
}

TEST_F(DeviceTest, FailedDeviceCreationIsLoggedAndLeavesNoDevice)
{
    fake::State().modes = {Mode(800, 600, 60)};
    fake::State().createDeviceResult = D3DERR_NOTAVAILABLE;
    Application* application = WithWindow();
    EXPECT_FALSE(application->CreateDirect3D());
    EXPECT_EQ(application->device, nullptr);
    EXPECT_EQ(LogMessages().back(), "FAILED: Create Direct3D device.");
    EXPECT_EQ(application->frameInterval, 0u); // timing not started
}

TEST_F(DeviceTest, FontHeightFollowsTheScreenResolution)
{
    const std::pair<int, INT> rows[] = {{96, -18}, {120, -23}, {144, -28}, {72, -14}, {0, 0}};
    for (const auto& [pixelsPerInch, height] : rows) {
        fake::Reset();
        fake::State().modes = {Mode(800, 600, 60)};
        fake::State().logPixelsY = pixelsPerInch;
        Application::Destroy();
        Application* application = WithWindow();
        ASSERT_TRUE(application->CreateDirect3D());
        ASSERT_TRUE(application->CreateOverlayFont());
        char expected[96];
        std::snprintf(expected, sizeof expected, "D3DXCreateFontW(%d,0,0,1,0,1,0,0,0,Arial)", height);
        EXPECT_EQ(fake::CallsStartingWith("D3DXCreateFontW"), std::vector<std::string>{expected});
        EXPECT_EQ(fake::CallsStartingWith("GetDC"), std::vector<std::string>{"GetDC(null)"});
        EXPECT_EQ(fake::CallsStartingWith("GetDeviceCaps"), std::vector<std::string>{"GetDeviceCaps(LOGPIXELSY)"});
        EXPECT_EQ(fake::CallsStartingWith("ReleaseDC").size(), 1u);
    }
}
