// The data of managed-pool resources (meshes, textures): kept in memory by
// their D3DX objects, uploaded by the device on first use and again after it
// has lost its objects; and the OpenGL objects made from it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/portable/d3d9/api.h"

namespace portable {

// The one vertex layout of portable meshes; the FVF says which parts the file gave.
struct MeshVertex {
    float position[3];
    float normal[3];
    float texcoord[2];
    D3DCOLOR diffuse;
};

// Device objects made for a resource. The device fills them in on first use
// and keeps track of the record, so it must keep its address until
// ReleaseGpuObjects is called for it; a device released first clears it.
struct GpuObjects {
    IDirect3DDevice9* owner = nullptr;
    unsigned vertexArray = 0;
    unsigned vertexBuffer = 0;
    unsigned indexBuffer = 0;
    unsigned texture = 0;
};

// One subset's faces and the vertices they use (laid out as D3DXATTRIBUTERANGE).
struct SubsetRange {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
};

struct MeshData {
    DWORD fvf = D3DFVF_XYZ;
    std::vector<MeshVertex> vertices;
    std::vector<uint32_t> indices;           // three per face, faces sorted by attribute
    std::vector<DWORD> attributes;           // one per face
    std::vector<SubsetRange> attributeTable; // one per subset, in attribute order
    GpuObjects gpu;
};

struct TextureData {
    UINT width = 0;
    UINT height = 0;
    D3DFORMAT format = D3DFMT_A8R8G8B8; // the file's format as D3DX reports it
    // B, G, R, A bytes per texel, level 0 first; given up once the device
    // holds them (nothing locks a managed texture, and the device's objects
    // outlive a Reset), so each texel is held once.
    std::vector<std::vector<uint8_t>> levels;
    UINT levelCount = 0; // as made, whether or not the texels are still here
    GpuObjects gpu;
};

// The largest texture width and height the portable device takes (its caps'
// MaxTextureWidth and MaxTextureHeight), less where OpenGL offers less. Kept
// below the 16384 of current hardware so that a texture's levels stay within
// about 350 MB.
constexpr UINT kMaxTextureSide = 8192;

// On the current context: makes the mesh's vertex array and buffers; false,
// making nothing, when its data cannot be drawn (no faces, or indices out of range).
bool UploadMesh(MeshData& mesh);
// Makes the texture object from the leading levels that hold their texels;
// false, making nothing, when none do or a side exceeds maxSide.
bool UploadTexture(TextureData& texture, UINT maxSide);
// Deletes what was made for a resource.
void DeleteGpuObjects(const GpuObjects& gpu);
// The largest texture side of the current context, at most kMaxTextureSide.
UINT GlMaxTextureSide();

} // namespace portable
