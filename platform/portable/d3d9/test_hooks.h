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

// Whether the device draws straight on its window's framebuffer, the path
// without a framebuffer object of its own and a copy at every Present. It
// shows nowhere else: both paths draw and read back the same.
bool DrawsOnWindow(IDirect3DDevice9* device);

// Whether a full-screen device holds its window full screen in its mode now
// (it lets go while lost). Without a window manager, and in the display's own
// mode, nothing else tells.
bool HoldsFullscreen(IDirect3DDevice9* device);

} // namespace portable
