// The checks CreateDevice and Reset make on present parameters.
#pragma once

#include "platform/portable/d3d9/api.h"

struct SDL_Window;

namespace portable {

// D3D_OK, D3DERR_INVALIDCALL for parameters Direct3D rejects, or
// D3DERR_NOTAVAILABLE for valid ones this device cannot provide. The display
// mode itself is checked against the display separately.
HRESULT ValidatePresentParameters(const D3DPRESENT_PARAMETERS& params);

// Fills in what Direct3D fills in: a windowed back buffer of size 0 takes the
// window's size, an unknown windowed format the display's, a count of 0 becomes 1.
void CompletePresentParameters(D3DPRESENT_PARAMETERS& params, UINT windowWidth, UINT windowHeight);

// What CreateDevice and Reset do first: validates the parameters, completes
// them for the window (D3DERR_INVALIDCALL when there is none) and, for full
// screen, checks that the display has their mode (D3DERR_NOTAVAILABLE).
HRESULT PreparePresentParameters(const D3DPRESENT_PARAMETERS& params, SDL_Window* window, int display,
                                 D3DPRESENT_PARAMETERS& completed);

// Swap interval for SDL: 0 for immediate, otherwise the number of vertical blanks.
int SwapIntervalOf(UINT presentationInterval);

} // namespace portable
