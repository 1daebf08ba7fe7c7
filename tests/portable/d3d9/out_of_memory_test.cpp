// Running out of memory in the window layer, the device and the font: every
// entry point gives its failure result and leaves nothing half made (the
// sanitizer build checks for leaks).
#include <cwchar>

#include "platform/portable/d3d9/test_hooks.h"
#include "tests/portable/allocation_failure.h"
#include "tests/portable/d3d9/test_support.h"

using namespace portable;

namespace {
LRESULT CALLBACK QuietProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(OutOfMemory, WindowsAndMessagesFailCleanly)
{
    std::string error;
    ASSERT_TRUE(d3dtest::StartVideo(error)) << error;
    int run = 0;
    int windowsMade = 0;
    const int runs = RunWithEachAllocationFailing([&] {
        wchar_t className[32];
        std::swprintf(className, 32, L"OOMCLASS%d", run++);
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = QuietProcedure;
        windowClass.lpszClassName = className;
        if (RegisterClassExW(&windowClass) == 0) return;
        HWND window =
            CreateWindowExW(0, className, L"out of memory", WS_POPUP, 0, 0, 32, 32, nullptr, nullptr, nullptr, nullptr);
        if (window == nullptr) return;
        ++windowsMade;
        ShowWindow(window, SW_SHOW);
        PostMessageW(window, WM_KEYDOWN, 'W', 0);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const char text[] = "Caf\xE9";
        wchar_t wide[8] = {};
        const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 8);
        EXPECT_TRUE(length == 0 || (length == 5 && wide[3] == 0xE9));
        // DestroyWindow fails only before it changes anything: then it can be asked again.
        while (DestroyWindow(window) == FALSE) {
        }
    });
    EXPECT_GT(runs, 1) << "no allocation was made to fail";
    EXPECT_GE(windowsMade, 1) << "the last run, without failures, made its window";
}

TEST(OutOfMemory, DeviceFontAndFramesFailWithTheirCodes)
{
    std::string error;
    ASSERT_TRUE(d3dtest::StartVideo(error)) << error;
    SDL_Window* window = SDL_CreateWindow("out of memory", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS params = d3dtest::WindowedParams(64, 64);
    ASSERT_EQ(CreateDeviceOnSdlWindow(window, &params, &device), D3D_OK);

    auto failedWith = [](HRESULT result) { return result == E_OUTOFMEMORY; };
    bool drewText = false;
    RunWithEachAllocationFailing([&] {
        IDirect3D9* direct3d = Direct3DCreate9(D3D_SDK_VERSION);
        if (direct3d == nullptr) return;
        D3DDISPLAYMODE mode{};
        const HRESULT listed = direct3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, 0, &mode);
        EXPECT_TRUE(listed == D3D_OK || failedWith(listed)) << std::hex << listed;
        direct3d->Release();

        ID3DXFont* font = nullptr;
        const HRESULT made = D3DXCreateFontW(device, -19, 0, FW_DONTCARE, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Arial", &font);
        ASSERT_TRUE(made == D3D_OK || failedWith(made)) << std::hex << made;
        if (FAILED(made)) {
            EXPECT_EQ(font, nullptr);
            return;
        }
        RECT rect{0, 0, 64, 64};
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        drewText = font->DrawTextW(nullptr, L"Frames: 60", -1, &rect, DT_LEFT | DT_NOCLIP, 0xFFFFFF00) > 0;
        device->EndScene();
        const HRESULT presented = device->Present(nullptr, nullptr, nullptr, nullptr);
        EXPECT_TRUE(presented == D3D_OK || failedWith(presented)) << std::hex << presented;
        EXPECT_EQ(font->Release(), 0u);
    });
    EXPECT_TRUE(drewText) << "the last run, without failures, drew its text";

    EXPECT_EQ(device->Release(), 0u);
    SDL_DestroyWindow(window);
}

TEST(OutOfMemory, CreateDeviceFailsWithItsCode)
{
    std::string error;
    ASSERT_TRUE(d3dtest::StartVideo(error)) << error;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = QuietProcedure;
    windowClass.lpszClassName = L"OOMDEVICECLASS";
    ASSERT_NE(RegisterClassExW(&windowClass), 0);
    HWND window = CreateWindowExW(0, L"OOMDEVICECLASS", L"device", WS_POPUP | WS_VISIBLE, 0, 0, 64, 64, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    IDirect3D9* direct3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(direct3d, nullptr);

    int made = 0;
    RunWithEachAllocationFailing([&] {
        IDirect3DDevice9* device = nullptr;
        D3DPRESENT_PARAMETERS params = d3dtest::WindowedParams(64, 64);
        const HRESULT result = direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                                      D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device);
        ASSERT_TRUE(result == D3D_OK || result == E_OUTOFMEMORY) << std::hex << result;
        EXPECT_EQ(device != nullptr, result == D3D_OK);
        if (device == nullptr) return;
        ++made;
        EXPECT_EQ(device->Release(), 0u);
    });
    EXPECT_GE(made, 1) << "the last run, without failures, made its device";
    EXPECT_EQ(direct3d->Release(), 0u);
    DestroyWindow(window);
}
} // namespace
