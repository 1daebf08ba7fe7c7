// Shared between the portable window layer and the portable Direct3D device.
// Nothing above the platform boundary includes this.
#pragma once

#include "platform/portable/win32/api.h"

struct SDL_Window;

namespace portable {

// Starts SDL's video subsystem once; false when no display can be opened.
bool InitVideo();
// The SDL window behind a handle made by CreateWindowExW, or null for any other value.
SDL_Window* SdlWindowOf(HWND window);
// The handle of the window made for this SDL window, or null.
HWND WindowFromSdl(SDL_Window* window);
// What a full-screen device watches: the window is shown, not minimised and has the input focus.
bool WindowIsForeground(HWND window);
// Moves pending SDL events into the message queue (PeekMessageW does this on every call).
void PumpEvents();

} // namespace portable
