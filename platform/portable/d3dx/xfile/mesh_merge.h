// The parts of a loaded mesh joined: one material list, and the ranges of
// faces each material has.
#pragma once

#include <vector>

#include "platform/portable/d3dx/xfile/mesh_part.h"

namespace portable {

// Materials in file order, the parts' attributes moved to index them. A part
// without materials among parts with some gets a default material of its
// own; a file without any gets one.
void MergeMaterials(std::vector<PartOutput>& outputs, XMeshResult& result);

// One range per attribute that has faces; the faces are in attribute order.
void BuildAttributeTable(MeshData& mesh, size_t attributeCount);

} // namespace portable
