// A stand-in for the program's window and message loop that records what its
// window procedure receives, one line per message in probe.txt; built for
// Linux on the portable layer and for Windows, so that one input script can
// check both.
#include <cstdio>

#include "platform/platform.h"

namespace {
std::FILE* g_record = nullptr;

void Record(const char* format, long first = 0, long second = 0)
{
    std::fprintf(g_record, format, first, second);
    std::fputc('\n', g_record);
    std::fflush(g_record);
}

LRESULT CALLBACK ProbeProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        Record("destroy");
        PostQuitMessage(0);
        return 0;
    case WM_SETCURSOR: SetCursor(nullptr); return 0;
    case WM_INPUT: {
        RAWINPUT record{};
        UINT size = sizeof(record);
        const UINT read =
            GetRawInputData(reinterpret_cast<HRAWINPUT>(lParam), RID_INPUT, &record, &size, sizeof(RAWINPUTHEADER));
        if (read != static_cast<UINT>(-1) && read != 0 && record.header.dwType == RIM_TYPEMOUSE
            && (record.data.mouse.lLastX != 0 || record.data.mouse.lLastY != 0))
            Record("input %ld %ld", record.data.mouse.lLastX, record.data.mouse.lLastY);
        return 0;
    }
    case WM_KEYDOWN: Record("keydown %ld", static_cast<long>(wParam)); return 0;
    case WM_KEYUP: Record("keyup %ld", static_cast<long>(wParam)); return 0;
    case WM_SYSKEYDOWN: Record("syskeydown %ld", static_cast<long>(wParam)); break;
    case WM_SYSKEYUP: Record("syskeyup %ld", static_cast<long>(wParam)); break;
    case WM_CHAR: Record("char %ld", static_cast<long>(wParam)); return 0;
    case WM_CLOSE: Record("close"); break;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    g_record = std::fopen("probe.txt", "wb");
    if (g_record == nullptr) return 2;

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(WNDCLASSEXW);
    windowClass.style = CS_CLASSDC;
    windowClass.lpfnWndProc = ProbeProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"D3DWINDOWCLASS";
    if (RegisterClassExW(&windowClass) == 0) return 3;
    HWND window = CreateWindowExW(WS_EX_TOPMOST, L"D3DWINDOWCLASS", L"D3D Window", WS_POPUP, 0, 0, 800, 600, nullptr,
                                  nullptr, instance, nullptr);
    if (window == nullptr) return 4;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    RAWINPUTDEVICE mouse{};
    mouse.usUsagePage = 0x01;
    mouse.usUsage = 0x02;
    mouse.dwFlags = RIDEV_INPUTSINK;
    mouse.hwndTarget = window;
    if (!RegisterRawInputDevices(&mouse, 1, sizeof(RAWINPUTDEVICE))) return 5;
    Record("ready");

    MSG msg{};
    while (true) {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        } else {
            Sleep(1);
        }
        if (msg.message == WM_QUIT) break;
    }
    Record("quit %ld", static_cast<long>(msg.wParam));
    std::fclose(g_record);
    return static_cast<int>(msg.wParam);
}
