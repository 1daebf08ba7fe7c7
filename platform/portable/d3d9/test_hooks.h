// Hooks for the platform layer's own tests and tools: a device on an SDL
// window without the Win32 window layer, and reading the back buffer.
#pragma once

#include <vector>

#include "platform/portable/d3d9/api.h"

struct SDL_Window;

namespace portable {

// The window must have been made with SDL_WINDOW_OPENGL. Full-screen devices
// are lost while the window is hidden or minimised. The device is on display 0.
HRESULT CreateDeviceOnSdlWindow(SDL_Window* window, D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device);

// The back buffer as D3DCOLOR values, top row first.
bool ReadBackBuffer(IDirect3DDevice9* device, std::vector<D3DCOLOR>& pixels, UINT& width, UINT& height);

} // namespace portable
