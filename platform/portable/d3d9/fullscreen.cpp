// Full-screen display modes: switched on CreateDevice and Reset, given back on
// loss, on release and, for a device never released, when the process exits.
// On X11 the layer switches the mode itself and asks the window manager for
// full screen without waiting on it; elsewhere (Wayland) SDL does both.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include <SDL.h>

#include "platform/portable/d3d9/device.h"
#include "platform/portable/d3d9/display_modes.h"
#include "platform/portable/win32/x11_display_mode.h"

namespace portable {

namespace {
// SDL ids of the windows that SDL holds in a device's mode.
std::vector<Uint32>& SdlFullscreenWindows()
{
    static std::vector<Uint32> windows;
    return windows;
}

void RestoreModesAtExit()
{
    X11RestoreDisplayMode();
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    for (Uint32 id : SdlFullscreenWindows()) {
        if (SDL_Window* window = SDL_GetWindowFromID(id)) SDL_SetWindowFullscreen(window, 0);
    }
    SdlFullscreenWindows().clear();
}

void RestoreAtExit()
{
    // The list exists before the exit handler is registered, so it outlives the handler's run.
    SdlFullscreenWindows();
    static const bool registered = std::atexit(RestoreModesAtExit) == 0;
    (void)registered;
}

void Track(Uint32 id)
{
    std::vector<Uint32>& windows = SdlFullscreenWindows();
    if (std::find(windows.begin(), windows.end(), id) == windows.end()) windows.push_back(id);
}

void Untrack(Uint32 id)
{
    std::vector<Uint32>& windows = SdlFullscreenWindows();
    windows.erase(std::remove(windows.begin(), windows.end(), id), windows.end());
}

bool SameMode(const SDL_DisplayMode& mode, const SDL_DisplayMode& wanted)
{
    return mode.w == wanted.w && mode.h == wanted.h
           && (wanted.refresh_rate == 0 || mode.refresh_rate == wanted.refresh_rate);
}

HRESULT EnterWithX11(SDL_Window* window, int display, const SDL_DisplayMode& mode)
{
    if (!X11SetDisplayMode(window, display, mode)) return D3DERR_NOTAVAILABLE;
    SDL_Rect bounds{};
    SDL_GetDisplayBounds(display, &bounds);
    X11RequestFullscreen(window, true, bounds.x, bounds.y, mode.w, mode.h);
    return D3D_OK;
}

// No Wayland program may set the display's mode: SDL offers modes there that
// it emulates by scaling the window, and the one it applies to the window is
// the mode.
HRESULT EnterWithSdl(SDL_Window* window, const SDL_DisplayMode& mode)
{
    if (SDL_SetWindowDisplayMode(window, &mode) != 0) return D3DERR_NOTAVAILABLE;
    if (SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0) return D3DERR_NOTAVAILABLE;
    Track(SDL_GetWindowID(window));
    SDL_DisplayMode applied{};
    const Uint32 flags = SDL_GetWindowFlags(window);
    const bool visible = (flags & SDL_WINDOW_SHOWN) != 0 && (flags & SDL_WINDOW_MINIMIZED) == 0;
    // A hidden window gets the mode when it is shown; a visible one has it now.
    if (visible && (SDL_GetWindowDisplayMode(window, &applied) != 0 || !SameMode(applied, mode))) {
        SDL_SetWindowFullscreen(window, 0);
        Untrack(SDL_GetWindowID(window));
        return D3DERR_NOTAVAILABLE;
    }
    return D3D_OK;
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
    RestoreAtExit();
    const HRESULT entered =
        X11CanSwitchModes(window) ? EnterWithX11(window, device.display, mode) : EnterWithSdl(window, mode);
    if (FAILED(entered)) return entered;
    device.fullscreenActive = true;
    SDL_RaiseWindow(window);
    return D3D_OK;
}

void LeaveFullscreen(Device& device)
{
    if (!device.fullscreenActive) return;
    device.fullscreenActive = false;
    SDL_Window* window = SdlWindowOf(device.window);
    if (window == nullptr) {
        X11RestoreDisplayMode();
        return;
    }
    if (X11CanSwitchModes(window)) {
        X11RestoreDisplayMode();
        X11RequestFullscreen(window, false, 0, 0, 0, 0);
        return;
    }
    SDL_SetWindowFullscreen(window, 0);
    Untrack(SDL_GetWindowID(window));
}

} // namespace portable
