// Shared between the portable window layer and the portable Direct3D device.
// Nothing above the platform boundary includes this.
#pragma once

#include "platform/portable/win32/api.h"

struct SDL_Window;

// Starts SDL's video subsystem once; false when no display can be opened.
bool PortableVideoInit();
// The SDL window behind a handle made by CreateWindowExW, or null for any other value.
SDL_Window* PortableSdlWindow(HWND window);
// The handle of the window made for this SDL window, or null.
HWND PortableWindowFromSdl(SDL_Window* window);
// What a full-screen device watches: the window is shown, not minimised and has the input focus.
bool PortableWindowIsForeground(HWND window);
// Moves pending SDL events into the message queue (PeekMessageW does this on every call).
void PortablePumpEvents();
