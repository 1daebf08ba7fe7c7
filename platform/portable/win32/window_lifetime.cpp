// Creating and destroying windows, and the SDL window behind a handle.
#include <SDL.h>

#include "platform/portable/win32/api_guard.h"
#include "platform/portable/win32/message_queue.h"
#include "platform/portable/win32/raw_input.h"
#include "platform/portable/win32/wide_text.h"
#include "platform/portable/win32/window_internal.h"
#include "platform/portable/win32/window_table.h"
#include "platform/portable/win32/x11_window_watch.h"

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
} // namespace

HWND WINAPI CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU, HINSTANCE, LPVOID)
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

namespace portable {

SDL_Window* SdlWindowOf(HWND window)
{
    const WindowRecord* record = FindWindowRecord(window);
    return record != nullptr ? record->sdlWindow : nullptr;
}

HWND WindowFromSdl(SDL_Window* window)
{
    if (window == nullptr) return nullptr;
    for (const auto& entry : ThreadWindows().windows)
        if (entry.second.sdlWindow == window) return entry.second.handle;
    return nullptr;
}

} // namespace portable
