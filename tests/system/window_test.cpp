// The window, the raw mouse registration and the window procedure.
#include "scene/scene.h"
#include "tests/system/system_fixture.h"

namespace {
class WindowTest : public SystemTest {
protected:
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return WindowProc(reinterpret_cast<HWND>(0x1234), message, wParam, lParam);
    }
    void MouseReport(LONG dx, LONG dy, DWORD type = RIM_TYPEMOUSE, USHORT flags = MOUSE_MOVE_RELATIVE,
                     uintptr_t device = 1)
    {
        fake::State().rawInput = RAWINPUT{};
        fake::State().rawInput.header.dwType = type;
        fake::State().rawInput.header.hDevice = reinterpret_cast<HANDLE>(device);
        fake::State().rawInput.data.mouse.usFlags = flags;
        fake::State().rawInput.data.mouse.lLastX = dx;
        fake::State().rawInput.data.mouse.lLastY = dy;
        EXPECT_EQ(Send(WM_INPUT, 0, 0x77), 0);
    }
};
} // namespace

// A frameless window over every other at the screen's corner, of the
// settings' size, without a cursor; the mouse reaches it in the background too.
TEST_F(WindowTest, TheWindowIsAFramelessTopMostPopupWithTheMouseRegistered)
{
    scratch.Write("settings.ini", "1024 768 75");
    Application* application = Application::Instance();
    application->instance = reinterpret_cast<HINSTANCE>(0x400000);
    application->LoadSettings();
    ASSERT_TRUE(application->CreateMainWindow());
    ASSERT_TRUE(application->RegisterRawMouse());
    EXPECT_EQ(fake::State().calls,
              (std::vector<std::string>{
                  "RegisterClassExW(D3DWINDOWCLASS,CS_CLASSDC,no cursor)",
                  "CreateWindowExW(WS_EX_TOPMOST,D3DWINDOWCLASS,D3D Window,WS_POPUP,0,0,1024,768)",
                  "ShowWindow(SW_SHOW)",
                  "UpdateWindow",
                  "RegisterRawInputDevices(mouse,RIDEV_INPUTSINK,window)",
              }));
    EXPECT_EQ(fake::State().registeredClass.lpfnWndProc, &WindowProc);
    EXPECT_EQ(application->window, reinterpret_cast<HWND>(0x1234));
}

TEST_F(WindowTest, KeyBytesFollowKeyDownAndKeyUpOnly)
{
    Application* application = Application::Instance();
    EXPECT_EQ(Send(WM_KEYDOWN, 'W'), 0);
    EXPECT_EQ(Send(WM_KEYDOWN, 'W'), 0); // auto-repeat
    EXPECT_EQ(application->keyStates['W'], 1);
    EXPECT_EQ(Send(WM_KEYDOWN, 0), 0);
    EXPECT_EQ(Send(WM_KEYDOWN, 255), 0);
    EXPECT_EQ(application->keyStates[0], 1);
    EXPECT_EQ(application->keyStates[255], 1);
    EXPECT_EQ(Send(WM_KEYUP, 'W'), 0);
    EXPECT_EQ(application->keyStates['W'], 0);

    const KeyStates before = application->keyStates;
    EXPECT_EQ(Send(WM_KEYDOWN, 256), 0);
    EXPECT_EQ(Send(WM_KEYUP, 0x10000 + 'W'), 0);
    EXPECT_EQ(Send(WM_KEYDOWN, static_cast<WPARAM>(-1)), 0);
    EXPECT_EQ(Send(WM_SYSKEYDOWN, 'D'), 0);
    EXPECT_EQ(Send(WM_SYSKEYDOWN, VK_F10), 0);
    Send(WM_KEYDOWN, VK_F10);
    EXPECT_EQ(Send(WM_SYSKEYUP, VK_F10), 0);
    EXPECT_EQ(application->keyStates[VK_F10], 1); // a system key-up does not clear it
    application->keyStates[VK_F10] = 0;
    EXPECT_EQ(application->keyStates, before);
    EXPECT_EQ(fake::CallsStartingWith("DefWindowProcW(WM_SYSKEYDOWN)").size(), 2u);
    EXPECT_EQ(fake::CallsStartingWith("DefWindowProcW(WM_SYSKEYUP)").size(), 1u);
}

TEST_F(WindowTest, LosingTheFocusReleasesEveryKey)
{
    Application* application = Application::Instance();
    Send(WM_KEYDOWN, 'S');
    Send(WM_KEYDOWN, VK_PRIOR);
    Send(WM_KILLFOCUS);
    // S is let go while the window is minimised: its key-up never arrives.
    Send(WM_SETFOCUS);
    EXPECT_EQ(application->keyStates, KeyStates{});
    EXPECT_EQ(fake::CallsStartingWith("DefWindowProcW(WM_KILLFOCUS)").size(), 1u);
}

TEST_F(WindowTest, DestroyPostsTheQuitMessageAndAltF4GetsThere)
{
    Application::Instance()->CreateMainWindow();
    EXPECT_EQ(Send(WM_DESTROY), 0);
    ASSERT_EQ(fake::State().queue.size(), 1u);
    EXPECT_EQ(fake::State().queue.front().message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(fake::State().queue.front().wParam, 0u);
    fake::State().queue.clear();

    Send(WM_SYSKEYDOWN, VK_F4, 0x20000000);
    ASSERT_EQ(fake::State().queue.size(), 1u);
    EXPECT_EQ(fake::State().queue.front().message, static_cast<UINT>(WM_QUIT));
}

TEST_F(WindowTest, SetCursorHidesTheCursorAndIsNotPassedOn)
{
    EXPECT_EQ(Send(WM_SETCURSOR, 0x1234, HTCLIENT), 0);
    EXPECT_EQ(Send(WM_SETCURSOR, 0x1234, HTCLIENT), 0);
    EXPECT_EQ(fake::State().calls, (std::vector<std::string>{"SetCursor(null)", "SetCursor(null)"}));
}

TEST_F(WindowTest, OtherMessagesGoToTheDefaultProcedure)
{
    Send(WM_MOUSEMOVE, 0, 0x00100010);
    Send(WM_CHAR, 'w');
    EXPECT_EQ(fake::State().calls,
              (std::vector<std::string>{"DefWindowProcW(WM_MOUSEMOVE)", "DefWindowProcW(WM_CHAR)"}));
}

TEST_F(WindowTest, RawMouseMotionTurnsTheCameraByExactSinglePrecisionProducts)
{
    Application* application = StartedApplication();
    Camera& camera = *application->scene->camera;
    MouseReport(200, -100);
    EXPECT_EQ(camera.yaw, 1.0f);
    EXPECT_EQ(camera.pitch, -0.5f);
    EXPECT_EQ(application->scene->player->rotation.x, 1.0f);
    EXPECT_EQ(fake::State().rawInputSizeAsked, sizeof(RAWINPUT));
    EXPECT_EQ(fake::State().rawInputHeaderSizeGiven, sizeof(RAWINPUTHEADER));

    MouseReport(1, 0);
    EXPECT_EQ(camera.yaw, 1.0f + 0.005f);
    EXPECT_TRUE(fake::CallsStartingWith("DefWindowProcW").empty());
}

// A tablet or remote desktop reports positions (0-65535 across the 800x600
// screen): only the change between two reports of one device turns the camera.
TEST_F(WindowTest, AbsoluteRecordsTurnByTheChangeOfPosition)
{
    Application* application = StartedApplication();
    Camera& camera = *application->scene->camera;
    struct Report {
        LONG x, y;
        USHORT flags;
        uintptr_t device;
        float yaw, pitch; // afterwards
    };
    const Report reports[] = {
        {32768, 32768, MOUSE_MOVE_ABSOLUTE, 1, 0.0f, 0.0f},                          // where the pointer is: no motion
        {40960, 32768, MOUSE_MOVE_ABSOLUTE, 1, 0.5f, 0.0f},                          // 400 -> 500 pixels across
        {40960, 21846, MOUSE_MOVE_ABSOLUTE | MOUSE_VIRTUAL_DESKTOP, 1, 0.5f, -0.5f}, // 300 -> 200 up
        {0, 0, MOUSE_MOVE_ABSOLUTE, 2, 0.5f, -0.5f},                                 // another device starts afresh
        {2, 0, MOUSE_MOVE_RELATIVE, 1, 0.51f, -0.5f},                                // relative motion as ever
        {65535, 0, MOUSE_MOVE_ABSOLUTE, 2, 0.51f, -0.5f},                            // and it ends the absolute run
    };
    for (const Report& report : reports) {
        MouseReport(report.x, report.y, RIM_TYPEMOUSE, report.flags, report.device);
        EXPECT_FLOAT_EQ(camera.yaw, report.yaw) << report.x << "," << report.y;
        EXPECT_FLOAT_EQ(camera.pitch, report.pitch) << report.x << "," << report.y;
    }
}

TEST_F(WindowTest, NonMouseRecordsAndFailedReadsChangeNothing)
{
    Application* application = StartedApplication();
    Camera& camera = *application->scene->camera;
    MouseReport(100, 100, RIM_TYPEKEYBOARD);
    EXPECT_EQ(camera.yaw, 0.0f);
    MouseReport(100, 100, RIM_TYPEMOUSE);
    const float yaw = camera.yaw;
    fake::State().rawInputReadFails = true;
    EXPECT_EQ(Send(WM_INPUT, 0, 0x77), 0); // the previous mouse record must not be replayed
    EXPECT_EQ(camera.yaw, yaw);
}

TEST_F(WindowTest, MotionBeforeTheSceneExistsIsDropped)
{
    Application* application = Application::Instance();
    MouseReport(50, 50);
    EXPECT_EQ(application->scene, nullptr);
    application->OnRawMouse(10, 10);
}
