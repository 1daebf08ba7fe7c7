// Turns a parsed .x file into the one mesh D3DXLoadMeshFromX gives: every
// Mesh of the file (top level or in frames, with the frame transforms)
// merged, n-gons split into fans, faces sorted by material; and the faces
// that share each edge of it.
#pragma once

#include <string>
#include <vector>

#include "platform/portable/d3d9/gl/resource_data.h"
#include "platform/portable/d3dx/api.h"
#include "platform/portable/d3dx/xfile/document.h"

namespace portable {

struct XMaterial {
    D3DMATERIAL9 material{};
    bool hasTexture = false;
    std::string texture;
};

struct XMeshResult {
    MeshData mesh;                    // gpu left empty
    std::vector<XMaterial> materials; // at least one; entry i belongs to attribute i
    DWORD options = 0;                // the creation options, D3DXMESH_32BIT added when needed
};

// `withMaterials` is false when the caller asks for no material output; the
// material lists are then not read, as with D3DX. Fails with E_FAIL for
// inconsistent mesh data, D3DERR_INVALIDCALL for a mesh without faces,
// E_OUTOFMEMORY for a mesh or materials past the limits of limits.h.
HRESULT BuildXMesh(const XDocument& document, DWORD options, bool withMaterials, XMeshResult& result);

// The faces next to each face across each edge (3 per face, 0xffffffff for
// none), matching edges by vertex positions as D3DX does with epsilon 0.
std::vector<DWORD> XMeshAdjacency(const MeshData& mesh);

} // namespace portable
