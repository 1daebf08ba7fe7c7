// Where one subset's faces are in a mesh: found in the same few steps however
// many subsets the mesh has, so a frame drawing every subset costs what it
// draws.
#pragma once

#include <cstddef>

#include "platform/portable/d3d9/gl/resource_data.h"

namespace portable {

struct FaceRun {
    size_t first = 0;
    size_t count = 0; // 0: the subset has no faces (or no entry)
};

// The faces of subset `attribId`, within the mesh's index list: from the
// attribute table (kept in ascending attribute order), or from the attribute
// buffer when there is no table.
FaceRun SubsetFaces(const MeshData& mesh, DWORD attribId);

} // namespace portable
