#include "platform/portable/d3d9/gl/resource_data.h"

#include <algorithm>
#include <cstddef>

#include "platform/portable/d3d9/gl/api.h"
#include "platform/portable/d3d9/gl/fixed_function.h"

namespace portable {

namespace {
bool IndicesInRange(const MeshData& mesh)
{
    const size_t vertexCount = mesh.vertices.size();
    for (uint32_t index : mesh.indices) {
        if (index >= vertexCount) return false;
    }
    return true;
}

bool HasNoAlpha(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_X8B8G8R8:
    case D3DFMT_L8: return true;
    default: return false;
    }
}

UINT LevelSize(UINT size, size_t level)
{
    const UINT shifted = level < 32 ? size >> level : 0;
    return shifted > 0 ? shifted : 1;
}
} // namespace

bool UploadMesh(MeshData& mesh)
{
    if (mesh.vertices.empty() || mesh.indices.empty() || !IndicesInRange(mesh)) return false;
    GpuObjects& gpu = mesh.gpu;
    gl.GenVertexArrays(1, &gpu.vertexArray);
    gl.BindVertexArray(gpu.vertexArray);
    gl.GenBuffers(1, &gpu.vertexBuffer);
    gl.BindBuffer(GL_ARRAY_BUFFER, gpu.vertexBuffer);
    gl.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(mesh.vertices.size() * sizeof(MeshVertex)),
                  mesh.vertices.data(), GL_STATIC_DRAW);
    gl.GenBuffers(1, &gpu.indexBuffer);
    gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, gpu.indexBuffer);
    gl.BufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(mesh.indices.size() * sizeof(uint32_t)),
                  mesh.indices.data(), GL_STATIC_DRAW);

    const auto stride = static_cast<GLsizei>(sizeof(MeshVertex));
    auto offset = [](size_t bytes) { return reinterpret_cast<const void*>(bytes); };
    gl.EnableVertexAttribArray(kAttributePosition);
    gl.VertexAttribPointer(kAttributePosition, 3, GL_FLOAT, GL_FALSE, stride, offset(offsetof(MeshVertex, position)));
    gl.EnableVertexAttribArray(kAttributeTexcoord);
    gl.VertexAttribPointer(kAttributeTexcoord, 2, GL_FLOAT, GL_FALSE, stride, offset(offsetof(MeshVertex, texcoord)));
    if ((mesh.fvf & D3DFVF_DIFFUSE) != 0) {
        // D3DCOLOR bytes are B, G, R, A in memory.
        gl.EnableVertexAttribArray(kAttributeDiffuse);
        gl.VertexAttribPointer(kAttributeDiffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                               offset(offsetof(MeshVertex, diffuse)));
    }
    gl.BindVertexArray(0);
    return true;
}

bool UploadTexture(TextureData& texture, UINT maxSide)
{
    // Levels are used while each holds the texels its size needs.
    size_t levels = 0;
    while (levels < texture.levels.size()) {
        const size_t needed = size_t{LevelSize(texture.width, levels)} * LevelSize(texture.height, levels) * 4;
        if (texture.levels[levels].size() < needed) break;
        ++levels;
    }
    if (levels == 0 || texture.width == 0 || texture.height == 0 || texture.width > maxSide
        || texture.height > maxSide) {
        return false;
    }

    GpuObjects& gpu = texture.gpu;
    gl.GenTextures(1, &gpu.texture);
    gl.ActiveTexture(GL_TEXTURE0);
    gl.BindTexture(GL_TEXTURE_2D, gpu.texture);
    for (size_t level = 0; level < levels; ++level) {
        gl.TexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA8,
                      static_cast<GLsizei>(LevelSize(texture.width, level)),
                      static_cast<GLsizei>(LevelSize(texture.height, level)), 0, GL_BGRA, GL_UNSIGNED_BYTE,
                      texture.levels[level].data());
    }
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
    if (HasNoAlpha(texture.format)) gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
    return true;
}

void DeleteGpuObjects(const GpuObjects& gpu)
{
    if (gpu.vertexArray != 0) gl.DeleteVertexArrays(1, &gpu.vertexArray);
    if (gpu.vertexBuffer != 0) gl.DeleteBuffers(1, &gpu.vertexBuffer);
    if (gpu.indexBuffer != 0) gl.DeleteBuffers(1, &gpu.indexBuffer);
    if (gpu.texture != 0) gl.DeleteTextures(1, &gpu.texture);
}

UINT GlMaxTextureSide()
{
    GLint glMax = 0;
    gl.GetIntegerv(GL_MAX_TEXTURE_SIZE, &glMax);
    return glMax > 0 ? std::min(kMaxTextureSide, static_cast<UINT>(glMax)) : kMaxTextureSide;
}

} // namespace portable
