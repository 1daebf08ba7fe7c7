#include "platform/portable/d3dx/xfile/mesh_part.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/portable/d3dx/xfile/limits.h"

namespace portable {

namespace {
constexpr uint32_t kNone = 0xffffffffu;
constexpr D3DCOLOR kDefaultVertexColor = D3DCOLOR_ARGB(0, 0xff, 0xff, 0xff);

// The largest of a polygon's `size` indices; most polygons are triangles.
[[gnu::always_inline]] inline uint32_t HighestIndex(const uint32_t* indices, uint32_t size)
{
    if (size == 3) return std::max(indices[0], std::max(indices[1], indices[2]));
    uint32_t highest = 0;
    for (uint32_t j = 0; j < size; ++j) highest = std::max(highest, indices[j]);
    return highest;
}

// The vertex and polygon lists of a Mesh object, each polygon its size then
// its vertex indices.
struct Geometry {
    uint32_t vertexCount = 0;
    const uint32_t* positions = nullptr;
    uint32_t polygonCount = 0;
    const uint32_t* polygons = nullptr;
    size_t cornerCount = 0;
    size_t triangleCount = 0;
};

HRESULT ReadGeometry(const XDocument& document, const XObject& mesh, Geometry& geometry)
{
    ValueCursor cursor(document, mesh);
    geometry.vertexCount = cursor.U();
    if (!cursor.ok || !cursor.Has(3ull * geometry.vertexCount + 1)) return E_FAIL;
    geometry.positions = cursor.p;
    cursor.p += 3ull * geometry.vertexCount;
    geometry.polygonCount = cursor.U();
    if (!cursor.ok || !cursor.Has(geometry.polygonCount)) return E_FAIL;
    geometry.polygons = cursor.p;
    return S_OK;
}

// Checks every polygon against the lists' ends and the vertex count, and
// counts corners and triangles, in all and per material.
HRESULT CountPolygons(const XDocument& document, const XObject& mesh, const std::vector<DWORD>& faceMaterials,
                      Geometry& geometry, std::vector<size_t>& trianglesOf)
{
    ValueCursor cursor(document, mesh);
    cursor.p = geometry.polygons;
    for (uint32_t f = 0; f < geometry.polygonCount; ++f) {
        const uint32_t size = cursor.U();
        if (!cursor.ok || size < 3 || !cursor.Has(size)) return E_FAIL;
        if (HighestIndex(cursor.p, size) >= geometry.vertexCount) return E_FAIL;
        cursor.p += size;
        geometry.cornerCount += size;
        geometry.triangleCount += size - 2;
        trianglesOf[faceMaterials.empty() ? 0 : faceMaterials[f]] += size - 2;
    }
    return S_OK;
}

// A Material's colors and power, as D3DX fills them in.
D3DMATERIAL9 MaterialValues(ValueCursor& cursor)
{
    D3DMATERIAL9 out{};
    out.Diffuse.r = cursor.F();
    out.Diffuse.g = cursor.F();
    out.Diffuse.b = cursor.F();
    out.Diffuse.a = cursor.F();
    out.Power = cursor.F();
    out.Specular.r = cursor.F();
    out.Specular.g = cursor.F();
    out.Specular.b = cursor.F();
    out.Specular.a = 1.0f;
    out.Emissive.r = cursor.F();
    out.Emissive.g = cursor.F();
    out.Emissive.b = cursor.F();
    out.Emissive.a = 1.0f;
    out.Ambient = {0.0f, 0.0f, 0.0f, 1.0f};
    return out;
}

HRESULT ReadMaterial(const XDocument& document, const XObject& object, MeshBudget& budget, XMaterial& material)
{
    if (object.valueEnd - object.valueBegin != 11) return E_FAIL;
    ValueCursor cursor(document, object);
    material.material = MaterialValues(cursor);
    for (uint32_t child = object.firstChild; child != kNoObject; child = document.objects[child].nextSibling) {
        if (!budget.Visit()) return E_OUTOFMEMORY;
        const XObject& resolved = Resolved(document, child);
        if (resolved.kind != XKind::TextureFilename) continue;
        if (resolved.valueEnd - resolved.valueBegin != 1) return E_FAIL;
        const uint32_t slot = document.values[resolved.valueBegin];
        if (slot >= document.strings.size()) return E_FAIL;
        const std::string_view name = document.strings[slot];
        // The name ends at its first zero byte, as a C string would.
        const size_t length = static_cast<size_t>(std::find(name.begin(), name.end(), '\0') - name.begin());
        budget.materialBytes += length + 1;
        if (budget.materialBytes > kMaxXMaterialBytes) return E_OUTOFMEMORY;
        material.texture.assign(name.data(), length);
        material.hasTexture = true;
    }
    return S_OK;
}

// The materials of a MeshMaterialList and the material of each face.
HRESULT ReadMaterialList(const XDocument& document, const XObject& object, uint32_t faceCount, MeshBudget& budget,
                         std::vector<XMaterial>& materials, std::vector<DWORD>& faceMaterials)
{
    materials.clear();
    faceMaterials.clear();
    ValueCursor cursor(document, object);
    const uint32_t materialCount = cursor.U();
    if (!cursor.ok) return E_FAIL;
    if (materialCount == 0) return S_OK;
    const uint32_t indexCount = cursor.U();
    if (!cursor.ok || !cursor.Has(indexCount)) return E_FAIL;
    // A list shorter than the faces repeats its last entry.
    faceMaterials.resize(faceCount);
    for (uint32_t f = 0; f < faceCount; ++f) {
        DWORD material = 0;
        if (f < indexCount) {
            material = cursor.p[f];
        } else if (indexCount > 0) {
            material = cursor.p[indexCount - 1];
        }
        if (material >= materialCount) return E_FAIL;
        faceMaterials[f] = material;
    }
    for (uint32_t child = object.firstChild; child != kNoObject; child = document.objects[child].nextSibling) {
        if (!budget.Visit()) return E_OUTOFMEMORY;
        const XObject& resolved = Resolved(document, child);
        if (resolved.kind != XKind::Material) continue;
        if (materials.size() >= materialCount) return E_FAIL;
        budget.materialBytes += sizeof(D3DXMATERIAL);
        if (budget.materialBytes > kMaxXMaterialBytes) return E_OUTOFMEMORY;
        materials.emplace_back();
        const HRESULT read = ReadMaterial(document, resolved, budget, materials.back());
        if (FAILED(read)) return read;
    }
    return materials.size() == materialCount ? S_OK : E_FAIL;
}

// What a mesh gives beyond positions.
struct Channels {
    std::vector<D3DXVECTOR3> normals;         // normalised
    const uint32_t* normalPolygons = nullptr; // laid out as the polygons, indexing `normals`
    const uint32_t* texcoords = nullptr;      // two per vertex
    std::vector<D3DCOLOR> colors;             // one per vertex, or none
};

// The normals and their polygons, which must match the mesh's polygon for
// polygon in size.
HRESULT ReadNormals(const XDocument& document, const XObject& object, const Geometry& geometry, Channels& channels)
{
    ValueCursor cursor(document, object);
    const uint32_t normalCount = cursor.U();
    if (!cursor.ok || !cursor.Has(3ull * normalCount + 1)) return E_FAIL;
    channels.normals.resize(normalCount);
    for (D3DXVECTOR3& normal : channels.normals) {
        normal.x = cursor.F();
        normal.y = cursor.F();
        normal.z = cursor.F();
        D3DXVec3Normalize(&normal, &normal);
    }
    if (cursor.U() != geometry.polygonCount) return E_FAIL;
    channels.normalPolygons = cursor.p;
    const uint32_t* polygon = geometry.polygons;
    for (uint32_t f = 0; f < geometry.polygonCount; ++f) {
        const uint32_t size = cursor.U();
        if (!cursor.ok || size != polygon[0] || !cursor.Has(size)) return E_FAIL;
        if (HighestIndex(cursor.p, size) >= normalCount) return E_FAIL;
        cursor.p += size;
        polygon += size + 1;
    }
    return S_OK;
}

BYTE ColorByte(float value)
{
    value = std::min(1.0f, std::max(0.0f, value));
    return static_cast<BYTE>(value * 255.0f + 0.5f);
}

HRESULT ReadChannels(const XDocument& document, const XObject& mesh, const Geometry& geometry, MeshBudget& budget,
                     Channels& channels)
{
    const uint32_t vertexCount = geometry.vertexCount;
    for (uint32_t child = mesh.firstChild; child != kNoObject; child = document.objects[child].nextSibling) {
        if (!budget.Visit()) return E_OUTOFMEMORY;
        const XObject& resolved = Resolved(document, child);
        switch (resolved.kind) {
        case XKind::MeshNormals: {
            const HRESULT read = ReadNormals(document, resolved, geometry, channels);
            if (FAILED(read)) return read;
            break;
        }
        case XKind::MeshTextureCoords: {
            ValueCursor cursor(document, resolved);
            const uint32_t count = cursor.U();
            if (!cursor.ok || count != vertexCount || !cursor.Has(2ull * count)) return E_FAIL;
            channels.texcoords = cursor.p;
            break;
        }
        case XKind::MeshVertexColors: {
            ValueCursor cursor(document, resolved);
            const uint32_t count = cursor.U();
            if (!cursor.ok || !cursor.Has(5ull * count)) return E_FAIL;
            channels.colors.assign(vertexCount, kDefaultVertexColor);
            for (uint32_t k = 0; k < count; ++k) {
                const uint32_t index = cursor.U();
                const float r = cursor.F(), g = cursor.F(), b = cursor.F(), a = cursor.F();
                if (index >= vertexCount) return E_FAIL;
                channels.colors[index] = D3DCOLOR_ARGB(ColorByte(a), ColorByte(r), ColorByte(g), ColorByte(b));
            }
            break;
        }
        default: break;
        }
    }
    return S_OK;
}

// One output vertex per (vertex, distinct normal): D3DX duplicates a vertex
// used with different normals, appending the copies after the file's vertices.
// Normals are told apart by value (+0 and -0 alike; one holding a NaN equals
// none, not even itself). Each look-up costs the same however many normals
// a vertex is used with.
class NormalSplit {
public:
    // At most `maxCopies` copies: OutputVertex gives kNone past them.
    NormalSplit(const Channels& channels, uint32_t vertexCount, size_t maxCopies)
        : normals(channels.normals), copyLimit(maxCopies)
    {
        if (channels.normalPolygons == nullptr) return;
        normalOf.assign(vertexCount, kNone);
    }

    // The output vertex for file vertex `vertex` with normal `normal`: the
    // vertex itself the first time, then the copy that has this normal;
    // kNone when a new copy would pass the limit.
    uint32_t OutputVertex(uint32_t vertex, uint32_t normal)
    {
        const uint32_t first = normalOf[vertex];
        if (first == kNone) {
            normalOf[vertex] = normal;
            return vertex;
        }
        if (first == normal && !HasNaN(normals[normal])) return vertex;
        if (normals[first] == normals[normal]) return vertex;
        const bool comparable = !HasNaN(normals[normal]);
        Slot* slot = nullptr;
        if (comparable) {
            slot = &Find(vertex, normals[normal]);
            if (slot->copy != kNone) return slot->copy;
        }
        if (source.size() >= copyLimit) return kNone;
        const uint32_t copy = static_cast<uint32_t>(normalOf.size());
        normalOf.push_back(normal);
        source.push_back(vertex);
        if (slot != nullptr) {
            *slot = Slot{vertex, KeyOf(normals[normal]), copy};
            if (++used * 2 > slots.size()) Grow();
        }
        return copy;
    }

    size_t Copies() const { return source.size(); }
    uint32_t SourceOf(size_t copy) const { return source[copy]; }
    // The normal of an output vertex, or kNone.
    uint32_t NormalOf(size_t output) const { return normalOf.empty() ? kNone : normalOf[output]; }

private:
    using NormalKey = std::array<uint32_t, 3>;
    struct Slot {
        uint32_t vertex = 0;
        NormalKey normal{};
        uint32_t copy = kNone; // kNone: empty
    };

    static bool HasNaN(const D3DXVECTOR3& n) { return std::isnan(n.x) || std::isnan(n.y) || std::isnan(n.z); }

    static NormalKey KeyOf(const D3DXVECTOR3& n)
    {
        // +0 and -0 are one value.
        return {FloatSlot(n.x == 0.0f ? 0.0f : n.x), FloatSlot(n.y == 0.0f ? 0.0f : n.y),
                FloatSlot(n.z == 0.0f ? 0.0f : n.z)};
    }

    static size_t HashOf(uint32_t vertex, const NormalKey& key)
    {
        return KeyedHash(KeyedHash((uint64_t{key[0]} << 32) | key[1]) ^ (uint64_t{key[2]} << 32) ^ vertex);
    }

    // The copies of vertices by (vertex, normal), open addressing; the slot
    // holding the pair, or the empty one where it goes.
    Slot& Find(uint32_t vertex, const D3DXVECTOR3& normal)
    {
        if (slots.empty()) slots.resize(64);
        const NormalKey key = KeyOf(normal);
        const size_t mask = slots.size() - 1;
        for (size_t i = HashOf(vertex, key) & mask;; i = (i + 1) & mask) {
            Slot& slot = slots[i];
            if (slot.copy == kNone || (slot.vertex == vertex && slot.normal == key)) return slot;
        }
    }

    void Grow()
    {
        std::vector<Slot> old(slots.size() * 2);
        old.swap(slots);
        const size_t mask = slots.size() - 1;
        for (const Slot& entry : old) {
            if (entry.copy == kNone) continue;
            size_t i = HashOf(entry.vertex, entry.normal) & mask;
            while (slots[i].copy != kNone) i = (i + 1) & mask;
            slots[i] = entry;
        }
    }

    const std::vector<D3DXVECTOR3>& normals;
    std::vector<uint32_t> normalOf;
    std::vector<uint32_t> source; // the file's vertex of each copy
    std::vector<Slot> slots;
    size_t used = 0;
    size_t copyLimit;
};

// Each polygon as a fan from its first corner, written where its material's
// triangles go. False when the vertices' copies pass the limit.
bool WriteTriangles(const Geometry& geometry, const std::vector<DWORD>& faceMaterials, const Channels& channels,
                    size_t base, std::vector<size_t>& nextOf, NormalSplit& split, MeshData& out)
{
    const bool hasNormals = channels.normalPolygons != nullptr;
    std::vector<uint32_t> faceCorners;
    const uint32_t* polygon = geometry.polygons;
    const uint32_t* normalPolygon = channels.normalPolygons;
    for (uint32_t f = 0; f < geometry.polygonCount; ++f) {
        const uint32_t size = polygon[0];
        const uint32_t* vertices = polygon + 1;
        faceCorners.resize(size);
        if (hasNormals) {
            const uint32_t* normalIndices = normalPolygon + 1;
            for (uint32_t j = 0; j < size; ++j) {
                faceCorners[j] = split.OutputVertex(vertices[j], normalIndices[j]);
                if (faceCorners[j] == kNone) return false;
            }
            normalPolygon += size + 1;
        } else {
            for (uint32_t j = 0; j < size; ++j) faceCorners[j] = vertices[j];
        }
        const DWORD material = faceMaterials.empty() ? 0 : faceMaterials[f];
        size_t& next = nextOf[material];
        const uint32_t first = static_cast<uint32_t>(base + faceCorners[0]);
        for (uint32_t j = 1; j + 1 < size; ++j, ++next) {
            uint32_t* triangle = out.indices.data() + 3 * next;
            triangle[0] = first;
            triangle[1] = static_cast<uint32_t>(base + faceCorners[j]);
            triangle[2] = static_cast<uint32_t>(base + faceCorners[j + 1]);
            out.attributes[next] = material;
        }
        polygon += size + 1;
    }
    return true;
}

void WriteVertices(const Geometry& geometry, const Channels& channels, const NormalSplit& split, size_t base,
                   size_t outputVertices, MeshData& out)
{
    for (size_t k = 0; k < outputVertices; ++k) {
        const uint32_t original =
            k < geometry.vertexCount ? static_cast<uint32_t>(k) : split.SourceOf(k - geometry.vertexCount);
        MeshVertex& vertex = out.vertices[base + k];
        vertex.position[0] = SlotFloat(geometry.positions[3 * original]);
        vertex.position[1] = SlotFloat(geometry.positions[3 * original + 1]);
        vertex.position[2] = SlotFloat(geometry.positions[3 * original + 2]);
        const uint32_t normal = split.NormalOf(k);
        if (normal != kNone) {
            vertex.normal[0] = channels.normals[normal].x;
            vertex.normal[1] = channels.normals[normal].y;
            vertex.normal[2] = channels.normals[normal].z;
        }
        if (channels.texcoords != nullptr) {
            vertex.texcoord[0] = SlotFloat(channels.texcoords[2 * original]);
            vertex.texcoord[1] = SlotFloat(channels.texcoords[2 * original + 1]);
        }
        vertex.diffuse = channels.colors.empty() ? kDefaultVertexColor : channels.colors[original];
    }
}

// Frames often carry an identity matrix; it leaves the vertices untouched,
// normals included (renormalising them would move their last bits).
bool IsIdentity(const D3DXMATRIX& m)
{
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    return m == identity;
}

// The matrix that carries normals along with `m`: the inverse transpose of its 3x3 part.
void NormalMatrix(const D3DXMATRIX& m, float out[3][3])
{
    const float a = m._11, b = m._12, c = m._13;
    const float d = m._21, e = m._22, f = m._23;
    const float g = m._31, h = m._32, i = m._33;
    const float cofactor[3][3] = {
        {e * i - f * h, f * g - d * i, d * h - e * g},
        {c * h - b * i, a * i - c * g, b * g - a * h},
        {b * f - c * e, c * d - a * f, a * e - b * d},
    };
    const float determinant = a * cofactor[0][0] + b * cofactor[0][1] + c * cofactor[0][2];
    if (determinant == 0.0f || !std::isfinite(determinant)) {
        const float plain[3][3] = {{a, b, c}, {d, e, f}, {g, h, i}};
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < 3; ++k) out[r][k] = plain[r][k];
        return;
    }
    // Row vectors: n' = n * inverse(M)^T, and inverse(M)^T = cofactor(M) / det.
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k) out[r][k] = cofactor[r][k] / determinant;
}

void TransformVertices(const D3DXMATRIX& matrix, bool hasNormals, MeshVertex* vertices, size_t count)
{
    float normalMatrix[3][3];
    if (hasNormals) NormalMatrix(matrix, normalMatrix);
    for (size_t k = 0; k < count; ++k) {
        MeshVertex& vertex = vertices[k];
        D3DXVECTOR3 position(vertex.position[0], vertex.position[1], vertex.position[2]);
        D3DXVec3TransformCoord(&position, &position, &matrix);
        vertex.position[0] = position.x;
        vertex.position[1] = position.y;
        vertex.position[2] = position.z;
        if (!hasNormals) continue;
        const float* n = vertex.normal;
        D3DXVECTOR3 normal(n[0] * normalMatrix[0][0] + n[1] * normalMatrix[1][0] + n[2] * normalMatrix[2][0],
                           n[0] * normalMatrix[0][1] + n[1] * normalMatrix[1][1] + n[2] * normalMatrix[2][1],
                           n[0] * normalMatrix[0][2] + n[1] * normalMatrix[1][2] + n[2] * normalMatrix[2][2]);
        D3DXVec3Normalize(&normal, &normal);
        vertex.normal[0] = normal.x;
        vertex.normal[1] = normal.y;
        vertex.normal[2] = normal.z;
    }
}
} // namespace

HRESULT BuildMeshPart(const XDocument& document, const MeshPart& part, bool withMaterials, MeshBudget& budget,
                      MeshData& out, PartOutput& output, DWORD& fvf)
{
    const XObject& mesh = document.objects[part.mesh];
    Geometry geometry;
    HRESULT step = ReadGeometry(document, mesh, geometry);
    if (FAILED(step)) return step;

    // The material of each polygon first: the triangles go straight to their
    // place in attribute order.
    std::vector<XMaterial> materials;
    std::vector<DWORD> faceMaterials;
    if (withMaterials) {
        for (uint32_t child = mesh.firstChild; child != kNoObject; child = document.objects[child].nextSibling) {
            if (!budget.Visit()) return E_OUTOFMEMORY;
            const XObject& resolved = Resolved(document, child);
            if (resolved.kind != XKind::MeshMaterialList) continue;
            step = ReadMaterialList(document, resolved, geometry.polygonCount, budget, materials, faceMaterials);
            if (FAILED(step)) return step;
        }
    }
    std::vector<size_t> trianglesOf(faceMaterials.empty() ? 1 : materials.size(), 0);
    step = CountPolygons(document, mesh, faceMaterials, geometry, trianglesOf);
    if (FAILED(step)) return step;
    Channels channels;
    step = ReadChannels(document, mesh, geometry, budget, channels);
    if (FAILED(step)) return step;

    if (geometry.vertexCount == 0) return S_OK; // D3DX leaves such a mesh out
    if (geometry.triangleCount == 0) return D3DERR_INVALIDCALL;
    const size_t vertexCount = geometry.vertexCount;
    const size_t triangleCount = geometry.triangleCount;
    if (out.vertices.size() + vertexCount + geometry.cornerCount > budget.maxElements
        || out.attributes.size() + triangleCount > budget.maxElements
        || out.vertices.size() + vertexCount > kMaxXMeshVertices
        || out.attributes.size() + triangleCount > kMaxXMeshFaces) {
        return E_OUTOFMEMORY;
    }

    const size_t base = out.vertices.size();
    const size_t firstFace = out.attributes.size();
    ReserveHuge(out.indices, 3 * (firstFace + triangleCount), 3 * kMaxXMeshFaces);
    ReserveHuge(out.attributes, firstFace + triangleCount, kMaxXMeshFaces);
    out.indices.resize(3 * (firstFace + triangleCount));
    out.attributes.resize(firstFace + triangleCount);
    // Where the next triangle of each material goes.
    std::vector<size_t> nextOf(trianglesOf.size());
    for (size_t m = 0, start = firstFace; m < trianglesOf.size(); start += trianglesOf[m++]) nextOf[m] = start;
    // The copies are counted as they are made: a file cannot have them pass
    // the vertex limit before it is found out.
    NormalSplit split(channels, geometry.vertexCount, kMaxXMeshVertices - base - vertexCount);
    if (!WriteTriangles(geometry, faceMaterials, channels, base, nextOf, split, out)) return E_OUTOFMEMORY;

    const size_t outputVertices = vertexCount + split.Copies();
    ReserveHuge(out.vertices, base + outputVertices, kMaxXMeshVertices);
    out.vertices.resize(base + outputVertices);
    WriteVertices(geometry, channels, split, base, outputVertices, out);
    const bool hasNormals = channels.normalPolygons != nullptr;
    if (!part.identity && !IsIdentity(part.transform)) {
        TransformVertices(part.transform, hasNormals, out.vertices.data() + base, outputVertices);
    }

    output.faceStart = firstFace;
    output.faceCount = triangleCount;
    output.materials = std::move(materials);
    fvf |= D3DFVF_XYZ;
    if (hasNormals) fvf |= D3DFVF_NORMAL;
    if (!channels.colors.empty()) fvf |= D3DFVF_DIFFUSE;
    if (channels.texcoords != nullptr) fvf |= D3DFVF_TEX1;
    return S_OK;
}

} // namespace portable
