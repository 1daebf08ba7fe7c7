#include "platform/portable/d3dx/xfile/mesh_merge.h"

#include <algorithm>
#include <iterator>

namespace portable {

namespace {
D3DMATERIAL9 DefaultMaterial()
{
    D3DMATERIAL9 material{};
    material.Diffuse = {0.5f, 0.5f, 0.5f, 0.0f};
    material.Specular = {0.5f, 0.5f, 0.5f, 0.0f};
    return material;
}
} // namespace

void MergeMaterials(std::vector<PartOutput>& outputs, XMeshResult& result)
{
    size_t total = 0;
    for (const PartOutput& output : outputs) total += output.materials.size();
    if (total == 0) {
        result.materials.assign(1, XMaterial{DefaultMaterial(), false, {}});
        return;
    }
    for (PartOutput& output : outputs) {
        if (output.faceCount == 0) continue;
        const DWORD offset = static_cast<DWORD>(result.materials.size());
        if (output.materials.empty()) {
            result.materials.push_back(XMaterial{DefaultMaterial(), false, {}});
        } else {
            std::move(output.materials.begin(), output.materials.end(), std::back_inserter(result.materials));
        }
        if (offset == 0) continue;
        for (size_t f = output.faceStart; f < output.faceStart + output.faceCount; ++f) {
            result.mesh.attributes[f] += offset;
        }
    }
}

// Each part writes its triangles sorted, and the parts' attributes ascend
// part by part, so the faces of one attribute are one run.
void BuildAttributeTable(MeshData& mesh, size_t attributeCount)
{
    std::vector<size_t> firstOf(attributeCount + 1, 0);
    for (size_t a = 0; a <= attributeCount; ++a) {
        firstOf[a] = static_cast<size_t>(
            std::lower_bound(mesh.attributes.begin(), mesh.attributes.end(), static_cast<DWORD>(a))
            - mesh.attributes.begin());
    }
    mesh.attributeTable.clear();
    for (size_t a = 0; a < attributeCount; ++a) {
        if (firstOf[a + 1] == firstOf[a]) continue;
        SubsetRange range{};
        range.AttribId = static_cast<DWORD>(a);
        range.FaceStart = static_cast<DWORD>(firstOf[a]);
        range.FaceCount = static_cast<DWORD>(firstOf[a + 1] - firstOf[a]);
        uint32_t low = 0xffffffffu, high = 0;
        for (size_t i = 3 * firstOf[a]; i < 3 * firstOf[a + 1]; ++i) {
            low = std::min(low, mesh.indices[i]);
            high = std::max(high, mesh.indices[i]);
        }
        range.VertexStart = low;
        range.VertexCount = high - low + 1;
        mesh.attributeTable.push_back(range);
    }
}

} // namespace portable
