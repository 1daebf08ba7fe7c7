// Full-screen devices: the adapter's modes, CreateDevice on a program window,
// and device loss with its Reset rules.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/portable/d3d9/test_hooks.h"
#include "platform/portable/win32/window_table.h"
#include "tests/portable/d3d9/test_support.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

using namespace portable;

namespace {
constexpr D3DCOLOR kGrey = 0xFF808080;

LRESULT CALLBACK TestWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateProgramWindow(int width, int height)
{
    static ATOM atom = 0;
    if (atom == 0) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = TestWindowProcedure;
        windowClass.lpszClassName = L"D3DTESTCLASS";
        atom = RegisterClassExW(&windowClass);
    }
    return CreateWindowExW(WS_EX_TOPMOST, L"D3DTESTCLASS", L"D3D test", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                           nullptr, nullptr, nullptr, nullptr);
}

// Gives the window the input focus and waits, with a timeout, until the window layer sees it.
bool MakeForeground(HWND window)
{
    SDL_SetWindowInputFocus(SdlWindowOf(window));
    const Uint32 deadline = SDL_GetTicks() + 5000;
    while (!WindowIsForeground(window) && SDL_GetTicks() < deadline) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        SDL_Delay(5);
    }
    return WindowIsForeground(window);
}

// Focuses an SDL window and waits, with a timeout, until SDL reports it.
bool FocusSdlWindow(SDL_Window* window, bool wanted, SDL_Window* focusTarget)
{
    SDL_SetWindowInputFocus(focusTarget);
    const Uint32 deadline = SDL_GetTicks() + 5000;
    auto focused = [&] { return (SDL_GetWindowFlags(window) & SDL_WINDOW_INPUT_FOCUS) != 0; };
    while (focused() != wanted && SDL_GetTicks() < deadline) {
        SDL_PumpEvents();
        SDL_Delay(5);
    }
    return focused() == wanted;
}

// A listed mode other than the desktop's.
bool FindOtherMode(IDirect3D9* direct3d, const SDL_DisplayMode& desktop, D3DDISPLAYMODE& other)
{
    const UINT count = direct3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8);
    for (UINT i = 0; i < count; ++i) {
        if (FAILED(direct3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, i, &other))) return false;
        if (other.Width != UINT(desktop.w) || other.Height != UINT(desktop.h)
            || (other.RefreshRate != UINT(desktop.refresh_rate) && desktop.refresh_rate != 0)) {
            return true;
        }
    }
    return false;
}

// The mode the display shows, asked of the X server: SDL's record does not
// follow the modes the layer switches itself.
SDL_DisplayMode ShownMode()
{
    SDL_DisplayMode shown{};
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return shown;
    if (XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display))) {
        for (int i = 0; i < resources->ncrtc && shown.w == 0; ++i) {
            XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, resources->crtcs[i]);
            for (int m = 0; crtc != nullptr && m < resources->nmode; ++m) {
                const XRRModeInfo& mode = resources->modes[m];
                if (mode.id != crtc->mode || crtc->mode == None) continue;
                shown.w = static_cast<int>(mode.width);
                shown.h = static_cast<int>(mode.height);
                shown.refresh_rate =
                    static_cast<int>(std::lround(double(mode.dotClock) / (double(mode.hTotal) * double(mode.vTotal))));
            }
            if (crtc != nullptr) XRRFreeCrtcInfo(crtc);
        }
        XRRFreeScreenResources(resources);
    }
    XCloseDisplay(display);
    return shown;
}

class FullscreenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(d3dtest::StartVideo(error)) << error;
        direct3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(direct3d, nullptr);
    }
    void TearDown() override
    {
        if (direct3d != nullptr) {
            EXPECT_EQ(direct3d->Release(), 0u);
        }
    }
    IDirect3D9* direct3d = nullptr;
};

TEST_F(FullscreenTest, AdapterModesAreTheDisplaysInWinesOrder)
{
    const UINT count = direct3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8);
    ASSERT_GT(count, 0u);
    EXPECT_EQ(direct3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_A8R8G8B8), 0u);
    EXPECT_EQ(direct3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_R5G6B5), 0u);
    EXPECT_EQ(direct3d->GetAdapterModeCount(99, D3DFMT_X8R8G8B8), 0u);

    std::vector<D3DDISPLAYMODE> modes(count);
    for (UINT i = 0; i < count; ++i) {
        ASSERT_EQ(direct3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, i, &modes[i]), D3D_OK);
        EXPECT_EQ(modes[i].Format, D3DFMT_X8R8G8B8);
    }
    // The modes of the test display: sizes ascending, the rates of one size descending.
    std::vector<std::tuple<UINT, UINT, UINT>> listed;
    for (const D3DDISPLAYMODE& m : modes) listed.emplace_back(m.Width, m.Height, m.RefreshRate);
    const std::vector<std::tuple<UINT, UINT, UINT>> expected = {
        {800, 600, 75}, {800, 600, 60}, {1024, 768, 75}, {1024, 768, 60}, {1280, 720, 60}};
    EXPECT_EQ(listed, expected);

    SDL_DisplayMode current{};
    ASSERT_EQ(SDL_GetCurrentDisplayMode(0, &current), 0);
    EXPECT_TRUE(std::any_of(modes.begin(), modes.end(), [&](const D3DDISPLAYMODE& m) {
        return m.Width == UINT(current.w) && m.Height == UINT(current.h);
    })) << "the current mode is listed";

    D3DDISPLAYMODE mode{};
    EXPECT_EQ(direct3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, count, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(direct3d->EnumAdapterModes(7, D3DFMT_X8R8G8B8, 0, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(direct3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, 0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(direct3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_A8R8G8B8, 0, &mode), D3DERR_INVALIDCALL);
}

TEST(Direct3DCreate9Test, OtherSdkVersionsGetNothing)
{
    EXPECT_EQ(Direct3DCreate9(31), nullptr);
    EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION + 1), nullptr);
}

TEST_F(FullscreenTest, CreateDeviceReportsFailuresWithDirect3DsCodes)
{
    HWND window = CreateProgramWindow(320, 240);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(MakeForeground(window)) << "the test window never got the input focus";
    D3DPRESENT_PARAMETERS params = d3dtest::FullscreenParams();
    IDirect3DDevice9* device = nullptr;
    const DWORD hardware = D3DCREATE_HARDWARE_VERTEXPROCESSING;

    EXPECT_EQ(direct3d->CreateDevice(0, D3DDEVTYPE_HAL, window, hardware, nullptr, &device), D3DERR_INVALIDCALL);
    EXPECT_EQ(direct3d->CreateDevice(0, D3DDEVTYPE_HAL, window, hardware, &params, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(direct3d->CreateDevice(5, D3DDEVTYPE_HAL, window, hardware, &params, &device), D3DERR_INVALIDCALL);
    EXPECT_EQ(direct3d->CreateDevice(0, D3DDEVTYPE_REF, window, hardware, &params, &device), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(direct3d->CreateDevice(0, D3DDEVTYPE_HAL, window, 0, &params, &device), D3DERR_INVALIDCALL);
    EXPECT_EQ(direct3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, hardware, &params, &device), D3DERR_INVALIDCALL);
    EXPECT_EQ(direct3d->CreateDevice(0, D3DDEVTYPE_HAL, reinterpret_cast<HWND>(0x1234), hardware, &params, &device),
              D3DERR_INVALIDCALL);

    D3DPRESENT_PARAMETERS missingMode = params;
    missingMode.BackBufferWidth = 123;
    missingMode.BackBufferHeight = 45;
    EXPECT_EQ(direct3d->CreateDevice(0, D3DDEVTYPE_HAL, window, hardware, &missingMode, &device), D3DERR_NOTAVAILABLE);
    D3DPRESENT_PARAMETERS missingRate = params;
    missingRate.FullScreen_RefreshRateInHz = 7;
    EXPECT_EQ(direct3d->CreateDevice(0, D3DDEVTYPE_HAL, window, hardware, &missingRate, &device), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(device, nullptr);

    ASSERT_EQ(direct3d->CreateDevice(0, D3DDEVTYPE_HAL, window, hardware, &params, &device), D3D_OK);
    SDL_Window* sdlWindow = SdlWindowOf(window);
    EXPECT_TRUE(HoldsFullscreen(device));
    // The window is placed over the screen, as the window system gets round to it.
    int width = 0, height = 0;
    const Uint32 deadline = SDL_GetTicks() + 5000;
    do {
        SDL_PumpEvents();
        SDL_GetWindowSize(sdlWindow, &width, &height);
    } while (UINT(width) != params.BackBufferWidth && SDL_GetTicks() < deadline && (SDL_Delay(5), true));
    EXPECT_EQ(UINT(width), params.BackBufferWidth) << "the window covers the screen";
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kGrey, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(device->Release(), 0u);
    DestroyWindow(window);
}

TEST_F(FullscreenTest, SwitchesToExactlyTheRequestedModeAndBack)
{
    SDL_DisplayMode desktop{};
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
    D3DDISPLAYMODE other{};
    ASSERT_TRUE(FindOtherMode(direct3d, desktop, other)) << "the display offers its current mode only";

    HWND window = CreateProgramWindow(int(other.Width), int(other.Height));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(MakeForeground(window)) << "the test window never got the input focus";
    D3DPRESENT_PARAMETERS params = d3dtest::FullscreenParams();
    params.BackBufferWidth = other.Width;
    params.BackBufferHeight = other.Height;
    params.FullScreen_RefreshRateInHz = other.RefreshRate;
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(direct3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device),
              D3D_OK);
    SDL_DisplayMode current = ShownMode();
    EXPECT_EQ(UINT(current.w), other.Width);
    EXPECT_EQ(UINT(current.h), other.Height);
    EXPECT_EQ(UINT(current.refresh_rate), other.RefreshRate);
    const HDC screen = GetDC(nullptr);
    EXPECT_EQ(UINT(GetDeviceCaps(screen, HORZRES)), other.Width) << "the screen's size follows the mode";
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    EXPECT_EQ(device->Release(), 0u);
    current = ShownMode();
    EXPECT_EQ(current.w, desktop.w);
    EXPECT_EQ(current.h, desktop.h);
    EXPECT_EQ(GetDeviceCaps(screen, HORZRES), desktop.w);
    ReleaseDC(nullptr, screen);
    DestroyWindow(window);
}

// The root window's size: the X screen's.
std::pair<int, int> ScreenSize()
{
    std::pair<int, int> size{0, 0};
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return size;
    Window root = 0;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    if (XGetGeometry(display, DefaultRootWindow(display), &root, &x, &y, &width, &height, &border, &depth) != 0)
        size = {int(width), int(height)};
    XCloseDisplay(display);
    return size;
}

// Any listed mode can be chosen whatever the desktop's, larger or smaller:
// the screen takes the mode's size while the device holds it, and gets the
// desktop's back with the mode.
TEST_F(FullscreenTest, ScreenTakesTheModesSizeAndGetsTheDesktopsBack)
{
    struct Case {
        const char* desktop;
        UINT width, height, rate;
    };
    const Case cases[] = {{"800x600", 1024, 768, 60}, {"1280x720", 800, 600, 75}, {"1024x768", 1280, 720, 60}};
    HWND window = CreateProgramWindow(320, 240);
    ASSERT_NE(window, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.desktop) + " to " + std::to_string(c.width) + "x" + std::to_string(c.height));
        ASSERT_EQ(std::system((std::string("xrandr -s ") + c.desktop).c_str()), 0);
        const SDL_DisplayMode desktop = ShownMode();
        const std::pair<int, int> desktopScreen = ScreenSize();
        ASSERT_EQ(desktopScreen, std::make_pair(desktop.w, desktop.h));
        ASSERT_TRUE(MakeForeground(window)) << "the test window never got the input focus";

        D3DPRESENT_PARAMETERS params = d3dtest::FullscreenParams();
        params.BackBufferWidth = c.width;
        params.BackBufferHeight = c.height;
        params.FullScreen_RefreshRateInHz = c.rate;
        IDirect3DDevice9* device = nullptr;
        ASSERT_EQ(
            direct3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device),
            D3D_OK);
        const SDL_DisplayMode shown = ShownMode();
        EXPECT_EQ(std::make_tuple(UINT(shown.w), UINT(shown.h), UINT(shown.refresh_rate)),
                  std::make_tuple(c.width, c.height, c.rate));
        EXPECT_EQ(ScreenSize(), std::make_pair(int(c.width), int(c.height)));
        EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

        EXPECT_EQ(device->Release(), 0u);
        const SDL_DisplayMode back = ShownMode();
        EXPECT_EQ(std::make_tuple(back.w, back.h, back.refresh_rate),
                  std::make_tuple(desktop.w, desktop.h, desktop.refresh_rate));
        EXPECT_EQ(ScreenSize(), desktopScreen);
    }
    DestroyWindow(window);
}

// A program that ends without releasing its device gives the display its mode back.
TEST_F(FullscreenTest, ModeIsGivenBackWhenTheProcessExits)
{
    SDL_DisplayMode desktop{};
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
    D3DDISPLAYMODE other{};
    ASSERT_TRUE(FindOtherMode(direct3d, desktop, other)) << "the display offers its current mode only";

    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SDL_Window* window = SDL_CreateWindow("exit", 0, 0, int(other.Width), int(other.Height),
                                                  SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
            D3DPRESENT_PARAMETERS params = d3dtest::FullscreenParams();
            params.BackBufferWidth = other.Width;
            params.BackBufferHeight = other.Height;
            params.FullScreen_RefreshRateInHz = other.RefreshRate;
            IDirect3DDevice9* device = nullptr;
            if (window == nullptr || FAILED(CreateDeviceOnSdlWindow(window, &params, &device))) std::exit(3);
            const SDL_DisplayMode current = ShownMode();
            std::exit(UINT(current.w) == other.Width && UINT(current.h) == other.Height ? 0 : 4);
        },
        ::testing::ExitedWithCode(0), "");

    const SDL_DisplayMode current = ShownMode();
    EXPECT_EQ(current.w, desktop.w);
    EXPECT_EQ(current.h, desktop.h);
    EXPECT_EQ(current.refresh_rate, desktop.refresh_rate);
}

TEST_F(FullscreenTest, DeviceIsLostWhileHiddenAndResetWaitsForTheFont)
{
    SDL_Window* window = SDL_CreateWindow("loss", 0, 0, 320, 240, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    ASSERT_NE(window, nullptr);
    D3DPRESENT_PARAMETERS params = d3dtest::FullscreenParams();
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(CreateDeviceOnSdlWindow(window, &params, &device), D3D_OK);
    EXPECT_TRUE(HoldsFullscreen(device));
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    ID3DXFont* font = nullptr;
    ASSERT_EQ(D3DXCreateFontW(device, -18, 0, FW_DONTCARE, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Arial", &font),
              D3D_OK);

    SDL_HideWindow(window);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_FALSE(HoldsFullscreen(device)) << "the display gets its own mode back";
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Reset(&params), D3DERR_DEVICELOST);
    // Drawing goes on quietly while lost.
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);

    SDL_ShowWindow(window);
    SDL_RestoreWindow(window);
    ASSERT_TRUE(FocusSdlWindow(window, true, window));
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Reset(&params), D3DERR_INVALIDCALL) << "the font is still alive";
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);

    EXPECT_EQ(font->Release(), 0u);
    EXPECT_EQ(device->Reset(&params), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    EXPECT_TRUE(HoldsFullscreen(device)) << "Reset switches to the mode again";
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kGrey, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(d3dtest::ReadBack(device).At(5, 5), kGrey);

    EXPECT_EQ(device->Release(), 0u);
    SDL_DestroyWindow(window);
}

TEST_F(FullscreenTest, FocusLosesTheDeviceUntilItComesBack)
{
    SDL_Window* window = SDL_CreateWindow("focus", 0, 0, 320, 240, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    SDL_Window* other = SDL_CreateWindow("other", 0, 0, 64, 64, SDL_WINDOW_SHOWN);
    ASSERT_NE(window, nullptr);
    ASSERT_NE(other, nullptr);
    D3DPRESENT_PARAMETERS params = d3dtest::FullscreenParams();
    IDirect3DDevice9* device = nullptr;
    ASSERT_TRUE(FocusSdlWindow(other, true, other));
    ASSERT_EQ(CreateDeviceOnSdlWindow(window, &params, &device), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK) << "shown but not focused yet";

    ASSERT_TRUE(FocusSdlWindow(window, true, window));
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_TRUE(FocusSdlWindow(window, false, other));
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_FALSE(HoldsFullscreen(device));

    // Without a window manager to minimise it the window stays in view, as
    // under tiling ones: the device stays lost until the window is active again.
    ASSERT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Reset(&params), D3DERR_DEVICELOST);
    EXPECT_FALSE(HoldsFullscreen(device));
    ASSERT_TRUE(FocusSdlWindow(window, true, window));
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device->Reset(&params), D3D_OK);
    EXPECT_TRUE(HoldsFullscreen(device));

    EXPECT_EQ(device->Release(), 0u);
    SDL_DestroyWindow(other);
    SDL_DestroyWindow(window);
}

} // namespace
