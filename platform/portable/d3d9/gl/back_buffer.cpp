#include "platform/portable/d3d9/gl/back_buffer.h"

#include <algorithm>

#include "platform/portable/d3d9/gl/api.h"

namespace portable {

namespace {
GLenum DepthStorageOf(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_D24S8: return GL_DEPTH24_STENCIL8;
    case D3DFMT_D24X8: return GL_DEPTH_COMPONENT24;
    case D3DFMT_D32: return GL_DEPTH_COMPONENT32;
    default: return GL_DEPTH_COMPONENT16;
    }
}

bool Complete() { return gl.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE; }

int DepthBitsOf(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_D24S8:
    case D3DFMT_D24X8: return 24;
    case D3DFMT_D32: return 32;
    default: return 16;
    }
}

bool FitsWindow(const GlBackBuffer& buffer, const GlWindowTarget& window)
{
    return window.width == static_cast<int>(buffer.width) && window.height == static_cast<int>(buffer.height)
        && (!buffer.hasAlpha || window.alphaBits >= 8)
        && (!buffer.hasDepth || window.depthBits >= DepthBitsOf(buffer.depthFormat))
        && (!buffer.hasStencil || window.stencilBits >= 8);
}

void DestroyFramebufferObject(GlBackBuffer& buffer)
{
    if (buffer.framebuffer != 0) {
        gl.BindFramebuffer(GL_FRAMEBUFFER, 0);
        gl.DeleteFramebuffers(1, &buffer.framebuffer);
    }
    if (buffer.color != 0) gl.DeleteRenderbuffers(1, &buffer.color);
    if (buffer.depth != 0) gl.DeleteRenderbuffers(1, &buffer.depth);
    buffer.framebuffer = buffer.color = buffer.depth = 0;
}

// A framebuffer object of the buffer's size and formats; false (and nothing
// left behind) when the driver cannot make it.
bool MakeFramebufferObject(GlBackBuffer& buffer)
{
    GLint maxSize = 0;
    gl.GetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (buffer.width > static_cast<UINT>(maxSize) || buffer.height > static_cast<UINT>(maxSize)) return false;
    const auto width = static_cast<GLsizei>(buffer.width);
    const auto height = static_cast<GLsizei>(buffer.height);

    gl.GenFramebuffers(1, &buffer.framebuffer);
    gl.BindFramebuffer(GL_FRAMEBUFFER, buffer.framebuffer);
    gl.GenRenderbuffers(1, &buffer.color);
    gl.BindRenderbuffer(GL_RENDERBUFFER, buffer.color);
    gl.RenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffer.color);

    if (buffer.hasDepth) {
        const GLenum storage = DepthStorageOf(buffer.depthFormat);
        gl.GenRenderbuffers(1, &buffer.depth);
        gl.BindRenderbuffer(GL_RENDERBUFFER, buffer.depth);
        gl.RenderbufferStorage(GL_RENDERBUFFER, storage, width, height);
        const GLenum attachment = buffer.hasStencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
        gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER, buffer.depth);
        if (!Complete() && storage == GL_DEPTH_COMPONENT32) {
            // A 32-bit integer depth buffer is optional in OpenGL; 24 bits is the nearest sure one.
            gl.RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
        }
    }
    gl.BindRenderbuffer(GL_RENDERBUFFER, 0);
    if (Complete()) return true;
    DestroyFramebufferObject(buffer);
    return false;
}
} // namespace

bool CreateGlBackBuffer(GlBackBuffer& buffer, const D3DPRESENT_PARAMETERS& params, const GlWindowTarget& window)
{
    if (params.BackBufferWidth == 0 || params.BackBufferHeight == 0) return false;
    GlBackBuffer made;
    made.width = params.BackBufferWidth;
    made.height = params.BackBufferHeight;
    made.hasAlpha = params.BackBufferFormat == D3DFMT_A8R8G8B8 || params.BackBufferFormat == D3DFMT_A1R5G5B5;
    made.hasDepth = params.EnableAutoDepthStencil != FALSE;
    made.depthFormat = params.AutoDepthStencilFormat;
    made.hasStencil = made.hasDepth && DepthStorageOf(made.depthFormat) == GL_DEPTH24_STENCIL8;
    made.onWindow = FitsWindow(made, window);
    if (made.onWindow) {
        gl.BindFramebuffer(GL_FRAMEBUFFER, 0);
    } else if (!MakeFramebufferObject(made)) {
        return false;
    }
    buffer = made;
    return true;
}

void DestroyGlBackBuffer(GlBackBuffer& buffer)
{
    DestroyFramebufferObject(buffer);
    buffer = GlBackBuffer{};
}

bool FollowGlWindow(GlBackBuffer& buffer, const GlWindowTarget& window)
{
    const bool fits = FitsWindow(buffer, window);
    if (fits == buffer.onWindow) return true;
    if (fits) {
        DestroyFramebufferObject(buffer);
        buffer.onWindow = true;
        return true;
    }
    if (!MakeFramebufferObject(buffer)) return false;
    buffer.onWindow = false;
    return true;
}

void BlitGlBackBuffer(const GlBackBuffer& buffer, const GlWindowTarget& window)
{
    if (buffer.onWindow) return;
    const GLint sourceWidth = static_cast<GLint>(buffer.width);
    const GLint sourceHeight = static_cast<GLint>(buffer.height);
    const bool sameSize = sourceWidth == window.width && sourceHeight == window.height;
    gl.Disable(GL_SCISSOR_TEST);
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, buffer.framebuffer);
    gl.BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    gl.BlitFramebuffer(0, 0, sourceWidth, sourceHeight, 0, 0, window.width, window.height, GL_COLOR_BUFFER_BIT,
                       sameSize ? GL_NEAREST : GL_LINEAR);
    gl.BindFramebuffer(GL_FRAMEBUFFER, buffer.framebuffer);
}

bool ReadGlBackBuffer(const GlBackBuffer& buffer, std::vector<D3DCOLOR>& pixels)
{
    if (!buffer.Ready()) return false;
    const size_t width = buffer.width;
    const size_t height = buffer.height;
    std::vector<D3DCOLOR> bottomUp(width * height);
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, buffer.framebuffer);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 4);
    // BGRA bytes read as 32-bit little-endian words are A8R8G8B8 values.
    gl.ReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                  bottomUp.data());
    gl.BindFramebuffer(GL_FRAMEBUFFER, buffer.framebuffer);

    pixels.resize(width * height);
    for (size_t row = 0; row < height; ++row) {
        const D3DCOLOR* source = bottomUp.data() + (height - 1 - row) * width;
        std::copy(source, source + width, pixels.data() + row * width);
    }
    return true;
}

} // namespace portable
