// The device's back buffer and depth-stencil buffer. When the window's own
// framebuffer has the back buffer's size and the depth and stencil bits it
// needs, the device draws there and Present only swaps; otherwise it draws
// into a framebuffer object of the requested formats, scaled to the window at
// Present.
#pragma once

#include <vector>

#include "platform/portable/d3d9/api.h"

namespace portable {

struct GlBackBuffer {
    unsigned framebuffer = 0; // the one to draw into: 0 is the window's own
    unsigned color = 0;       // the framebuffer object's buffers, when there is one
    unsigned depth = 0;
    UINT width = 0;
    UINT height = 0;
    bool hasDepth = false;
    bool hasStencil = false;
    bool hasAlpha = false;
    bool onWindow = false;
    D3DFORMAT depthFormat = D3DFMT_UNKNOWN;

    bool Ready() const { return width != 0; }
};

// The window's framebuffer as the device sees it: its size in pixels and the
// depth and stencil bits of the context's default framebuffer.
struct GlWindowTarget {
    int width = 0;
    int height = 0;
    int alphaBits = 0;
    int depthBits = 0;
    int stencilBits = 0;
};

// Needs the device's context current. False (and nothing left behind) on failure.
// The buffers the (completed) present parameters ask for.
bool CreateGlBackBuffer(GlBackBuffer& buffer, const D3DPRESENT_PARAMETERS& params, const GlWindowTarget& window);
void DestroyGlBackBuffer(GlBackBuffer& buffer);
// Copies a framebuffer object's frame to the window, scaled when the sizes differ.
void BlitGlBackBuffer(const GlBackBuffer& buffer, const GlWindowTarget& window);
// After a swap: draws on the window from the next frame when it now fits, or
// into a framebuffer object when it no longer does. False when that object
// cannot be made (the device keeps drawing where it did).
bool FollowGlWindow(GlBackBuffer& buffer, const GlWindowTarget& window);
// The back buffer's pixels as D3DCOLOR values, top row first.
bool ReadGlBackBuffer(const GlBackBuffer& buffer, std::vector<D3DCOLOR>& pixels);

} // namespace portable
