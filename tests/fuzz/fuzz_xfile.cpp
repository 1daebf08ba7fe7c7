// libFuzzer target: the .x reader and the mesh built from what it reads, with
// the limits the program runs with (nothing here changes them).
#include <cstddef>
#include <cstdint>

#include "platform/portable/d3dx/xfile/limits.h"
#include "platform/portable/d3dx/xfile/mesh_builder.h"
#include "platform/portable/d3dx/xfile/parser.h"

using namespace portable;

namespace {
// Faults the fuzzer should stop at: a mesh that points outside itself, or
// parsed data past the limits.
void Check(bool condition)
{
    if (!condition) __builtin_trap();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    XDocument document;
    const HRESULT parsed = ParseXFile(reinterpret_cast<const char*>(data), size, document);
    Check(document.source.inflated.size() <= kMaxXInflatedBytes);
    Check(document.values.size() <= kMaxXValues && document.objects.size() <= kMaxXObjects);
    Check(document.strings.size() <= kMaxXStrings && document.declaredTemplates.size() <= kMaxXTemplates);
    if (FAILED(parsed)) return 0;
    for (bool withMaterials : {true, false}) {
        XMeshResult result;
        if (FAILED(BuildXMesh(document, D3DXMESH_MANAGED, withMaterials, result))) continue;
        const MeshData& mesh = result.mesh;
        Check(mesh.vertices.size() <= kMaxXMeshVertices && mesh.attributes.size() <= kMaxXMeshFaces);
        Check(mesh.indices.size() == 3 * mesh.attributes.size());
        Check(!result.materials.empty());
        for (uint32_t index : mesh.indices) Check(index < mesh.vertices.size());
        for (DWORD attribute : mesh.attributes) Check(attribute < result.materials.size());
        size_t covered = 0;
        for (const SubsetRange& range : mesh.attributeTable) {
            Check(range.FaceStart == covered);
            covered += range.FaceCount;
            Check(static_cast<size_t>(range.VertexStart) + range.VertexCount <= mesh.vertices.size());
        }
        Check(covered == mesh.attributes.size());
        const std::vector<DWORD> adjacency = XMeshAdjacency(mesh);
        for (DWORD face : adjacency) Check(face == 0xffffffffu || face < mesh.attributes.size());
    }
    return 0;
}
