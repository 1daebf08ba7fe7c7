// Full-screen display modes: switched on CreateDevice and Reset, given back on
// loss, on release and, for a device never released, when the process exits.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <SDL.h>

#include "platform/portable/d3d9/device.h"
#include "platform/portable/d3d9/display_modes.h"

namespace portable {

namespace {
// SDL ids of the windows that hold the display in a device's mode.
std::vector<Uint32>& FullscreenWindows()
{
    static std::vector<Uint32> windows;
    return windows;
}

void RestoreModesAtExit()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    for (Uint32 id : FullscreenWindows()) {
        if (SDL_Window* window = SDL_GetWindowFromID(id)) SDL_SetWindowFullscreen(window, 0);
    }
    FullscreenWindows().clear();
}

void Track(Uint32 id)
{
    // The list exists before the exit handler is registered, so it outlives the handler's run.
    std::vector<Uint32>& windows = FullscreenWindows();
    static const bool registered = std::atexit(RestoreModesAtExit) == 0;
    (void)registered;
    if (std::find(windows.begin(), windows.end(), id) == windows.end()) windows.push_back(id);
}

void Untrack(Uint32 id)
{
    std::vector<Uint32>& windows = FullscreenWindows();
    windows.erase(std::remove(windows.begin(), windows.end(), id), windows.end());
}

bool SameMode(const SDL_DisplayMode& mode, const SDL_DisplayMode& wanted)
{
    return mode.w == wanted.w && mode.h == wanted.h
           && (wanted.refresh_rate == 0 || mode.refresh_rate == wanted.refresh_rate);
}

// True when the full-screen window is shown in the mode. On Wayland no program
// may set the display's mode: SDL offers modes there that it emulates by
// scaling the window, and the one it applies to the window is the mode.
bool ShowsMode(SDL_Window* window, int display, const SDL_DisplayMode& wanted)
{
    SDL_DisplayMode mode{};
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver != nullptr && std::strcmp(driver, "wayland") == 0) {
        return (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0 && SDL_GetWindowDisplayMode(window, &mode) == 0
               && SameMode(mode, wanted);
    }
    return SDL_GetCurrentDisplayMode(display, &mode) == 0 && SameMode(mode, wanted);
}
} // namespace

HRESULT EnterFullscreen(Device& device)
{
    SDL_Window* window = SdlWindowOf(device.window);
    if (window == nullptr) return D3DERR_INVALIDCALL;

    SDL_DisplayMode mode{};
    if (!FindSdlDisplayMode(device.display, device.params.BackBufferWidth, device.params.BackBufferHeight,
                            device.params.FullScreen_RefreshRateInHz, mode)) {
        return D3DERR_NOTAVAILABLE;
    }
    if (SDL_GetWindowDisplayIndex(window) != device.display) {
        SDL_SetWindowPosition(window, SDL_WINDOWPOS_UNDEFINED_DISPLAY(device.display),
                              SDL_WINDOWPOS_UNDEFINED_DISPLAY(device.display));
    }
    if (SDL_SetWindowDisplayMode(window, &mode) != 0) return D3DERR_NOTAVAILABLE;
    if (SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0) return D3DERR_NOTAVAILABLE;

    const Uint32 id = SDL_GetWindowID(window);
    Track(id);
    device.fullscreenActive = true;

    // A hidden window gets the mode when it is shown; a visible one has it now.
    const Uint32 flags = SDL_GetWindowFlags(window);
    const bool visible = (flags & SDL_WINDOW_SHOWN) != 0 && (flags & SDL_WINDOW_MINIMIZED) == 0;
    if (visible && !ShowsMode(window, device.display, mode)) {
        LeaveFullscreen(device);
        return D3DERR_NOTAVAILABLE;
    }
    SDL_RaiseWindow(window);
    return D3D_OK;
}

void LeaveFullscreen(Device& device)
{
    if (!device.fullscreenActive) return;
    device.fullscreenActive = false;
    SDL_Window* window = SdlWindowOf(device.window);
    if (window == nullptr) return;
    SDL_SetWindowFullscreen(window, 0);
    Untrack(SDL_GetWindowID(window));
}

} // namespace portable
