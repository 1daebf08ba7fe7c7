// Showing, hiding and minimising windows, and whether one is in the foreground.
#include <SDL.h>

#include "platform/portable/win32/window_internal.h"
#include "platform/portable/win32/window_table.h"
#include "platform/portable/win32/x11_window_watch.h"

using namespace portable;

namespace {
constexpr int kShowNoActivate = 4;
constexpr int kShowMinimizedNoActivate = 7;
constexpr int kShowNoActivateAsIs = 8;

bool IsShown(SDL_Window* window)
{
    return (SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN) != 0;
}

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
} // namespace

BOOL WINAPI ShowWindow(HWND window, int showCommand)
{
    const WindowRecord* record = FindWindowRecord(window);
    if (record == nullptr) return FALSE;
    SDL_Window* sdlWindow = record->sdlWindow;
    const BOOL wasVisible = IsShown(sdlWindow) ? TRUE : FALSE;
    switch (showCommand) {
    case SW_HIDE:
        SDL_HideWindow(sdlWindow);
        break;
    case kShowNoActivate:
    case kShowNoActivateAsIs:
        SDL_ShowWindow(sdlWindow);
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case kShowMinimizedNoActivate:
        SDL_ShowWindow(sdlWindow);
        SDL_MinimizeWindow(sdlWindow);
        break;
    case SW_RESTORE:
        SDL_RestoreWindow(sdlWindow);
        Activate(sdlWindow);
        break;
    default:
        Activate(sdlWindow);
        break;
    }
    return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND window)
{
    // Drawing belongs to the device; there is no update region to paint.
    return FindWindowRecord(window) != nullptr ? TRUE : FALSE;
}

namespace portable {

bool WindowIsForeground(HWND window)
{
    SDL_Window* sdlWindow = SdlWindowOf(window);
    if (sdlWindow == nullptr) return false;
    const Uint32 flags = SDL_GetWindowFlags(sdlWindow);
    return (flags & SDL_WINDOW_SHOWN) != 0 && (flags & SDL_WINDOW_MINIMIZED) == 0 &&
           (flags & SDL_WINDOW_INPUT_FOCUS) != 0;
}

} // namespace portable
