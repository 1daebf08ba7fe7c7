#include "platform/portable/d3dx/xfile/mesh_builder.h"

#include <algorithm>
#include <iterator>
#include <unordered_map>

#include "platform/portable/d3dx/xfile/limits.h"
#include "platform/portable/d3dx/xfile/mesh_part.h"

namespace portable {

namespace {
// The meshes a file places: at the top level, or in frames whose transforms
// carry them.
class FrameWalk {
public:
    FrameWalk(const XDocument& file, std::vector<MeshPart>& placed)
        : document(file), parts(placed), visiting(file.objects.size(), 0)
    {}

    HRESULT Walk()
    {
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        for (uint32_t index : document.topLevel) {
            const HRESULT placed = Place(index, identity, true, 0);
            if (FAILED(placed)) return placed;
        }
        return S_OK;
    }

private:
    const XDocument& document;
    std::vector<MeshPart>& parts;
    std::vector<uint8_t> visiting;
    size_t visits = 0; // frames entered and children gone through, across the walk

    // A mesh or frame (resolved) under a transform; other objects place nothing.
    HRESULT Place(uint32_t index, const D3DXMATRIX& transform, bool identity, unsigned depth)
    {
        const XKind kind = document.objects[index].kind;
        if (kind == XKind::Mesh) {
            if (parts.size() >= kMaxXMeshParts) return E_OUTOFMEMORY;
            parts.push_back(MeshPart{index, transform, identity});
        } else if (kind == XKind::Frame) {
            return Frame(index, transform, identity, depth);
        }
        return S_OK;
    }

    HRESULT Frame(uint32_t frame, const D3DXMATRIX& parent, bool parentIdentity, unsigned depth)
    {
        if (depth >= kMaxXObjectDepth || visiting[frame] != 0) return E_FAIL;
        if (++visits > kMaxXFrameVisits) return E_OUTOFMEMORY;
        visiting[frame] = 1;
        D3DXMATRIX world = parent;
        bool identity = parentIdentity;
        const XObject& object = document.objects[frame];
        // A matrix places what follows it in the frame, on top of the ones
        // before it; what comes before it stays where it was, as in D3DX.
        for (uint32_t child = object.firstChild; child != kNoObject; child = document.objects[child].nextSibling) {
            // A frame placed many times goes through its children each time.
            if (++visits > kMaxXFrameVisits) return E_OUTOFMEMORY;
            const XObject& resolved = Resolved(document, child);
            if (resolved.kind == XKind::FrameTransformMatrix) {
                if (resolved.valueEnd - resolved.valueBegin != 16) return E_FAIL;
                ValueCursor cursor(document, resolved);
                D3DXMATRIX local;
                for (int r = 0; r < 4; ++r)
                    for (int k = 0; k < 4; ++k) local.m[r][k] = cursor.F();
                D3DXMatrixMultiply(&world, &local, &world);
                identity = false;
                continue;
            }
            const HRESULT placed = Place(ResolvedIndex(document, child), world, identity, depth + 1);
            if (FAILED(placed)) return placed;
        }
        visiting[frame] = 0;
        return S_OK;
    }
};

// Every placed mesh in file order. E_FAIL for a bad frame matrix or frames
// nested too deep or within themselves; E_OUTOFMEMORY past the limits on
// parts and frame visits.
HRESULT CollectMeshParts(const XDocument& document, std::vector<MeshPart>& parts)
{
    parts.clear();
    return FrameWalk(document, parts).Walk();
}

D3DMATERIAL9 DefaultMaterial()
{
    D3DMATERIAL9 material{};
    material.Diffuse = {0.5f, 0.5f, 0.5f, 0.0f};
    material.Specular = {0.5f, 0.5f, 0.5f, 0.0f};
    return material;
}

// Materials in file order, the parts' attributes moved to index them. A part
// without materials among parts with some gets a default material of its
// own; a file without any gets one.
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
        firstOf[a] =
            static_cast<size_t>(std::lower_bound(mesh.attributes.begin(), mesh.attributes.end(), static_cast<DWORD>(a))
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

std::vector<DWORD> XMeshAdjacency(const MeshData& mesh)
{
    struct PositionKey {
        uint32_t bits[3];
        bool operator==(const PositionKey& other) const
        {
            return bits[0] == other.bits[0] && bits[1] == other.bits[1] && bits[2] == other.bits[2];
        }
    };
    struct PositionHash {
        size_t operator()(const PositionKey& key) const
        {
            return KeyedHash(KeyedHash((uint64_t{key.bits[0]} << 32) | key.bits[1]) ^ key.bits[2]);
        }
    };
    // Vertices at one position count as one.
    std::unordered_map<PositionKey, uint32_t, PositionHash> firstAt;
    std::vector<uint32_t> canonical(mesh.vertices.size());
    for (uint32_t v = 0; v < mesh.vertices.size(); ++v) {
        PositionKey key{};
        for (int c = 0; c < 3; ++c) {
            // +0 and -0 are one position.
            const float value = mesh.vertices[v].position[c] == 0.0f ? 0.0f : mesh.vertices[v].position[c];
            key.bits[c] = FloatSlot(value);
        }
        canonical[v] = firstAt.emplace(key, v).first->second;
    }

    const size_t faceCount = mesh.indices.size() / 3;
    std::vector<DWORD> adjacency(3 * faceCount, 0xffffffffu);
    std::unordered_map<uint64_t, uint32_t, KeyedIntegerHash> openEdges; // (from, to) -> face * 3 + edge
    for (size_t f = 0; f < faceCount; ++f) {
        for (int e = 0; e < 3; ++e) {
            const uint32_t a = canonical[mesh.indices[3 * f + e]];
            const uint32_t b = canonical[mesh.indices[3 * f + (e + 1) % 3]];
            if (a == b) continue;
            const auto opposite = openEdges.find((static_cast<uint64_t>(b) << 32) | a);
            if (opposite != openEdges.end()) {
                const uint32_t other = opposite->second;
                adjacency[3 * f + e] = other / 3;
                adjacency[other] = static_cast<DWORD>(f);
                openEdges.erase(opposite);
            } else {
                openEdges.emplace((static_cast<uint64_t>(a) << 32) | b, static_cast<uint32_t>(3 * f + e));
            }
        }
    }
    return adjacency;
}

} // namespace portable
