// Direct3DCreate9 and the Direct3D object: adapters are SDL's displays.
#include <new>

#include <SDL.h>

#include "platform/portable/win32/api_guard.h"
#include "platform/portable/d3d9/device.h"
#include "platform/portable/d3d9/display_modes.h"
#include "platform/portable/win32/window_internal.h"

using namespace portable;

namespace {
bool IsAdapter(UINT adapter)
{
    const int displays = SDL_GetNumVideoDisplays();
    return displays > 0 && adapter < static_cast<UINT>(displays);
}

struct Direct3D final : RefCounted<IDirect3D9> {
    UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override
    {
        if (format != D3DFMT_X8R8G8B8 || !IsAdapter(adapter)) return 0;
        return GuardedCall<UINT>(0, 0, [&] { return static_cast<UINT>(ListDisplayModes(static_cast<int>(adapter)).size()); });
    }

    HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT index, D3DDISPLAYMODE* mode) override
    {
        if (mode == nullptr || !IsAdapter(adapter)) return D3DERR_INVALIDCALL;
        if (format != D3DFMT_X8R8G8B8) return D3DERR_NOTAVAILABLE;
        return GuardedHresult([&] {
            const std::vector<D3DDISPLAYMODE> modes = ListDisplayModes(static_cast<int>(adapter));
            if (index >= modes.size()) return D3DERR_INVALIDCALL;
            *mode = modes[index];
            return D3D_OK;
        });
    }

    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) override
    {
        if (device == nullptr) return D3DERR_INVALIDCALL;
        *device = nullptr;
        if (params == nullptr || !IsAdapter(adapter)) return D3DERR_INVALIDCALL;
        if (deviceType == D3DDEVTYPE_REF || deviceType == D3DDEVTYPE_SW) return D3DERR_NOTAVAILABLE;
        if (deviceType != D3DDEVTYPE_HAL) return D3DERR_INVALIDCALL;

        const DWORD processing = behaviorFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING
                                                  | D3DCREATE_HARDWARE_VERTEXPROCESSING
                                                  | D3DCREATE_MIXED_VERTEXPROCESSING);
        if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING && processing != D3DCREATE_HARDWARE_VERTEXPROCESSING
            && processing != D3DCREATE_MIXED_VERTEXPROCESSING) {
            return D3DERR_INVALIDCALL;
        }

        // Full screen needs a focus window; the device window defaults to it.
        if (!params->Windowed && focusWindow == nullptr) return D3DERR_INVALIDCALL;
        HWND deviceWindow = params->hDeviceWindow != nullptr ? params->hDeviceWindow : focusWindow;
        if (deviceWindow == nullptr || SdlWindowOf(deviceWindow) == nullptr) return D3DERR_INVALIDCALL;

        DeviceWindow window;
        window.handle = deviceWindow;
        return GuardedHresult([&] { return CreateDeviceOnWindow(this, window, static_cast<int>(adapter), *params, device); });
    }
};
} // namespace

IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion)
{
    if (sdkVersion != D3D_SDK_VERSION) return nullptr;
    if (!InitVideo()) return nullptr;
    return new (std::nothrow) Direct3D;
}
