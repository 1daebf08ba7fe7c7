// The main window, raw mouse registration and the window procedure.
#include "app/application.h"
#include "scene/camera.h"
#include "scene/scene.h"

namespace {
// The last raw input record read; reused for every WM_INPUT message.
RAWINPUT rawInputBuffer;

constexpr float kMouseRadiansPerCount = 0.005f;

// An absolute position, 0 to 65535 across the screen, in pixels of a screen of that size.
int32_t AbsoluteToPixels(LONG position, uint32_t screenSize)
{
    return static_cast<int32_t>(static_cast<int64_t>(position) * screenSize / 65536);
}
} // namespace

bool Application::CreateMainWindow()
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(WNDCLASSEXW);
    windowClass.style = CS_CLASSDC;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = nullptr;
    windowClass.hCursor = nullptr;
    windowClass.hbrBackground = nullptr;
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = windowClassName.c_str();
    windowClass.hIconSm = nullptr;
    if (RegisterClassExW(&windowClass) == 0) return false;

    window = CreateWindowExW(WS_EX_TOPMOST, windowClassName.c_str(), windowTitle.c_str(), WS_POPUP, 0, 0,
                             static_cast<int>(width), static_cast<int>(height), nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return false;

    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    return true;
}

bool Application::RegisterRawMouse()
{
    RAWINPUTDEVICE mouse{};
    mouse.usUsagePage = 0x01;
    mouse.usUsage = 0x02;
    mouse.dwFlags = RIDEV_INPUTSINK;
    mouse.hwndTarget = window;
    return RegisterRawInputDevices(&mouse, 1, sizeof(RAWINPUTDEVICE)) != FALSE;
}

LRESULT CALLBACK WindowProc(HWND windowHandle, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Application::Instance()->HandleMessage(windowHandle, message, wParam, lParam);
}

LRESULT Application::HandleMessage(HWND windowHandle, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_SETCURSOR: SetCursor(nullptr); return 0;
    case WM_INPUT: {
        UINT size = sizeof(RAWINPUT);
        const UINT read = GetRawInputData(reinterpret_cast<HRAWINPUT>(lParam), RID_INPUT, &rawInputBuffer, &size,
                                          sizeof(RAWINPUTHEADER));
        // A failed read leaves the previous record in the buffer: ignore it.
        if (read == static_cast<UINT>(-1) || read == 0) return 0;
        if (rawInputBuffer.header.dwType == RIM_TYPEMOUSE)
            OnRawMouseRecord(rawInputBuffer.header.hDevice, rawInputBuffer.data.mouse);
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam < keyStates.size()) keyStates[wParam] = 1;
        return 0;
    case WM_KEYUP:
        if (wParam < keyStates.size()) keyStates[wParam] = 0;
        return 0;
    case WM_KILLFOCUS:
        // Keys released while another window has the focus never send their
        // WM_KEYUP here: forget every key so that none stays held.
        keyStates.fill(0);
        return DefWindowProcW(windowHandle, message, wParam, lParam);
    default: return DefWindowProcW(windowHandle, message, wParam, lParam);
    }
}

void Application::OnRawMouseRecord(HANDLE source, const RAWMOUSE& mouse)
{
    if ((mouse.usFlags & MOUSE_MOVE_ABSOLUTE) == 0) {
        absolutePointer.known = false;
        OnRawMouse(mouse.lLastX, mouse.lLastY);
        return;
    }
    // A tablet or a remote desktop reports where the pointer is: only the
    // change from the same device's previous report is motion. The window
    // covers the screen, so the screen is width x height pixels.
    const int32_t x = AbsoluteToPixels(mouse.lLastX, width);
    const int32_t y = AbsoluteToPixels(mouse.lLastY, height);
    if (absolutePointer.known && absolutePointer.device == source)
        OnRawMouse(x - absolutePointer.x, y - absolutePointer.y);
    absolutePointer = AbsolutePointer{true, source, x, y};
}

void Application::OnRawMouse(int32_t dx, int32_t dy)
{
    // Motion before the scene exists has no camera to turn.
    if (scene == nullptr || scene->camera == nullptr) return;
    const float yawDelta = static_cast<float>(dx) * kMouseRadiansPerCount;
    const float pitchDelta = static_cast<float>(dy) * kMouseRadiansPerCount;
    Look(*scene->camera, yawDelta, pitchDelta);
}
