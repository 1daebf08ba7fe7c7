// Present, device loss and Reset.
#include <malloc.h>

#include <SDL.h>

#include "platform/portable/win32/api_guard.h"
#include "platform/portable/d3d9/device.h"
#include "platform/portable/d3d9/display_modes.h"
#include "platform/portable/d3d9/present_params.h"
#include "platform/portable/d3d9/gl/api.h"

namespace portable {

namespace {
// How long a window may stay in view after losing the focus before it is
// minimised: a workspace switch takes it out of view within that time.
constexpr Uint32 kMinimiseAfterMs = 200;

// A window left in view behind the program that took the focus is minimised,
// as Windows does. One taken out of view meanwhile (minimised, its workspace
// hidden) is left as it is, so that it is there again when the user comes
// back to it, and so is one the user brought back.
void MinimiseIfLeftInView(Device& device, const WindowPresence& presence)
{
    if (!device.minimisePending) return;
    if (!presence.visible || presence.foreground) {
        device.minimisePending = false;
        return;
    }
    if (SDL_GetTicks() - device.lostAtMs < kMinimiseAfterMs) return;
    device.minimisePending = false;
    if (SDL_Window* window = SdlWindowOf(device.window)) SDL_MinimizeWindow(window);
}
} // namespace

void UpdateDeviceLoss(Device& device)
{
    if (device.params.Windowed) return;
    const WindowPresence presence = PresenceOf(device.window);
    if (device.lost) {
        MinimiseIfLeftInView(device, presence);
        return;
    }
    if (presence.foreground) {
        device.hadForeground = true;
        return;
    }
    // Focus is an event, not a state: a window that has not had it yet (it
    // arrives after the window is shown) loses nothing.
    if (presence.visible && !device.hadForeground) return;
    device.lost = true;
    device.hadForeground = false;
    device.minimisePending = presence.visible;
    device.lostAtMs = SDL_GetTicks();
    LeaveFullscreen(device);
}

HRESULT Device::Present(const RECT* sourceRect, const RECT* destRect, HWND, const RGNDATA*)
{
    return GuardedHresult([&]() -> HRESULT {
        UpdateDeviceLoss(*this);
        if (lost) return D3DERR_DEVICELOST;
        if ((sourceRect != nullptr || destRect != nullptr) && params.SwapEffect != D3DSWAPEFFECT_COPY) {
            return D3DERR_INVALIDCALL;
        }
        if (!MakeDeviceCurrent(*this)) return D3DERR_INVALIDCALL;

        SDL_Window* sdlWindow = SdlWindowOf(window);
        BlitGlBackBuffer(backBuffer, WindowTargetOf(*this));
        SDL_GL_SwapWindow(sdlWindow);
        // The window may have changed size meanwhile (a mode switch, the user).
        FollowGlWindow(backBuffer, WindowTargetOf(*this));
        if (texelsGivenUp) {
            // Texels freed in the middle of the heap stay resident until handed back.
            texelsGivenUp = false;
            malloc_trim(0);
        }
        InvalidateGlState(*this);
        return D3D_OK;
    });
}

namespace {
// A lost full-screen device stays lost until its window is active again;
// being visible is not enough (tiling window managers never minimise it).
bool MayReset(const Device& device)
{
    return !device.lost || device.params.Windowed || PresenceOf(device.window).foreground;
}
} // namespace

HRESULT Device::TestCooperativeLevel()
{
    UpdateDeviceLoss(*this);
    if (!lost) return D3D_OK;
    return MayReset(*this) ? D3DERR_DEVICENOTRESET : D3DERR_DEVICELOST;
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* presentParameters)
{
    return GuardedHresult([&]() -> HRESULT {
        if (presentParameters == nullptr) return D3DERR_INVALIDCALL;
        UpdateDeviceLoss(*this);
        if (!MayReset(*this)) return D3DERR_DEVICELOST;

        // From here a failed Reset leaves the device waiting for another one.
        if (defaultPoolResources > 0) {
            lost = true;
            return D3DERR_INVALIDCALL;
        }
        const HRESULT valid = ValidatePresentParameters(*presentParameters);
        if (FAILED(valid)) {
            lost = true;
            return valid;
        }
        SDL_Window* sdlWindow = SdlWindowOf(window);
        if (sdlWindow == nullptr || !MakeDeviceCurrent(*this)) {
            lost = true;
            return D3DERR_INVALIDCALL;
        }

        int windowWidth = 0, windowHeight = 0;
        SDL_GetWindowSize(sdlWindow, &windowWidth, &windowHeight);
        D3DPRESENT_PARAMETERS completed = *presentParameters;
        CompletePresentParameters(completed, static_cast<UINT>(windowWidth), static_cast<UINT>(windowHeight));
        SDL_DisplayMode mode{};
        if (!completed.Windowed
            && !FindSdlDisplayMode(display, completed.BackBufferWidth, completed.BackBufferHeight,
                                   completed.FullScreen_RefreshRateInHz, mode)) {
            lost = true;
            return D3DERR_NOTAVAILABLE;
        }

        params = completed;
        if (completed.Windowed) {
            LeaveFullscreen(*this);
        } else {
            const HRESULT entered = EnterFullscreen(*this);
            if (FAILED(entered)) {
                lost = true;
                return entered;
            }
        }
        // Made once the window is in the mode, so that a back buffer of its size is drawn on it.
        DestroyGlBackBuffer(backBuffer);
        const bool made = CreateGlBackBuffer(backBuffer, completed, WindowTargetOf(*this));
        // A device may be reset many times: the buffers it freed go back to the system.
        malloc_trim(0);
        if (!made) {
            LeaveFullscreen(*this);
            lost = true;
            return D3DERR_OUTOFVIDEOMEMORY;
        }
        SDL_GL_SetSwapInterval(SwapIntervalOf(completed.PresentationInterval));

        ResetDeviceState(*this);
        lost = false;
        hadForeground = false;
        minimisePending = false;
        *presentParameters = completed;
        return D3D_OK;
    });
}

} // namespace portable
