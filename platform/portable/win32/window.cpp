// The window functions on SDL: RegisterClassExW, creating, destroying and
// showing windows, and what a window does with the messages its procedure
// passes on.
#include <string>

#include <SDL.h>

#include "platform/portable/win32/api.h"
#include "platform/portable/win32/api_guard.h"
#include "platform/portable/win32/message_queue.h"
#include "platform/portable/win32/raw_input.h"
#include "platform/portable/win32/video.h"
#include "platform/portable/win32/wayland.h"
#include "platform/portable/win32/wide_text.h"
#include "platform/portable/win32/window_table.h"
#include "platform/portable/win32/x11.h"

using namespace portable;

namespace {
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

Uint32 SdlFlags(DWORD style, DWORD exStyle)
{
    Uint32 flags = SDL_WINDOW_OPENGL;
    if ((style & WS_VISIBLE) == 0) flags |= SDL_WINDOW_HIDDEN;
    // A popup has no frame; every other top-level window has a caption and border.
    if (style & WS_POPUP) flags |= SDL_WINDOW_BORDERLESS;
    if (exStyle & WS_EX_TOPMOST) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    return flags;
}

constexpr int kShowNoActivate = 4;
constexpr int kShowMinimisedNoActivate = 7;
constexpr int kShowNoActivateAsIs = 8;

bool IsShown(SDL_Window* window) { return (SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN) != 0; }

// Shows the window on top and gives it the keyboard, as activating a window
// does. A window manager gives the focus itself when asked (SDL_RaiseWindow
// asks); one may refuse a client that takes it (fluxbox: an X error), so the
// focus is taken only where none runs.
void Activate(SDL_Window* window)
{
    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);
    if (!X11WindowManagerRuns(window)) SDL_SetWindowInputFocus(window);
}

constexpr LPARAM kAltDownBit = LPARAM{1} << 29;
constexpr WPARAM kSysCommandMask = 0xFFF0;

UINT LowWord(LPARAM value) { return static_cast<UINT>(static_cast<uintptr_t>(value) & 0xFFFF); }
} // namespace

ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* windowClass)
{
    return GuardedCall<ATOM>(0, 0, [&]() -> ATOM {
        if (windowClass == nullptr || windowClass->cbSize != sizeof(WNDCLASSEXW)) return 0;
        if (windowClass->lpfnWndProc == nullptr || windowClass->lpszClassName == nullptr) return 0;
        // Registering by atom is not possible, and an empty name is refused.
        if (reinterpret_cast<uintptr_t>(windowClass->lpszClassName) < 0x10000) return 0;
        if (windowClass->lpszClassName[0] == L'\0') return 0;

        WindowTable& table = ThreadWindows();
        const std::wstring key = FoldClassName(windowClass->lpszClassName);
        if (table.classes.count(key) != 0) return 0;
        if (table.nextAtom == 0xFFFF) return 0;

        WindowClassRecord record;
        record.atom = table.nextAtom++;
        record.name = windowClass->lpszClassName;
        record.style = windowClass->style;
        record.procedure = windowClass->lpfnWndProc;
        record.instance = windowClass->hInstance;
        record.cursor = windowClass->hCursor;
        table.classes.emplace(key, record);
        return record.atom;
    });
}

HWND WINAPI CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                            int height, HWND parent, HMENU, HINSTANCE, LPVOID)
{
    return GuardedCall<HWND>(nullptr, nullptr, [&]() -> HWND {
        const WindowClassRecord* windowClass = FindWindowClass(className);
        if (windowClass == nullptr) return nullptr;
        // Child windows have nothing to stand on here.
        if (parent != nullptr) return nullptr;
        if (width < 0 || height < 0) return nullptr;
        if (!InitVideo()) return nullptr;

        if (x == CW_USEDEFAULT) x = y = static_cast<int>(SDL_WINDOWPOS_UNDEFINED);
        if (width == CW_USEDEFAULT) {
            width = kDefaultWidth;
            height = kDefaultHeight;
        }
        // SDL refuses empty windows; Windows makes them.
        const std::string title = windowName != nullptr ? WideToUtf8(windowName) : std::string();
        // The pixel format a device can draw on directly: eight bits of alpha
        // as D3DFMT_A8R8G8B8 has them, depth and stencil as D3DFMT_D24S8 has
        // them (also enough for D3DFMT_D16).
        SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
        SDL_Window* sdlWindow = SDL_CreateWindow(title.c_str(), x, y, width > 0 ? width : 1, height > 0 ? height : 1,
                                                 SdlFlags(style, exStyle));
        if (sdlWindow == nullptr) return nullptr;

        WindowTable& table = ThreadWindows();
        WindowRecord record;
        record.handle = reinterpret_cast<HWND>(table.nextHandle);
        table.nextHandle += 4;
        record.sdlWindow = sdlWindow;
        record.procedure = windowClass->procedure;
        record.classAtom = windowClass->atom;
        record.style = style;
        record.exStyle = exStyle;
        record.xWindow = X11WindowOf(sdlWindow);
        try {
            table.windows.emplace(reinterpret_cast<uintptr_t>(record.handle), record);
        } catch (...) {
            SDL_DestroyWindow(sdlWindow);
            throw;
        }
        return record.handle;
    });
}

BOOL WINAPI DestroyWindow(HWND window)
{
    return GuardedCall<BOOL>(FALSE, FALSE, [&]() -> BOOL {
        WindowRecord* record = FindWindowRecord(window);
        if (record == nullptr || record->destroying) return FALSE;
        // The one allocation comes first, so that a failure changes nothing.
        WindowTable& table = ThreadWindows();
        table.retired.reserve(table.retired.size() + 1);
        record->destroying = true;
        SDL_Window* sdlWindow = record->sdlWindow;
        if (record->xWindow != 0 && X11WindowGone(record->xWindow)) ConfirmUnmapOfGoneWindow(sdlWindow);
        SettleWaylandWindow(sdlWindow);
        SDL_HideWindow(sdlWindow);

        SendToWindow(window, WM_DESTROY, 0, 0);
        SendToWindow(window, WM_NCDESTROY, 0, 0);

        RawInputStore& rawInput = ThreadRawInput();
        PurgeWindowMessages(ThreadQueue(), window, [&rawInput](const MSG& msg) {
            if (msg.message == WM_INPUT) ReleaseRawInput(rawInput, reinterpret_cast<HRAWINPUT>(msg.lParam));
        });
        table.windows.erase(reinterpret_cast<uintptr_t>(window));
        table.retired.push_back(sdlWindow);
        return TRUE;
    });
}

// Showing, hiding and minimising windows.
BOOL WINAPI ShowWindow(HWND window, int showCommand)
{
    const WindowRecord* record = FindWindowRecord(window);
    if (record == nullptr) return FALSE;
    SDL_Window* sdlWindow = record->sdlWindow;
    const BOOL wasVisible = IsShown(sdlWindow) ? TRUE : FALSE;
    switch (showCommand) {
    case SW_HIDE: SDL_HideWindow(sdlWindow); break;
    case kShowNoActivate:
    case kShowNoActivateAsIs: SDL_ShowWindow(sdlWindow); break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case kShowMinimisedNoActivate:
        SDL_ShowWindow(sdlWindow);
        SDL_MinimizeWindow(sdlWindow);
        break;
    case SW_RESTORE:
        SDL_RestoreWindow(sdlWindow);
        Activate(sdlWindow);
        break;
    default: Activate(sdlWindow); break;
    }
    return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND window)
{
    // Drawing belongs to the device; there is no update region to paint.
    return FindWindowRecord(window) != nullptr ? TRUE : FALSE;
}

// What a window does with the messages its procedure passes on.
LRESULT WINAPI DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE: return TRUE;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 && (lParam & kAltDownBit) != 0) SendToWindow(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & kSysCommandMask) == SC_CLOSE) SendToWindow(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_SETCURSOR:
        // In the client area the class cursor is shown; a class without one leaves the cursor as it is.
        if (LowWord(lParam) == HTCLIENT) {
            const WindowRecord* record = FindWindowRecord(window);
            for (const auto& entry : ThreadWindows().classes) {
                const WindowClassRecord& windowClass = entry.second;
                if (record != nullptr && windowClass.atom == record->classAtom && windowClass.cursor != nullptr)
                    SetCursor(windowClass.cursor);
            }
        }
        return FALSE;
    default: return 0;
    }
}
