// Fake Win32: window and messages, raw input, cursor, screen, time, text.
#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <sys/stat.h>

#include "tests/fake/fake_platform.h"

namespace fake {

Platform& State()
{
    static Platform state;
    return state;
}

void Reset()
{
    State() = Platform{};
}

void SetTimeMs(int64_t ms)
{
    State().counter = ms * State().counterFrequency / 1000;
    State().multimediaTime = static_cast<DWORD>(ms);
}

void Post(UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg{};
    msg.hwnd = message == WM_QUIT ? nullptr : reinterpret_cast<HWND>(0x1234);
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    State().queue.push_back(msg);
}

std::vector<std::string> CallsSince(size_t mark)
{
    const auto& calls = State().calls;
    return std::vector<std::string>(calls.begin() + static_cast<std::ptrdiff_t>(mark), calls.end());
}

std::vector<std::string> CallsStartingWith(const std::string& prefix)
{
    std::vector<std::string> matching;
    for (const std::string& call : State().calls)
        if (call.rfind(prefix, 0) == 0) matching.push_back(call);
    return matching;
}

} // namespace fake

using fake::State;

namespace {
HWND const kWindow = reinterpret_cast<HWND>(0x1234);
HDC const kScreenDc = reinterpret_cast<HDC>(0x5678);

void Record(const std::string& call)
{
    State().calls.push_back(call);
}
} // namespace

ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* windowClass)
{
    Record("RegisterClassExW");
    if (State().registerClassFails) return 0;
    State().registeredClass = *windowClass;
    State().className = windowClass->lpszClassName;
    return 0xC001;
}

HWND WINAPI CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND, HMENU, HINSTANCE, LPVOID)
{
    Record("CreateWindowExW");
    if (State().createWindowFails) return nullptr;
    if (State().className != className) return nullptr;
    State().windowTitle = windowName;
    State().windowExStyle = exStyle;
    State().windowStyle = style;
    State().windowX = x;
    State().windowY = y;
    State().windowWidth = width;
    State().windowHeight = height;
    return kWindow;
}

BOOL WINAPI DestroyWindow(HWND window)
{
    Record("DestroyWindow");
    if (State().registeredClass.lpfnWndProc != nullptr) State().registeredClass.lpfnWndProc(window, WM_DESTROY, 0, 0);
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND, int showCommand)
{
    Record("ShowWindow(" + std::to_string(showCommand) + ")");
    return FALSE;
}

BOOL WINAPI UpdateWindow(HWND)
{
    Record("UpdateWindow");
    return TRUE;
}

LRESULT WINAPI DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    ++State().defWindowProcCalls;
    char text[48];
    std::snprintf(text, sizeof text, "DefWindowProcW(0x%04x)", message);
    Record(text);
    // As Windows: Alt+F4 asks the window to close, and closing destroys it.
    if (message == WM_SYSKEYDOWN && wParam == VK_F4)
        State().registeredClass.lpfnWndProc(window, WM_CLOSE, 0, 0);
    if (message == WM_CLOSE) DestroyWindow(window);
    return 0;
}

BOOL WINAPI PeekMessageW(LPMSG msg, HWND, UINT filterMin, UINT filterMax, UINT removeMessage)
{
    auto& queue = State().queue;
    const bool filtered = filterMin != 0 || filterMax != 0;
    if (!filtered && queue.empty() && State().onIdle) State().onIdle();
    const auto found = std::find_if(queue.begin(), queue.end(), [&](const MSG& queued) {
        return !filtered || (queued.message >= filterMin && queued.message <= filterMax);
    });
    if (found == queue.end()) return FALSE;
    *msg = *found;
    if (removeMessage & PM_REMOVE) queue.erase(found);
    return TRUE;
}

BOOL WINAPI TranslateMessage(const MSG*)
{
    return FALSE;
}

LRESULT WINAPI DispatchMessageW(const MSG* msg)
{
    if (msg->hwnd == nullptr || State().registeredClass.lpfnWndProc == nullptr) return 0;
    return State().registeredClass.lpfnWndProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL WINAPI PostMessageW(HWND, UINT message, WPARAM wParam, LPARAM lParam)
{
    fake::Post(message, wParam, lParam);
    return TRUE;
}

void WINAPI PostQuitMessage(int exitCode)
{
    Record("PostQuitMessage(" + std::to_string(exitCode) + ")");
    fake::Post(WM_QUIT, static_cast<WPARAM>(exitCode));
}

BOOL WINAPI RegisterRawInputDevices(PCRAWINPUTDEVICE devices, UINT count, UINT size)
{
    Record("RegisterRawInputDevices");
    State().rawDevice = devices[0];
    State().rawDeviceCount = count;
    State().rawDeviceSize = size;
    return State().rawInputFails ? FALSE : TRUE;
}

UINT WINAPI GetRawInputData(HRAWINPUT, UINT command, LPVOID data, PUINT size, UINT headerSize)
{
    State().rawInputSizeAsked = *size;
    State().rawInputHeaderSizeGiven = headerSize;
    if (State().rawInputReadFails || command != RID_INPUT || *size < sizeof(RAWINPUT)) return static_cast<UINT>(-1);
    std::memcpy(data, &State().rawInput, sizeof(RAWINPUT));
    return sizeof(RAWINPUT);
}

HCURSOR WINAPI SetCursor(HCURSOR cursor)
{
    Record(cursor == nullptr ? "SetCursor(null)" : "SetCursor");
    if (cursor == nullptr) ++State().cursorHides;
    return nullptr;
}

HDC WINAPI GetDC(HWND window)
{
    Record(window == nullptr ? "GetDC(null)" : "GetDC");
    return kScreenDc;
}

int WINAPI GetDeviceCaps(HDC dc, int index)
{
    Record("GetDeviceCaps(" + std::to_string(index) + ")");
    if (dc != kScreenDc) return 0;
    return index == LOGPIXELSY ? State().logPixelsY : 0;
}

int WINAPI ReleaseDC(HWND, HDC)
{
    Record("ReleaseDC");
    return 1;
}

BOOL WINAPI SetRect(LPRECT rect, int left, int top, int right, int bottom)
{
    rect->left = left;
    rect->top = top;
    rect->right = right;
    rect->bottom = bottom;
    return TRUE;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency)
{
    if (!State().counterAvailable) {
        frequency->QuadPart = 0;
        return FALSE;
    }
    frequency->QuadPart = State().counterFrequency;
    return TRUE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count)
{
    count->QuadPart = State().counter;
    return TRUE;
}

UINT WINAPI timeBeginPeriod(UINT)
{
    ++State().timeBeginPeriodCalls;
    return TIMERR_NOERROR;
}

UINT WINAPI timeEndPeriod(UINT)
{
    ++State().timeEndPeriodCalls;
    return TIMERR_NOERROR;
}

DWORD WINAPI timeGetTime(void)
{
    return State().multimediaTime;
}

void WINAPI Sleep(DWORD milliseconds)
{
    Record("Sleep(" + std::to_string(milliseconds) + ")");
    State().sleeps.push_back(milliseconds);
    if (State().sleepAdvancesClock) {
        State().counter += static_cast<int64_t>(milliseconds) * State().counterFrequency / 1000;
        State().multimediaTime += milliseconds;
    }
}

void WINAPI GetLocalTime(LPSYSTEMTIME time)
{
    *time = State().localTime;
}

// Code page 1252 as far as the tests need it: bytes map to the same code points.
int WINAPI MultiByteToWideChar(UINT, DWORD, LPCSTR multiByte, int multiByteCount, LPWSTR wide, int wideCount)
{
    const size_t length = multiByteCount < 0 ? std::strlen(multiByte) + 1 : static_cast<size_t>(multiByteCount);
    if (wideCount == 0) return static_cast<int>(length);
    if (length > static_cast<size_t>(wideCount)) return 0;
    for (size_t i = 0; i < length; ++i) wide[i] = static_cast<unsigned char>(multiByte[i]);
    return static_cast<int>(length);
}

// Opens files of the test's working folder; like Windows, refuses what is not a file.
FILE* _fsopen(const char* filename, const char* mode, int)
{
    struct stat info {};
    if (::stat(filename, &info) == 0 && !S_ISREG(info.st_mode)) {
        errno = EACCES;
        return nullptr;
    }
    return std::fopen(filename, mode);
}
