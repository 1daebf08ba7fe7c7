#include "platform/portable/d3d9/present_params.h"

#include <SDL.h>

#include "platform/portable/d3d9/adapter.h"

namespace portable {

namespace {
constexpr UINT kMaxBackBuffers = 3;
constexpr UINT kIntervalTwo = 2;
constexpr UINT kIntervalThree = 4;
constexpr UINT kIntervalFour = 8;

bool IsBackBufferFormat(D3DFORMAT format) { return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8; }

bool IsKnownInterval(UINT interval)
{
    switch (interval) {
    case D3DPRESENT_INTERVAL_DEFAULT:
    case D3DPRESENT_INTERVAL_ONE:
    case kIntervalTwo:
    case kIntervalThree:
    case kIntervalFour:
    case D3DPRESENT_INTERVAL_IMMEDIATE: return true;
    default: return false;
    }
}

bool IsDepthFormat(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_D16_LOCKABLE:
    case D3DFMT_D32:
    case D3DFMT_D24S8:
    case D3DFMT_D24X8:
    case D3DFMT_D16: return true;
    default: return false;
    }
}
} // namespace

int SwapIntervalOf(UINT presentationInterval)
{
    switch (presentationInterval) {
    case D3DPRESENT_INTERVAL_IMMEDIATE: return 0;
    case kIntervalTwo: return 2;
    case kIntervalThree: return 3;
    case kIntervalFour: return 4;
    default: return 1;
    }
}

HRESULT ValidatePresentParameters(const D3DPRESENT_PARAMETERS& params)
{
    if (params.BackBufferCount > kMaxBackBuffers) return D3DERR_INVALIDCALL;
    if (params.SwapEffect != D3DSWAPEFFECT_DISCARD && params.SwapEffect != D3DSWAPEFFECT_FLIP
        && params.SwapEffect != D3DSWAPEFFECT_COPY) {
        return D3DERR_INVALIDCALL;
    }
    if (params.MultiSampleType != D3DMULTISAMPLE_NONE && params.SwapEffect != D3DSWAPEFFECT_DISCARD) {
        return D3DERR_INVALIDCALL;
    }
    if (params.MultiSampleType == D3DMULTISAMPLE_NONE && params.MultiSampleQuality != 0) return D3DERR_INVALIDCALL;
    if (!IsKnownInterval(params.PresentationInterval)) return D3DERR_INVALIDCALL;
    if (params.EnableAutoDepthStencil && !IsDepthFormat(params.AutoDepthStencilFormat)) return D3DERR_INVALIDCALL;

    if (params.Windowed) {
        if (params.FullScreen_RefreshRateInHz != 0) return D3DERR_INVALIDCALL;
        if (params.BackBufferFormat != D3DFMT_UNKNOWN && !IsBackBufferFormat(params.BackBufferFormat)) {
            return D3DERR_NOTAVAILABLE;
        }
    } else {
        if (params.BackBufferWidth == 0 || params.BackBufferHeight == 0) return D3DERR_INVALIDCALL;
        if (params.BackBufferFormat == D3DFMT_UNKNOWN) return D3DERR_INVALIDCALL;
        if (!IsBackBufferFormat(params.BackBufferFormat)) return D3DERR_NOTAVAILABLE;
    }

    if (params.MultiSampleType != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

void CompletePresentParameters(D3DPRESENT_PARAMETERS& params, UINT windowWidth, UINT windowHeight)
{
    if (params.BackBufferCount == 0) params.BackBufferCount = 1;
    if (!params.Windowed) return;
    if (params.BackBufferWidth == 0) params.BackBufferWidth = windowWidth > 0 ? windowWidth : 1;
    if (params.BackBufferHeight == 0) params.BackBufferHeight = windowHeight > 0 ? windowHeight : 1;
    if (params.BackBufferFormat == D3DFMT_UNKNOWN) params.BackBufferFormat = D3DFMT_X8R8G8B8;
}

HRESULT PreparePresentParameters(const D3DPRESENT_PARAMETERS& params, SDL_Window* window, int display,
                                 D3DPRESENT_PARAMETERS& completed)
{
    const HRESULT valid = ValidatePresentParameters(params);
    if (FAILED(valid)) return valid;
    if (window == nullptr) return D3DERR_INVALIDCALL;

    int windowWidth = 0, windowHeight = 0;
    SDL_GetWindowSize(window, &windowWidth, &windowHeight);
    completed = params;
    CompletePresentParameters(completed, static_cast<UINT>(windowWidth), static_cast<UINT>(windowHeight));
    SDL_DisplayMode mode{};
    if (!completed.Windowed
        && !FindSdlDisplayMode(display, completed.BackBufferWidth, completed.BackBufferHeight,
                               completed.FullScreen_RefreshRateInHz, mode)) {
        return D3DERR_NOTAVAILABLE;
    }
    return D3D_OK;
}

} // namespace portable
