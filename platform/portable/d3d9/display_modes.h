// The display modes an adapter offers, as Direct3D 9 lists them.
#pragma once

#include <vector>

#include <SDL.h>

#include "platform/portable/d3d9/api.h"

namespace portable {

// Sorts by width and height ascending, the rates of one size descending (the
// order of Wine's Direct3D), and drops repeats.
void SortDisplayModes(std::vector<D3DDISPLAYMODE>& modes);

// The X8R8G8B8 modes of a display (an adapter is a display), sorted; empty for a bad display.
std::vector<D3DDISPLAYMODE> ListDisplayModes(int display);

// The display's own record for a mode; a refresh rate of 0 takes the highest rate of that size.
bool FindSdlDisplayMode(int display, UINT width, UINT height, UINT refreshRate, SDL_DisplayMode& found);

} // namespace portable
