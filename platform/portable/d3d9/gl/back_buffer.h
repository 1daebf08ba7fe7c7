// The device's back buffer and depth-stencil buffer: a framebuffer object of
// exactly the requested formats, copied to the window at Present.
#pragma once

#include <vector>

#include "platform/portable/d3d9/api.h"

namespace portable {

struct GlBackBuffer {
    unsigned framebuffer = 0;
    unsigned color = 0;
    unsigned depth = 0;
    UINT width = 0;
    UINT height = 0;
    bool hasDepth = false;
    bool hasStencil = false;
};

// Needs the device's context current. False (and nothing left behind) on failure.
bool CreateGlBackBuffer(GlBackBuffer& buffer, UINT width, UINT height, bool withDepth, D3DFORMAT depthFormat);
void DestroyGlBackBuffer(GlBackBuffer& buffer);
// Copies the back buffer to the window's framebuffer, scaled when the sizes differ.
void BlitGlBackBuffer(const GlBackBuffer& buffer, int windowWidth, int windowHeight);
// The back buffer's pixels as D3DCOLOR values, top row first.
bool ReadGlBackBuffer(const GlBackBuffer& buffer, std::vector<D3DCOLOR>& pixels);

} // namespace portable
