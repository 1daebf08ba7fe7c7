// Present, device loss and Reset.
#include <malloc.h>

#include <SDL.h>

#include "platform/portable/win32/api_guard.h"
#include "platform/portable/d3d9/device.h"
#include "platform/portable/d3d9/display_modes.h"
#include "platform/portable/d3d9/present_params.h"
#include "platform/portable/d3d9/gl/api.h"

namespace portable {

void UpdateDeviceLoss(Device& device)
{
    if (device.params.Windowed || device.lost) return;
    const WindowPresence presence = PresenceOf(device.window);
    if (presence.foreground) {
        device.hadForeground = true;
        return;
    }
    // Focus is an event, not a state: a window that has not had it yet (it
    // arrives after the window is shown) loses nothing.
    if (presence.visible && !device.hadForeground) return;
    device.lost = true;
    device.hadForeground = false;
    LeaveFullscreen(device);
    if (SDL_Window* window = SdlWindowOf(device.window)) SDL_MinimizeWindow(window);
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

HRESULT Device::TestCooperativeLevel()
{
    UpdateDeviceLoss(*this);
    if (!lost) return D3D_OK;
    if (params.Windowed) return D3DERR_DEVICENOTRESET;
    return PresenceOf(window).visible ? D3DERR_DEVICENOTRESET : D3DERR_DEVICELOST;
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* presentParameters)
{
    return GuardedHresult([&]() -> HRESULT {
        if (presentParameters == nullptr) return D3DERR_INVALIDCALL;
        UpdateDeviceLoss(*this);
        if (lost && !params.Windowed && !PresenceOf(window).visible) return D3DERR_DEVICELOST;

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
        *presentParameters = completed;
        return D3D_OK;
    });
}

} // namespace portable
