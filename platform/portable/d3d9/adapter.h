// Adapters: the Direct3D object's displays (an adapter is an SDL display), the
// modes each offers as Direct3D 9 lists them, and holding one in a device's
// full-screen mode.
#pragma once

#include <vector>

#include <SDL.h>

#include "platform/portable/d3d9/api.h"

namespace portable {

struct Device;

// Sorts by width and height ascending, the rates of one size descending (the
// order of Wine's Direct3D), and drops repeats.
void SortDisplayModes(std::vector<D3DDISPLAYMODE>& modes);

// The X8R8G8B8 modes of a display, sorted; empty for a bad display.
std::vector<D3DDISPLAYMODE> ListDisplayModes(int display);

// The display's own record for a mode; a refresh rate of 0 takes the highest rate of that size.
bool FindSdlDisplayMode(int display, UINT width, UINT height, UINT refreshRate, SDL_DisplayMode& found);

// Puts the device's display in the mode of its present parameters and its
// window in full screen (CreateDevice and Reset).
HRESULT EnterFullscreen(Device& device);
// Gives the display its mode back: on loss, on a windowed Reset and on release.
void LeaveFullscreen(Device& device);

} // namespace portable
