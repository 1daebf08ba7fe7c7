// Construction, the start-up sequence, teardown order and the entry point.
#include "app/clock.h"
#include "scene/scene.h"
#include "support/log.h"
#include "tests/system/system_fixture.h"

using ApplicationTest = SystemTest;

// Constructing writes the first line and calls nothing; an application that
// never started has nothing to release.
TEST_F(ApplicationTest, ConstructionWritesTheFirstLineAndTeardownOfNothingCallsNothing)
{
    Application* application = Application::Instance();
    EXPECT_EQ(Application::Instance(), application);
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"Log created."});
    Application::Destroy();
    EXPECT_EQ(fake::State().calls, std::vector<std::string>{});
    EXPECT_EQ(Log::Existing(), nullptr);
}

TEST_F(ApplicationTest, StartUpRunsEveryStepInOrder)
{
    scratch.Write("settings.ini", "800 600 60");
    Application* application = StartedApplication();
    ASSERT_NE(application->scene, nullptr);
    EXPECT_EQ(application->instance, reinterpret_cast<HINSTANCE>(0x400000));

    const std::vector<std::string> milestones = {"RegisterClassExW",
                                                 "CreateWindowExW",
                                                 "RegisterRawInputDevices",
                                                 "Direct3DCreate9(32)",
                                                 "CreateDevice",
                                                 "D3DXCreateFontW",
                                                 "D3DXLoadMeshFromXW(Models\\Crate\\Crate.x)",
                                                 "D3DXLoadMeshFromXW(Models\\Skybox\\Skybox.x)"};
    size_t position = 0;
    for (const std::string& milestone : milestones) {
        const auto& calls = fake::State().calls;
        const auto found = std::find_if(calls.begin() + static_cast<std::ptrdiff_t>(position), calls.end(),
                                        [&](const std::string& call) { return call.rfind(milestone, 0) == 0; });
        ASSERT_NE(found, calls.end()) << milestone << " missing or out of order";
        position = static_cast<size_t>(found - calls.begin());
    }
    EXPECT_EQ(LogMessages(),
              (std::vector<std::string>{
                  "Log created.", "Listing available modes for default adapter...", "   640x480 @ 60Hz",
                  "-> 800x600 @ 60Hz", "   800x600 @ 75Hz", "   1024x768 @ 60Hz",
                  "Successfully loaded Models\\Crate\\Crate.x", "Successfully loaded Models\\Level\\Level.x",
                  "Successfully loaded Models\\Sniper\\Sniper.x", "Successfully loaded Models\\Skybox\\Skybox.x"}));
}

namespace {
struct FailingStep {
    const char* label;
    void (*arrange)();
    const char* lastCall;       // the last recorded call of the failed start-up
    const char* lastLogMessage; // the last log line
};

class StartUpFailure : public SystemTest, public ::testing::WithParamInterface<FailingStep> {};
} // namespace

TEST_P(StartUpFailure, EndsAtTheFirstFailingStep)
{
    ScriptCommonModes();
    ScriptModels();
    GetParam().arrange();
    Application* application = Application::Instance();
    EXPECT_FALSE(application->Initialize(nullptr));
    EXPECT_EQ(application->scene, nullptr);
    ASSERT_FALSE(fake::State().calls.empty());
    EXPECT_EQ(fake::State().calls.back().rfind(GetParam().lastCall, 0), 0u) << fake::State().calls.back();
    EXPECT_EQ(LogMessages().back(), GetParam().lastLogMessage);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, StartUpFailure,
    ::testing::Values(FailingStep{"WindowClass", [] { fake::State().registerClassFails = true; }, "RegisterClassExW",
                                  "Couldn't open settings file."},
                      FailingStep{"Window", [] { fake::State().createWindowFails = true; }, "CreateWindowExW",
                                  "Couldn't open settings file."},
                      FailingStep{"RawMouse", [] { fake::State().rawInputFails = true; }, "RegisterRawInputDevices",
                                  "Couldn't open settings file."},
                      FailingStep{"Direct3D", [] { fake::State().direct3dCreateFails = true; }, "Direct3DCreate9",
                                  "FAILED: Create Direct3D object."},
                      FailingStep{"Mode", [] { fake::State().modes.clear(); }, "GetAdapterModeCount",
                                  "FAILED: Couldn't find appropriate adapter mode."},
                      FailingStep{"Device", [] { fake::State().createDeviceResult = D3DERR_NOTAVAILABLE; },
                                  "CreateDevice", "FAILED: Create Direct3D device."},
                      FailingStep{"Font", [] { fake::State().fontResults = {E_OUTOFMEMORY}; }, "D3DXCreateFontW",
                                  "FAILED: Create Direct3D font."},
                      FailingStep{"Level", [] { fake::State().models.erase(L"Models\\Level\\Level.x"); },
                                  "D3DXLoadMeshFromXW(Models\\Level\\Level.x)",
                                  "FAILED: Couldn't load mesh \"Models\\Level\\Level.x\"."}),
    [](const ::testing::TestParamInfo<FailingStep>& row) { return std::string(row.param.label); });

TEST_F(ApplicationTest, TeardownReleasesMeshesFirstThenFontDeviceDirect3DAndClosesTheLogLast)
{
    StartedApplication();
    const size_t mark = fake::State().calls.size();
    Application::Destroy();
    EXPECT_EQ(fake::CallsSince(mark),
              (std::vector<std::string>{
                  "Release(Mesh:Models\\Crate\\Crate.x)",
                  "Release(Texture:Models\\Crate\\wood.png)",
                  "Release(Mesh:Models\\Level\\Level.x)",
                  "Release(Texture:Models\\Level\\stone.png)",
                  "Release(Mesh:Models\\Skybox\\Skybox.x)",
                  "Release(Texture:Models\\Skybox\\sky.png)",
                  "Release(Mesh:Models\\Sniper\\Sniper.x)",
                  "Release(Texture:Models\\Sniper\\cloth.png)",
                  "Release(Font)",
                  "Release(Device)",
                  "Release(Direct3D)",
              }));
    EXPECT_EQ(fake::State().liveObjects, 0);
    EXPECT_EQ(Log::Existing(), nullptr);
    EXPECT_EQ(fake::State().timeEndPeriodCalls, 0);
}

TEST_F(ApplicationTest, TeardownWithTheMultimediaTimerGivesTheResolutionBackOnce)
{
    fake::State().counterAvailable = false;
    StartedApplication();
    Application::Destroy();
    EXPECT_EQ(fake::State().timeBeginPeriodCalls, 1);
    EXPECT_EQ(fake::State().timeEndPeriodCalls, 1);
}

TEST_F(ApplicationTest, WinMainTearsDownAFailedStartUpAndReportsTheFailure)
{
    ScriptCommonModes();
    fake::State().fontResults = {E_FAIL};
    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, SW_SHOW), 1);
    // The device (and with it the display mode) is given back at once.
    EXPECT_EQ(fake::CallsStartingWith("Release(Device)").size(), 1u);
    EXPECT_EQ(fake::CallsStartingWith("Release(Direct3D)").size(), 1u);
    EXPECT_EQ(fake::State().liveObjects, 0);
    EXPECT_EQ(Log::Existing(), nullptr);
    EXPECT_EQ(LogMessages().back(), "FAILED: Create Direct3D font.");
}

TEST_F(ApplicationTest, WinMainReturnsTheQuitMessageCode)
{
    ScriptCommonModes();
    ScriptModels();
    fake::Post(WM_QUIT, 0);
    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, SW_SHOW), 0);
    EXPECT_EQ(fake::State().liveObjects, 0);
    fake::Reset();
    ScriptCommonModes();
    ScriptModels();
    fake::Post(WM_QUIT, 7);
    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, SW_SHOW), 7);
}

TEST_F(ApplicationTest, RawInputFailureLeavesOnlyTheFirstLines)
{
    scratch.Write("settings.ini", "800 600 60");
    fake::State().rawInputFails = true;
    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, SW_SHOW), 1);
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"Log created."});
}
