// The checks CreateDevice and Reset make on present parameters.
#pragma once

#include "platform/portable/d3d9/api.h"

namespace portable {

// D3D_OK, D3DERR_INVALIDCALL for parameters Direct3D rejects, or
// D3DERR_NOTAVAILABLE for valid ones this device cannot provide. The display
// mode itself is checked against the display separately.
HRESULT ValidatePresentParameters(const D3DPRESENT_PARAMETERS& params);

// Fills in what Direct3D fills in: a windowed back buffer of size 0 takes the
// window's size, an unknown windowed format the display's, a count of 0 becomes 1.
void CompletePresentParameters(D3DPRESENT_PARAMETERS& params, UINT windowWidth, UINT windowHeight);

bool IsDepthFormat(D3DFORMAT format);
bool HasStencil(D3DFORMAT format);
// Swap interval for SDL: 0 for immediate, otherwise the number of vertical blanks.
int SwapIntervalOf(UINT presentationInterval);

} // namespace portable
