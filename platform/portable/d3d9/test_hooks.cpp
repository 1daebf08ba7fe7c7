#include "platform/portable/d3d9/test_hooks.h"

#include <SDL.h>

#include "platform/portable/d3d9/device.h"

namespace portable {

HRESULT CreateDeviceOnSdlWindow(SDL_Window* window, D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device)
{
    if (device != nullptr) *device = nullptr;
    if (window == nullptr || params == nullptr) return D3DERR_INVALIDCALL;
    DeviceWindow deviceWindow;
    deviceWindow.sdlWindowId = SDL_GetWindowID(window);
    return CreateDeviceOnWindow(nullptr, deviceWindow, 0, *params, device);
}

bool ReadBackBuffer(IDirect3DDevice9* device, std::vector<D3DCOLOR>& pixels, UINT& width, UINT& height)
{
    Device* portable = AsDevice(device);
    if (portable == nullptr || !MakeDeviceCurrent(*portable)) return false;
    if (!ReadGlBackBuffer(portable->backBuffer, pixels)) return false;
    width = portable->backBuffer.width;
    height = portable->backBuffer.height;
    InvalidateGlState(*portable);
    return true;
}

bool DrawsOnWindow(IDirect3DDevice9* device)
{
    const Device* portable = AsDevice(device);
    return portable != nullptr && portable->backBuffer.onWindow;
}

bool HoldsFullscreen(IDirect3DDevice9* device)
{
    const Device* portable = AsDevice(device);
    return portable != nullptr && portable->fullscreenActive;
}

} // namespace portable
