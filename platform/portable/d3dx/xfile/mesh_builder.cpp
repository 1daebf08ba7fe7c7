#include "platform/portable/d3dx/xfile/mesh_builder.h"

#include <algorithm>

#include "platform/portable/d3dx/xfile/limits.h"
#include "platform/portable/d3dx/xfile/mesh_frames.h"
#include "platform/portable/d3dx/xfile/mesh_merge.h"
#include "platform/portable/d3dx/xfile/mesh_part.h"
#include "platform/portable/d3dx/xfile/value_cursor.h"

namespace portable {

namespace {
// The least the placed meshes add up to, from their vertex and polygon
// counts: a file that places meshes past the limits fails before any of them
// is built. A part whose counts do not hold ends the sum; building it
// reports the damage.
HRESULT CheckLeastSize(const XDocument& document, const std::vector<MeshPart>& parts, size_t maxElements)
{
    size_t vertices = 0;
    size_t polygons = 0;
    for (const MeshPart& part : parts) {
        ValueCursor cursor(document, document.objects[part.mesh]);
        const uint32_t vertexCount = cursor.U();
        if (!cursor.ok || !cursor.Has(3ull * vertexCount + 1)) break;
        if (vertexCount == 0) continue; // left out
        cursor.p += 3ull * vertexCount;
        vertices += vertexCount;
        polygons += cursor.U(); // each at least one face and three corners
        if (vertices > kMaxXMeshVertices || polygons > kMaxXMeshFaces || vertices + 3 * polygons > maxElements) {
            return E_OUTOFMEMORY;
        }
    }
    return S_OK;
}

HRESULT Build(const XDocument& document, bool withMaterials, XMeshResult& result)
{
    // Vertices and corners, and faces, that the mesh may have for the size of
    // the file: references may place a mesh many times, not without end.
    MeshBudget budget{std::max<size_t>(size_t{1} << 20, 16 * document.values.size())};
    std::vector<MeshPart> parts;
    HRESULT step = CollectMeshParts(document, parts);
    if (SUCCEEDED(step)) step = CheckLeastSize(document, parts, budget.maxElements);
    if (FAILED(step)) return step;

    std::vector<PartOutput> outputs(parts.size());
    DWORD fvf = 0;
    for (size_t i = 0; i < parts.size(); ++i) {
        step = BuildMeshPart(document, parts[i], withMaterials, budget, result.mesh, outputs[i], fvf);
        if (FAILED(step)) return step;
    }
    if (result.mesh.attributes.empty()) return E_FAIL;
    result.mesh.fvf = fvf;
    MergeMaterials(outputs, result);
    BuildAttributeTable(result.mesh, result.materials.size());
    // 16-bit indices reach 65536 vertices; beyond that the mesh needs 32-bit ones.
    if (result.mesh.vertices.size() > 0x10000) result.options |= D3DXMESH_32BIT;
    return S_OK;
}
} // namespace

HRESULT BuildXMesh(const XDocument& document, DWORD options, bool withMaterials, XMeshResult& result)
{
    result = XMeshResult{};
    result.options = options;
    const HRESULT built = Build(document, withMaterials, result);
    if (FAILED(built)) result = XMeshResult{};
    return built;
}

} // namespace portable
