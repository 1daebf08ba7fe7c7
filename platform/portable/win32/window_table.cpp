#include "platform/portable/win32/window_table.h"

#include <SDL.h>

namespace portable {

WindowTable& ThreadWindows()
{
    static WindowTable table;
    return table;
}

std::wstring FoldClassName(const std::wstring& name)
{
    std::wstring folded = name;
    for (wchar_t& c : folded)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return folded;
}

const WindowClassRecord* FindWindowClass(LPCWSTR nameOrAtom)
{
    if (nameOrAtom == nullptr) return nullptr;
    const WindowTable& table = ThreadWindows();
    const auto value = reinterpret_cast<uintptr_t>(nameOrAtom);
    if (value < 0x10000) {
        for (const auto& entry : table.classes)
            if (entry.second.atom == value) return &entry.second;
        return nullptr;
    }
    const auto found = table.classes.find(FoldClassName(nameOrAtom));
    return found == table.classes.end() ? nullptr : &found->second;
}

WindowRecord* FindWindowRecord(HWND window)
{
    WindowTable& table = ThreadWindows();
    const auto found = table.windows.find(reinterpret_cast<uintptr_t>(window));
    return found == table.windows.end() ? nullptr : &found->second;
}

LRESULT SendToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WindowRecord* record = FindWindowRecord(window);
    if (record == nullptr || record->procedure == nullptr) return 0;
    return record->procedure(window, message, wParam, lParam);
}

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

bool WindowIsForeground(HWND window)
{
    SDL_Window* sdlWindow = SdlWindowOf(window);
    if (sdlWindow == nullptr) return false;
    const Uint32 flags = SDL_GetWindowFlags(sdlWindow);
    return (flags & SDL_WINDOW_SHOWN) != 0 && (flags & SDL_WINDOW_MINIMIZED) == 0
        && (flags & SDL_WINDOW_INPUT_FOCUS) != 0;
}

} // namespace portable
