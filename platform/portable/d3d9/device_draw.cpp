// Clearing, scenes and drawing mesh subsets with the fixed-function program.
#include <algorithm>

#include "platform/portable/d3d9/device.h"
#include "platform/portable/d3d9/gl/api.h"
#include "platform/portable/d3d9/gl/render_state.h"

namespace portable {

namespace {
// Sets the OpenGL state again when a render or sampler state changed.
void ApplyGlState(Device& device)
{
    if (device.glStateValid) return;
    ApplyRenderStates(device.states, device.backBuffer, device.sampler);
    device.glStateValid = true;
}

// The faces of one subset: from the attribute table, or from the attribute
// buffer when there is no table. False when the subset has no faces.
bool FindSubset(const MeshData& mesh, DWORD attribId, size_t& firstFace, size_t& faceCount)
{
    const size_t totalFaces = mesh.indices.size() / 3;
    for (const SubsetRange& range : mesh.attributeTable) {
        if (range.AttribId != attribId) continue;
        firstFace = range.FaceStart;
        faceCount = range.FaceCount;
        if (firstFace > totalFaces) return false;
        faceCount = std::min(faceCount, totalFaces - firstFace);
        return faceCount > 0;
    }
    if (!mesh.attributeTable.empty()) return false;

    // Faces are sorted by attribute, so one subset is one run.
    const size_t faces = std::min(totalFaces, mesh.attributes.size());
    size_t start = 0;
    while (start < faces && mesh.attributes[start] != attribId) ++start;
    size_t end = start;
    while (end < faces && mesh.attributes[end] == attribId) ++end;
    firstFace = start;
    faceCount = end - start;
    return faceCount > 0;
}
} // namespace

HRESULT Device::BeginScene()
{
    if (inScene) return D3DERR_INVALIDCALL;
    inScene = true;
    return D3D_OK;
}

HRESULT Device::EndScene()
{
    if (!inScene) return D3DERR_INVALIDCALL;
    inScene = false;
    return D3D_OK;
}

HRESULT Device::Clear(DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                              DWORD stencil)
{
    if ((flags & D3DCLEAR_ZBUFFER) != 0 && !backBuffer.hasDepth) return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_STENCIL) != 0 && !backBuffer.hasStencil) return D3DERR_INVALIDCALL;
    if (lost || !MakeDeviceCurrent(*this) || !backBuffer.Ready()) return D3D_OK;

    GLbitfield mask = 0;
    if ((flags & D3DCLEAR_TARGET) != 0) {
        const D3DCOLORVALUE value = ColorValueOf(color);
        gl.ClearColor(value.r, value.g, value.b, value.a);
        gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if ((flags & D3DCLEAR_ZBUFFER) != 0) {
        gl.ClearDepth(std::clamp(z, 0.0f, 1.0f));
        gl.DepthMask(GL_TRUE);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if ((flags & D3DCLEAR_STENCIL) != 0) {
        gl.ClearStencil(static_cast<GLint>(stencil & 0xFF));
        gl.StencilMask(0xFF);
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    InvalidateGlState(*this);
    if (mask == 0) return D3D_OK;

    gl.BindFramebuffer(GL_FRAMEBUFFER, backBuffer.framebuffer);
    const LONG width = static_cast<LONG>(backBuffer.width);
    const LONG height = static_cast<LONG>(backBuffer.height);
    if (rectCount == 0 || rects == nullptr) {
        gl.Disable(GL_SCISSOR_TEST);
        gl.Clear(mask);
        return D3D_OK;
    }
    gl.Enable(GL_SCISSOR_TEST);
    for (DWORD i = 0; i < rectCount; ++i) {
        const LONG left = std::max<LONG>(rects[i].x1, 0);
        const LONG top = std::max<LONG>(rects[i].y1, 0);
        const LONG right = std::min(rects[i].x2, width);
        const LONG bottom = std::min(rects[i].y2, height);
        if (left >= right || top >= bottom) continue;
        gl.Scissor(left, height - bottom, right - left, bottom - top);
        gl.Clear(mask);
    }
    return D3D_OK;
}

HRESULT DrawMeshSubset(IDirect3DDevice9* device, MeshData& mesh, DWORD attribId)
{
    Device* portable = AsDevice(device);
    if (portable == nullptr) return D3DERR_INVALIDCALL;
    size_t firstFace = 0, faceCount = 0;
    if (!FindSubset(mesh, attribId, firstFace, faceCount)) return D3D_OK;
    // Drawing on a lost device succeeds and draws nothing, as in Direct3D.
    if (portable->lost || !MakeDeviceCurrent(*portable) || !portable->backBuffer.Ready()) return D3D_OK;
    if (!EnsureMeshUploaded(*portable, mesh)) return D3DERR_INVALIDCALL;

    unsigned texture = 0;
    if (TextureData* data = portable->textureData[0]) texture = EnsureTextureUploaded(*portable, *data);

    ApplyGlState(*portable);
    gl.ActiveTexture(GL_TEXTURE0);
    gl.BindTexture(GL_TEXTURE_2D, texture);
    const FixedFunctionInputs inputs =
        ComputeFixedFunctionInputs(portable->states, (mesh.fvf & D3DFVF_DIFFUSE) != 0, texture != 0,
                                   portable->backBuffer.width, portable->backBuffer.height);
    ApplyFixedFunctionInputs(portable->program, inputs);
    gl.BindVertexArray(mesh.gpu.vertexArray);
    gl.DrawElements(GL_TRIANGLES, static_cast<GLsizei>(faceCount * 3), GL_UNSIGNED_INT,
                    reinterpret_cast<const void*>(firstFace * 3 * sizeof(uint32_t)));
    gl.BindVertexArray(0);
    return D3D_OK;
}

} // namespace portable
