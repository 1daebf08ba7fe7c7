// The meshes a file places: at the top level, or in frames whose transforms
// carry them.
#pragma once

#include <vector>

#include "platform/portable/d3dx/math.h"
#include "platform/portable/d3dx/xfile/document.h"

namespace portable {

struct MeshPart {
    uint32_t mesh;         // the Mesh object
    D3DXMATRIX transform;  // the frames' transforms, outermost last
    bool identity;         // no frame matrix applies
};

// Every placed mesh in file order. E_FAIL for a bad frame matrix or frames
// nested too deep or within themselves; E_OUTOFMEMORY past the limits on
// parts and frame visits.
HRESULT CollectMeshParts(const XDocument& document, std::vector<MeshPart>& parts);

} // namespace portable
