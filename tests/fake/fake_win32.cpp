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

void Reset() { State() = Platform{}; }

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

std::string Named(unsigned value, std::initializer_list<ValueName> names)
{
    for (const ValueName& entry : names)
        if (entry.value == value) return entry.name;
    char text[16];
    std::snprintf(text, sizeof text, "0x%04x", value);
    return text;
}

std::string Ascii(const wchar_t* text)
{
    std::string narrow;
    for (; text != nullptr && *text != 0; ++text) narrow += *text < 128 ? static_cast<char>(*text) : '?';
    return narrow;
}

std::string WindowName(HWND window)
{
    if (window == reinterpret_cast<HWND>(0x1234)) return "window";
    return window == nullptr ? "null" : Named(static_cast<unsigned>(reinterpret_cast<uintptr_t>(window)), {});
}

} // namespace fake

using fake::Ascii;
using fake::State;

namespace {
HWND const kWindow = reinterpret_cast<HWND>(0x1234);
HDC const kScreenDc = reinterpret_cast<HDC>(0x5678);

void Record(const std::string& call) { State().calls.push_back(call); }
} // namespace

// Like Windows, refuses a record of another size.
ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* windowClass)
{
    Record("RegisterClassExW(" + Ascii(windowClass->lpszClassName) + ","
           + fake::Named(windowClass->style, {{CS_CLASSDC, "CS_CLASSDC"}}) + ","
           + (windowClass->hCursor == nullptr ? "no cursor" : "a cursor") + ")");
    if (State().registerClassFails || windowClass->cbSize != sizeof(WNDCLASSEXW)) return 0;
    State().registeredClass = *windowClass;
    State().className = windowClass->lpszClassName;
    return 0xC001;
}

// Like Windows, finds the class by its name and module.
HWND WINAPI CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                            int height, HWND, HMENU, HINSTANCE instance, LPVOID)
{
    Record("CreateWindowExW(" + fake::Named(exStyle, {{WS_EX_TOPMOST, "WS_EX_TOPMOST"}}) + "," + Ascii(className) + ","
           + Ascii(windowName) + "," + fake::Named(style, {{WS_POPUP, "WS_POPUP"}}) + "," + std::to_string(x) + ","
           + std::to_string(y) + "," + std::to_string(width) + "," + std::to_string(height) + ")");
    if (State().createWindowFails) return nullptr;
    if (State().className != className || State().registeredClass.hInstance != instance) return nullptr;
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
    Record("ShowWindow(" + fake::Named(static_cast<unsigned>(showCommand), {{SW_SHOW, "SW_SHOW"}}) + ")");
    return FALSE;
}

BOOL WINAPI UpdateWindow(HWND)
{
    Record("UpdateWindow");
    return TRUE;
}

LRESULT WINAPI DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    Record("DefWindowProcW("
           + fake::Named(message,
                         {{WM_SETFOCUS, "WM_SETFOCUS"},
                          {WM_KILLFOCUS, "WM_KILLFOCUS"},
                          {WM_CLOSE, "WM_CLOSE"},
                          {WM_CHAR, "WM_CHAR"},
                          {WM_SYSKEYDOWN, "WM_SYSKEYDOWN"},
                          {WM_SYSKEYUP, "WM_SYSKEYUP"},
                          {WM_MOUSEMOVE, "WM_MOUSEMOVE"}})
           + ")");
    // As Windows: Alt+F4 asks the window to close, and closing destroys it.
    if (message == WM_SYSKEYDOWN && wParam == VK_F4) State().registeredClass.lpfnWndProc(window, WM_CLOSE, 0, 0);
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

BOOL WINAPI TranslateMessage(const MSG*) { return FALSE; }

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

// Like Windows, refuses records of another size.
BOOL WINAPI RegisterRawInputDevices(PCRAWINPUTDEVICE devices, UINT count, UINT size)
{
    std::string call = "RegisterRawInputDevices(";
    for (UINT i = 0; i < count; ++i) {
        const unsigned usage = static_cast<unsigned>(devices[i].usUsagePage << 16 | devices[i].usUsage);
        call += (i ? ";" : "") + fake::Named(usage, {{0x10002, "mouse"}}) + ","
            + fake::Named(devices[i].dwFlags, {{RIDEV_INPUTSINK, "RIDEV_INPUTSINK"}}) + ","
            + fake::WindowName(devices[i].hwndTarget);
    }
    Record(call + ")");
    return State().rawInputFails || size != sizeof(RAWINPUTDEVICE) ? FALSE : TRUE;
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
    return nullptr;
}

HDC WINAPI GetDC(HWND window)
{
    Record(window == nullptr ? "GetDC(null)" : "GetDC");
    return kScreenDc;
}

int WINAPI GetDeviceCaps(HDC dc, int index)
{
    Record("GetDeviceCaps(" + fake::Named(static_cast<unsigned>(index), {{LOGPIXELSY, "LOGPIXELSY"}}) + ")");
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

DWORD WINAPI timeGetTime(void) { return State().multimediaTime; }

void WINAPI Sleep(DWORD milliseconds)
{
    Record("Sleep(" + std::to_string(milliseconds) + ")");
    State().sleeps.push_back(milliseconds);
    if (State().sleepAdvancesClock) {
        State().counter += static_cast<int64_t>(milliseconds) * State().counterFrequency / 1000;
        State().multimediaTime += milliseconds;
    }
}

void WINAPI GetLocalTime(LPSYSTEMTIME time) { *time = State().localTime; }

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
