// The faces that share each edge of a loaded mesh.
#pragma once

#include <vector>

#include "platform/portable/d3d9/gl/resource_data.h"

namespace portable {

// The faces next to each face across each edge (3 per face, 0xffffffff for
// none), matching edges by vertex positions as D3DX does with epsilon 0.
std::vector<DWORD> XMeshAdjacency(const MeshData& mesh);

} // namespace portable
