// One placed mesh of a file added to the loaded mesh: its polygons as
// triangle fans sorted by material, a vertex copied for each further normal
// it is used with, the channels the file gives, the frames' transform.
#pragma once

#include <vector>

#include "platform/portable/d3dx/math.h"
#include "platform/portable/d3dx/xfile/limits.h"
#include "platform/portable/d3dx/xfile/mesh_builder.h"

namespace portable {

// A mesh the file places, at the top level or in frames.
struct MeshPart {
    uint32_t mesh;        // the Mesh object
    D3DXMATRIX transform; // the frames' transforms, outermost last
    bool identity;        // no frame matrix applies
};

// What one build may still take, across its parts.
struct MeshBudget {
    size_t maxElements;       // vertices and corners, and faces, for the size of the file
    size_t materialBytes = 0; // of the materials buffer so far, records and texture names
    size_t childVisits = 0;   // children of meshes, material lists and materials gone through

    // Counts one child gone through; false past kMaxXMeshChildVisits.
    bool Visit() { return ++childVisits <= kMaxXMeshChildVisits; }
};

struct PartOutput {
    size_t faceStart = 0;
    size_t faceCount = 0;
    std::vector<XMaterial> materials; // the part's own, its faces' attributes index them
};

// Appends the part to `mesh` and adds its vertex format to `fvf`. A mesh
// without vertices adds nothing. E_FAIL for inconsistent data,
// D3DERR_INVALIDCALL for vertices without faces, E_OUTOFMEMORY past the limits.
HRESULT BuildMeshPart(const XDocument& document, const MeshPart& part, bool withMaterials, MeshBudget& budget,
                      MeshData& mesh, PartOutput& output, DWORD& fvf);

} // namespace portable
