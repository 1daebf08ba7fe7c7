// Windows on SDL's offscreen video driver: creation, showing, destruction,
// closing, and SDL events through the message loop.
#include <string>
#include <vector>

#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/portable/win32/window_table.h"
#include "tests/portable/win32/offscreen_class.h"

using namespace portable;

namespace {
std::vector<UINT> g_received;
std::vector<std::pair<LONG, LONG>> g_rawMotion;
bool g_destroyAgainFromDestroy = false;
BOOL g_nestedDestroyResult = TRUE;

// What the program's procedure does, and a record of every message.
LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_received.push_back(message);
    switch (message) {
    case WM_DESTROY:
        if (g_destroyAgainFromDestroy) g_nestedDestroyResult = DestroyWindow(window);
        PostQuitMessage(0);
        return 0;
    case WM_SETCURSOR: SetCursor(nullptr); return 0;
    case WM_INPUT: {
        RAWINPUT record{};
        UINT size = sizeof(record);
        if (GetRawInputData(reinterpret_cast<HRAWINPUT>(lParam), RID_INPUT, &record, &size, sizeof(RAWINPUTHEADER))
            != static_cast<UINT>(-1))
            g_rawMotion.emplace_back(record.data.mouse.lLastX, record.data.mouse.lLastY);
        return 0;
    }
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

class DisplayTest : public testing::Test {
protected:
    static void SetUpTestSuite() { RegisterOffscreenClass(L"D3DWINDOWCLASS", Procedure, CS_CLASSDC); }

    void SetUp() override
    {
        g_received.clear();
        g_rawMotion.clear();
        g_destroyAgainFromDestroy = false;
        window = CreateWindowExW(WS_EX_TOPMOST, L"D3DWINDOWCLASS", L"D3D Window", WS_POPUP, 0, 0, 800, 600, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr) << SDL_GetError();
    }

    void TearDown() override
    {
        DestroyWindow(window);
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    // Runs the message loop until it is empty; the messages retrieved, in order.
    std::vector<UINT> RunLoop()
    {
        std::vector<UINT> retrieved;
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            retrieved.push_back(msg.message);
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        return retrieved;
    }

    void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }

    Uint32 WindowId() const { return SDL_GetWindowID(SdlWindowOf(window)); }

    bool Received(UINT message) const
    {
        for (UINT m : g_received)
            if (m == message) return true;
        return false;
    }

    HWND window = nullptr;
};

TEST_F(DisplayTest, WindowIsABorderlessTopmostOpenGlWindowOfTheGivenSize)
{
    SDL_Window* sdlWindow = SdlWindowOf(window);
    ASSERT_NE(sdlWindow, nullptr);
    EXPECT_EQ(WindowFromSdl(sdlWindow), window);
    EXPECT_STREQ(SDL_GetWindowTitle(sdlWindow), "D3D Window");
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(sdlWindow, &width, &height);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);
    const Uint32 flags = SDL_GetWindowFlags(sdlWindow);
    EXPECT_NE(flags & SDL_WINDOW_OPENGL, 0u);
    EXPECT_NE(flags & SDL_WINDOW_BORDERLESS, 0u);
    EXPECT_NE(flags & SDL_WINDOW_ALWAYS_ON_TOP, 0u);
    EXPECT_EQ(flags & SDL_WINDOW_SHOWN, 0u) << "a popup without WS_VISIBLE waits for ShowWindow";
}

TEST_F(DisplayTest, ShowWindowShowsAndReportsThePreviousVisibility)
{
    EXPECT_FALSE(ShowWindow(window, SW_SHOW));
    EXPECT_NE(SDL_GetWindowFlags(SdlWindowOf(window)) & SDL_WINDOW_SHOWN, 0u);
    EXPECT_TRUE(ShowWindow(window, SW_SHOW));
    EXPECT_TRUE(UpdateWindow(window));
    EXPECT_TRUE(ShowWindow(window, SW_HIDE));
    EXPECT_FALSE(WindowIsForeground(window));
    EXPECT_FALSE(ShowWindow(window, SW_HIDE));
}

TEST_F(DisplayTest, DestroyWindowSendsDestroyThenEndsTheHandle)
{
    PostMessageW(window, WM_USER, 0, 0);
    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_EQ(g_received, (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
    EXPECT_EQ(SdlWindowOf(window), nullptr);
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_FALSE(PostMessageW(window, WM_USER, 0, 0));
    EXPECT_EQ(RunLoop(), std::vector<UINT>{WM_QUIT}) << "messages of the window went with it";
}

TEST_F(DisplayTest, DestroyingAgainFromWmDestroyDoesNotRecurse)
{
    g_destroyAgainFromDestroy = true;
    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(g_nestedDestroyResult);
    EXPECT_EQ(g_received, (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
}

TEST_F(DisplayTest, DefaultProcedureDestroysAClosedWindow)
{
    EXPECT_EQ(DefWindowProcW(window, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(g_received, (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
    EXPECT_EQ(SdlWindowOf(window), nullptr);
}

TEST_F(DisplayTest, AltF4ThroughTheDefaultProcedureEndsInQuit)
{
    constexpr LPARAM kAltDown = LPARAM{1} << 29;
    EXPECT_EQ(DefWindowProcW(window, WM_SYSKEYDOWN, VK_F4, 0x003E0001 | kAltDown), 0);
    EXPECT_EQ(g_received, (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_EQ(RunLoop(), std::vector<UINT>{WM_QUIT});
}

TEST_F(DisplayTest, F4WithoutAltAndOtherSystemKeysLeaveTheWindow)
{
    DefWindowProcW(window, WM_SYSKEYDOWN, VK_F4, 0x003E0001);
    DefWindowProcW(window, WM_SYSKEYDOWN, VK_F10, 0x00440001);
    DefWindowProcW(window, WM_SYSKEYUP, VK_F4, 0xC03E0001 | (LPARAM{1} << 29));
    EXPECT_TRUE(g_received.empty());
    EXPECT_NE(SdlWindowOf(window), nullptr);
}

TEST_F(DisplayTest, KeysPressedOnTheWindowArriveAsKeyMessages)
{
    SDL_Event event{};
    event.key.type = SDL_KEYDOWN;
    event.key.windowID = WindowId();
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = SDLK_w;
    event.key.keysym.scancode = SDL_SCANCODE_W;
    Push(event);
    event.key.type = SDL_KEYUP;
    event.key.state = SDL_RELEASED;
    Push(event);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(msg.wParam, WPARAM{'W'});
    TranslateMessage(&msg);
    EXPECT_EQ(RunLoop(), (std::vector<UINT>{WM_CHAR, WM_KEYUP}));
}

TEST_F(DisplayTest, ClosingTheWindowEndsInWmDestroyAndQuit)
{
    SDL_Event event{};
    event.window.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    event.window.windowID = WindowId();
    Push(event);
    EXPECT_EQ(RunLoop(), std::vector<UINT>{WM_QUIT});
    EXPECT_EQ(g_received, (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
}

TEST_F(DisplayTest, QuitRequestAsksEveryWindowToClose)
{
    SDL_Event event{};
    event.type = SDL_QUIT;
    Push(event);
    EXPECT_EQ(RunLoop(), std::vector<UINT>{WM_QUIT});
    EXPECT_EQ(g_received, (std::vector<UINT>{WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
}

TEST_F(DisplayTest, MouseMotionSetsTheCursorAndDeliversRawMotion)
{
    const RAWINPUTDEVICE mouse{HID_USAGE_PAGE_GENERIC, HID_USAGE_GENERIC_MOUSE, RIDEV_INPUTSINK, window};
    ASSERT_TRUE(RegisterRawInputDevices(&mouse, 1, sizeof(RAWINPUTDEVICE)));
    SetCursor(reinterpret_cast<HCURSOR>(0x10011));
    ASSERT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);

    SDL_Event event{};
    event.motion.type = SDL_MOUSEMOTION;
    event.motion.windowID = WindowId();
    event.motion.x = 410;
    event.motion.y = 305;
    event.motion.xrel = 10;
    event.motion.yrel = -5;
    Push(event);
    event.motion.xrel = -3;
    event.motion.yrel = 0;
    Push(event);

    const std::vector<UINT> retrieved = RunLoop();
    EXPECT_EQ(retrieved, (std::vector<UINT>{WM_INPUT, WM_MOUSEMOVE, WM_INPUT, WM_MOUSEMOVE}));
    EXPECT_TRUE(Received(WM_SETCURSOR));
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE) << "SetCursor(NULL) hides the pointer";
    EXPECT_EQ(g_rawMotion, (std::vector<std::pair<LONG, LONG>>{{10, -5}, {-3, 0}}));

    const RAWINPUTDEVICE removal{HID_USAGE_PAGE_GENERIC, HID_USAGE_GENERIC_MOUSE, RIDEV_REMOVE, nullptr};
    EXPECT_TRUE(RegisterRawInputDevices(&removal, 1, sizeof(RAWINPUTDEVICE)));
}

TEST_F(DisplayTest, RawRecordIsReadableWhileItsMessageIsHandledOnly)
{
    const RAWINPUTDEVICE mouse{HID_USAGE_PAGE_GENERIC, HID_USAGE_GENERIC_MOUSE, RIDEV_INPUTSINK, window};
    ASSERT_TRUE(RegisterRawInputDevices(&mouse, 1, sizeof(RAWINPUTDEVICE)));
    SDL_Event event{};
    event.motion.type = SDL_MOUSEMOTION;
    event.motion.windowID = WindowId();
    event.motion.xrel = 4;
    Push(event);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_INPUT, WM_INPUT, PM_REMOVE));
    const auto handle = reinterpret_cast<HRAWINPUT>(msg.lParam);
    RAWINPUT record{};
    UINT size = sizeof(record);
    EXPECT_EQ(GetRawInputData(handle, RID_INPUT, &record, &size, sizeof(RAWINPUTHEADER)), sizeof(RAWINPUT));
    EXPECT_EQ(record.data.mouse.lLastX, 4);
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    EXPECT_EQ(GetRawInputData(handle, RID_INPUT, &record, &size, sizeof(RAWINPUTHEADER)), static_cast<UINT>(-1));

    const RAWINPUTDEVICE removal{HID_USAGE_PAGE_GENERIC, HID_USAGE_GENERIC_MOUSE, RIDEV_REMOVE, nullptr};
    EXPECT_TRUE(RegisterRawInputDevices(&removal, 1, sizeof(RAWINPUTDEVICE)));
}

TEST_F(DisplayTest, ScreenSizeIsTheDisplaysMode)
{
    const HDC screen = GetDC(nullptr);
    SDL_DisplayMode mode{};
    ASSERT_EQ(SDL_GetCurrentDisplayMode(0, &mode), 0);
    EXPECT_EQ(GetDeviceCaps(screen, HORZRES), mode.w);
    EXPECT_EQ(GetDeviceCaps(screen, VERTRES), mode.h);
    EXPECT_GT(mode.w, 0);
    ReleaseDC(nullptr, screen);
}

TEST_F(DisplayTest, GetDcOfALiveWindowGivesTheScreenDc) { EXPECT_EQ(GetDC(window), GetDC(nullptr)); }
} // namespace
