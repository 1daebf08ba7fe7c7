// The window table: the registered classes and the live windows of the
// process, and what the portable Direct3D device asks of them. Nothing above
// the platform boundary includes this.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/portable/win32/api.h"

struct SDL_Window;

namespace portable {

struct WindowClassRecord {
    ATOM atom = 0;
    std::wstring name;
    UINT style = 0;
    WNDPROC procedure = nullptr;
    HINSTANCE instance = nullptr;
    HCURSOR cursor = nullptr;
};

struct WindowRecord {
    HWND handle = nullptr;
    SDL_Window* sdlWindow = nullptr;
    WNDPROC procedure = nullptr;
    ATOM classAtom = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    uint64_t xWindow = 0; // the X window behind it, when SDL runs on X11
    // Set once DestroyWindow has begun; the handle stays valid until it ends.
    bool destroying = false;
};

struct WindowTable {
    // Class names compare without regard to case, so they are keyed folded.
    std::map<std::wstring, WindowClassRecord> classes;
    std::map<uintptr_t, WindowRecord> windows;
    ATOM nextAtom = 0xC000;
    uintptr_t nextHandle = 0x10020;
    // SDL windows of destroyed handles: hidden, kept until SDL shuts down so
    // that a device made on one can still be released.
    std::vector<SDL_Window*> retired;
};

WindowTable& ThreadWindows();

std::wstring FoldClassName(const std::wstring& name);
// A class by name, or by atom when the pointer value is below 0x10000.
const WindowClassRecord* FindWindowClass(LPCWSTR nameOrAtom);
// The window behind a live handle, or null.
WindowRecord* FindWindowRecord(HWND window);

// Calls the window procedure at once, as SendMessage does on the window's own
// thread; 0 for a handle that is not a live window.
LRESULT SendToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The SDL window behind a handle made by CreateWindowExW, or null for any other value.
SDL_Window* SdlWindowOf(HWND window);
// The handle of the window made for this SDL window, or null.
HWND WindowFromSdl(SDL_Window* window);
// What a full-screen device watches: the window is shown, not minimised and has the input focus.
bool WindowIsForeground(HWND window);

} // namespace portable
