#include "platform/portable/d3d9/gl/back_buffer.h"

#include <algorithm>

#include "platform/portable/d3d9/gl/api.h"

namespace portable {

namespace {
GLenum DepthStorageOf(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_D24S8:
        return GL_DEPTH24_STENCIL8;
    case D3DFMT_D24X8:
        return GL_DEPTH_COMPONENT24;
    case D3DFMT_D32:
        return GL_DEPTH_COMPONENT32;
    default:
        return GL_DEPTH_COMPONENT16;
    }
}

bool Complete()
{
    return gl.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}
} // namespace

bool CreateGlBackBuffer(GlBackBuffer& buffer, UINT width, UINT height, bool withDepth, D3DFORMAT depthFormat)
{
    GLint maxSize = 0;
    gl.GetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (width == 0 || height == 0 || width > static_cast<UINT>(maxSize) || height > static_cast<UINT>(maxSize)) {
        return false;
    }

    GlBackBuffer made;
    made.width = width;
    made.height = height;
    gl.GenFramebuffers(1, &made.framebuffer);
    gl.BindFramebuffer(GL_FRAMEBUFFER, made.framebuffer);

    gl.GenRenderbuffers(1, &made.color);
    gl.BindRenderbuffer(GL_RENDERBUFFER, made.color);
    gl.RenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, made.color);

    if (withDepth) {
        const GLenum storage = DepthStorageOf(depthFormat);
        made.hasDepth = true;
        made.hasStencil = storage == GL_DEPTH24_STENCIL8;
        gl.GenRenderbuffers(1, &made.depth);
        gl.BindRenderbuffer(GL_RENDERBUFFER, made.depth);
        gl.RenderbufferStorage(GL_RENDERBUFFER, storage, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
        const GLenum attachment = made.hasStencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
        gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER, made.depth);
        if (!Complete() && storage == GL_DEPTH_COMPONENT32) {
            // A 32-bit integer depth buffer is optional in OpenGL; 24 bits is the nearest sure one.
            gl.RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, static_cast<GLsizei>(width),
                                   static_cast<GLsizei>(height));
        }
    }
    gl.BindRenderbuffer(GL_RENDERBUFFER, 0);

    if (!Complete()) {
        DestroyGlBackBuffer(made);
        return false;
    }
    buffer = made;
    return true;
}

void DestroyGlBackBuffer(GlBackBuffer& buffer)
{
    if (buffer.framebuffer != 0) {
        gl.BindFramebuffer(GL_FRAMEBUFFER, 0);
        gl.DeleteFramebuffers(1, &buffer.framebuffer);
    }
    if (buffer.color != 0) gl.DeleteRenderbuffers(1, &buffer.color);
    if (buffer.depth != 0) gl.DeleteRenderbuffers(1, &buffer.depth);
    buffer = GlBackBuffer{};
}

void BlitGlBackBuffer(const GlBackBuffer& buffer, int windowWidth, int windowHeight)
{
    const GLint sourceWidth = static_cast<GLint>(buffer.width);
    const GLint sourceHeight = static_cast<GLint>(buffer.height);
    const bool sameSize = sourceWidth == windowWidth && sourceHeight == windowHeight;
    gl.Disable(GL_SCISSOR_TEST);
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, buffer.framebuffer);
    gl.BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    gl.BlitFramebuffer(0, 0, sourceWidth, sourceHeight, 0, 0, windowWidth, windowHeight, GL_COLOR_BUFFER_BIT,
                       sameSize ? GL_NEAREST : GL_LINEAR);
    gl.BindFramebuffer(GL_FRAMEBUFFER, buffer.framebuffer);
}

bool ReadGlBackBuffer(const GlBackBuffer& buffer, std::vector<D3DCOLOR>& pixels)
{
    if (buffer.framebuffer == 0) return false;
    const size_t width = buffer.width;
    const size_t height = buffer.height;
    std::vector<D3DCOLOR> bottomUp(width * height);
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, buffer.framebuffer);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 4);
    // BGRA bytes read as 32-bit little-endian words are A8R8G8B8 values.
    gl.ReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_BGRA,
                  GL_UNSIGNED_INT_8_8_8_8_REV, bottomUp.data());
    gl.BindFramebuffer(GL_FRAMEBUFFER, buffer.framebuffer);

    pixels.resize(width * height);
    for (size_t row = 0; row < height; ++row) {
        const D3DCOLOR* source = bottomUp.data() + (height - 1 - row) * width;
        std::copy(source, source + width, pixels.data() + row * width);
    }
    return true;
}

} // namespace portable
