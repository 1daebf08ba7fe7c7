#include "platform/portable/d3dx/xfile/mesh_builder.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "platform/portable/d3dx/math.h"
#include "platform/portable/d3dx/xfile/huge_pages.h"
#include "platform/portable/d3dx/xfile/limits.h"
#include "platform/portable/d3dx/xfile/parser.h"

namespace {
constexpr uint32_t kNone = 0xffffffffu;
constexpr D3DCOLOR kDefaultVertexColor = D3DCOLOR_ARGB(0, 0xff, 0xff, 0xff);

// Reads the value slots of one object, never past its end.
struct Cursor {
    const uint32_t* p;
    const uint32_t* end;
    bool ok = true;

    Cursor(const XDocument& document, const XObject& object)
        : p(document.values.data() + object.valueBegin), end(document.values.data() + object.valueEnd)
    {
    }
    size_t Left() const { return static_cast<size_t>(end - p); }
    bool Has(uint64_t count) const { return count <= Left(); }
    uint32_t U()
    {
        if (p >= end) {
            ok = false;
            return 0;
        }
        return *p++;
    }
    float F() { return SlotFloat(U()); }
};

const XObject& Resolved(const XDocument& document, uint32_t index)
{
    const XObject& object = document.objects[index];
    return object.isReference ? document.objects[object.target] : object;
}

uint32_t ResolvedIndex(const XDocument& document, uint32_t index)
{
    const XObject& object = document.objects[index];
    return object.isReference ? object.target : index;
}

// The largest of a polygon's `size` indices; most polygons are triangles.
[[gnu::always_inline]] inline uint32_t HighestIndex(const uint32_t* indices, uint32_t size)
{
    if (size == 3) return std::max(indices[0], std::max(indices[1], indices[2]));
    uint32_t highest = 0;
    for (uint32_t j = 0; j < size; ++j) highest = std::max(highest, indices[j]);
    return highest;
}

struct Part {
    uint32_t mesh;
    D3DXMATRIX transform;
    bool identity;
};

struct PartOutput {
    size_t faceStart = 0;
    size_t faceCount = 0;
    std::vector<XMaterial> materials;
};

D3DMATERIAL9 DefaultMaterial()
{
    D3DMATERIAL9 material{};
    material.Diffuse = {0.5f, 0.5f, 0.5f, 0.0f};
    material.Specular = {0.5f, 0.5f, 0.5f, 0.0f};
    return material;
}

BYTE ColorByte(float value)
{
    value = std::min(1.0f, std::max(0.0f, value));
    return static_cast<BYTE>(value * 255.0f + 0.5f);
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

struct Builder {
    const XDocument& document;
    bool withMaterials;
    XMeshResult& result;
    // Vertices and corners, and faces, that the mesh may have for the size
    // of the file: references may place a mesh many times, not without end.
    size_t maxElements;
    std::vector<Part> parts;
    std::vector<uint8_t> visiting;
    size_t frameVisits = 0;
    size_t materialBytes = 0; // of the materials buffer, records and texture names
    HRESULT failure = E_FAIL;

    bool Fail(HRESULT code)
    {
        failure = code;
        return false;
    }

    bool ReadMatrix(const XObject& object, D3DXMATRIX& matrix)
    {
        if (object.valueEnd - object.valueBegin != 16) return Fail(E_FAIL);
        Cursor cursor(document, object);
        for (int r = 0; r < 4; ++r)
            for (int k = 0; k < 4; ++k) matrix.m[r][k] = cursor.F();
        return true;
    }

    bool AddPart(uint32_t mesh, const D3DXMATRIX& transform, bool identity)
    {
        if (parts.size() >= kMaxXMeshParts) return Fail(E_OUTOFMEMORY);
        parts.push_back(Part{mesh, transform, identity});
        return true;
    }

    bool CollectFrame(uint32_t frame, const D3DXMATRIX& parent, bool parentIdentity, unsigned depth)
    {
        if (depth >= kMaxXObjectDepth || visiting[frame] != 0) return Fail(E_FAIL);
        if (++frameVisits > kMaxXFrameVisits) return Fail(E_OUTOFMEMORY);
        visiting[frame] = 1;
        D3DXMATRIX world = parent;
        bool identity = parentIdentity;
        const XObject& object = document.objects[frame];
        // The frame's own matrix places everything in it, wherever it stands among the children.
        for (uint32_t child = object.firstChild; child != kNoObject; child = document.objects[child].nextSibling) {
            const XObject& resolved = Resolved(document, child);
            if (resolved.kind != XKind::FrameTransformMatrix) continue;
            D3DXMATRIX local;
            if (!ReadMatrix(resolved, local)) return false;
            D3DXMatrixMultiply(&world, &local, &world);
            identity = false;
        }
        for (uint32_t child = object.firstChild; child != kNoObject; child = document.objects[child].nextSibling) {
            const uint32_t index = ResolvedIndex(document, child);
            const XKind kind = document.objects[index].kind;
            if (kind == XKind::Mesh) {
                if (!AddPart(index, world, identity)) return false;
            } else if (kind == XKind::Frame) {
                if (!CollectFrame(index, world, identity, depth + 1)) return false;
            }
        }
        visiting[frame] = 0;
        return true;
    }

    bool Collect()
    {
        visiting.assign(document.objects.size(), 0);
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        for (uint32_t index : document.topLevel) {
            const XKind kind = document.objects[index].kind;
            if (kind == XKind::Mesh) {
                if (!AddPart(index, identity, true)) return false;
            } else if (kind == XKind::Frame) {
                if (!CollectFrame(index, identity, true, 0)) return false;
            }
        }
        return true;
    }

    bool ParseMaterial(const XObject& object, XMaterial& material)
    {
        if (object.valueEnd - object.valueBegin != 11) return Fail(E_FAIL);
        Cursor cursor(document, object);
        D3DMATERIAL9& out = material.material;
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
        for (uint32_t child = object.firstChild; child != kNoObject; child = document.objects[child].nextSibling) {
            const XObject& resolved = Resolved(document, child);
            if (resolved.kind != XKind::TextureFilename) continue;
            if (resolved.valueEnd - resolved.valueBegin != 1) return Fail(E_FAIL);
            const uint32_t slot = document.values[resolved.valueBegin];
            if (slot >= document.strings.size()) return Fail(E_FAIL);
            const std::string_view name = document.strings[slot];
            // The name ends at its first zero byte, as a C string would.
            const size_t length = static_cast<size_t>(std::find(name.begin(), name.end(), '\0') - name.begin());
            materialBytes += length + 1;
            if (materialBytes > kMaxXMaterialBytes) return Fail(E_OUTOFMEMORY);
            material.texture.assign(name.data(), length);
            material.hasTexture = true;
        }
        return true;
    }

    bool ParseMaterialList(const XObject& object, uint32_t faceCount, std::vector<XMaterial>& materials,
                           std::vector<DWORD>& faceMaterials)
    {
        materials.clear();
        faceMaterials.clear();
        Cursor cursor(document, object);
        const uint32_t materialCount = cursor.U();
        if (!cursor.ok) return Fail(E_FAIL);
        if (materialCount == 0) return true;
        const uint32_t indexCount = cursor.U();
        if (!cursor.ok || !cursor.Has(indexCount)) return Fail(E_FAIL);
        // A list shorter than the faces repeats its last entry.
        faceMaterials.resize(faceCount);
        for (uint32_t f = 0; f < faceCount; ++f) {
            DWORD material = 0;
            if (f < indexCount) {
                material = cursor.p[f];
            } else if (indexCount > 0) {
                material = cursor.p[indexCount - 1];
            }
            if (material >= materialCount) return Fail(E_FAIL);
            faceMaterials[f] = material;
        }
        for (uint32_t child = object.firstChild; child != kNoObject; child = document.objects[child].nextSibling) {
            const XObject& resolved = Resolved(document, child);
            if (resolved.kind != XKind::Material) continue;
            if (materials.size() >= materialCount) return Fail(E_FAIL);
            materialBytes += sizeof(D3DXMATERIAL);
            if (materialBytes > kMaxXMaterialBytes) return Fail(E_OUTOFMEMORY);
            materials.emplace_back();
            if (!ParseMaterial(resolved, materials.back())) return false;
        }
        if (materials.size() != materialCount) return Fail(E_FAIL);
        return true;
    }

    bool BuildPart(const Part& part, PartOutput& output, DWORD& fvf)
    {
        const XObject& mesh = document.objects[part.mesh];
        Cursor cursor(document, mesh);
        const uint32_t vertexCount = cursor.U();
        if (!cursor.ok || !cursor.Has(3ull * vertexCount + 1)) return Fail(E_FAIL);
        const uint32_t* positions = cursor.p;
        cursor.p += 3ull * vertexCount;
        const uint32_t polygonCount = cursor.U();
        if (!cursor.ok || !cursor.Has(polygonCount)) return Fail(E_FAIL);

        // The material of each polygon first: the triangles go straight to
        // their place in attribute order.
        std::vector<XMaterial> materials;
        std::vector<DWORD> faceMaterials;
        if (withMaterials) {
            for (uint32_t child = mesh.firstChild; child != kNoObject;
                 child = document.objects[child].nextSibling) {
                const XObject& resolved = Resolved(document, child);
                if (resolved.kind != XKind::MeshMaterialList) continue;
                if (!ParseMaterialList(resolved, polygonCount, materials, faceMaterials)) return false;
            }
        }
        std::vector<size_t> trianglesOf(faceMaterials.empty() ? 1 : materials.size(), 0);

        // Each polygon: its size, then its vertex indices.
        const uint32_t* polygons = cursor.p;
        size_t cornerCount = 0;
        size_t triangleCount = 0;
        for (uint32_t f = 0; f < polygonCount; ++f) {
            const uint32_t size = cursor.U();
            if (!cursor.ok || size < 3 || !cursor.Has(size)) return Fail(E_FAIL);
            if (HighestIndex(cursor.p, size) >= vertexCount) return Fail(E_FAIL);
            cursor.p += size;
            cornerCount += size;
            triangleCount += size - 2;
            trianglesOf[faceMaterials.empty() ? 0 : faceMaterials[f]] += size - 2;
        }

        std::vector<D3DXVECTOR3> normals;
        const uint32_t* normalPolygons = nullptr; // laid out as `polygons`, indexing `normals`
        const uint32_t* texcoords = nullptr;
        std::vector<D3DCOLOR> colors;

        for (uint32_t child = mesh.firstChild; child != kNoObject; child = document.objects[child].nextSibling) {
            const XObject& resolved = Resolved(document, child);
            switch (resolved.kind) {
            case XKind::MeshNormals:
                if (!ReadNormals(resolved, polygons, polygonCount, normals, normalPolygons)) return false;
                break;
            case XKind::MeshTextureCoords: {
                Cursor texCursor(document, resolved);
                const uint32_t count = texCursor.U();
                if (!texCursor.ok || count != vertexCount || !texCursor.Has(2ull * count)) return Fail(E_FAIL);
                texcoords = texCursor.p;
                break;
            }
            case XKind::MeshVertexColors: {
                Cursor colorCursor(document, resolved);
                const uint32_t count = colorCursor.U();
                if (!colorCursor.ok || !colorCursor.Has(5ull * count)) return Fail(E_FAIL);
                colors.assign(vertexCount, kDefaultVertexColor);
                for (uint32_t k = 0; k < count; ++k) {
                    const uint32_t index = colorCursor.U();
                    const float r = colorCursor.F(), g = colorCursor.F(), b = colorCursor.F(), a = colorCursor.F();
                    if (index >= vertexCount) return Fail(E_FAIL);
                    colors[index] = D3DCOLOR_ARGB(ColorByte(a), ColorByte(r), ColorByte(g), ColorByte(b));
                }
                break;
            }
            default:
                break;
            }
        }

        if (vertexCount == 0) return true; // D3DX leaves such a mesh out
        if (triangleCount == 0) return Fail(D3DERR_INVALIDCALL);

        PortableMeshData& out = result.mesh;
        if (out.vertices.size() + vertexCount + cornerCount > maxElements
            || out.attributes.size() + triangleCount > maxElements
            || out.vertices.size() + vertexCount > kMaxXMeshVertices
            || out.attributes.size() + triangleCount > kMaxXMeshFaces) {
            return Fail(E_OUTOFMEMORY);
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

        // One output vertex per (vertex, distinct normal): D3DX duplicates a
        // vertex used with different normals, appending the copies.
        const bool hasNormals = normalPolygons != nullptr;
        std::vector<uint32_t> normalOf;
        std::vector<uint32_t> nextCopy;
        std::vector<uint32_t> source; // the file's vertex of each copy
        if (hasNormals) {
            normalOf.assign(vertexCount, kNone);
            nextCopy.assign(vertexCount, kNone);
        }
        // A normal equals itself unless it holds a NaN.
        const bool normalsComparable = std::none_of(normals.begin(), normals.end(), [](const D3DXVECTOR3& n) {
            return std::isnan(n.x) || std::isnan(n.y) || std::isnan(n.z);
        });
        std::vector<uint32_t> faceCorners;
        const uint32_t* polygon = polygons;
        const uint32_t* normalPolygon = normalPolygons;
        for (uint32_t f = 0; f < polygonCount; ++f) {
            const uint32_t size = polygon[0];
            const uint32_t* vertices = polygon + 1;
            faceCorners.resize(size);
            if (hasNormals) {
                const uint32_t* normalIndices = normalPolygon + 1;
                for (uint32_t j = 0; j < size; ++j) {
                    faceCorners[j] = OutputVertex(vertices[j], normalIndices[j], normals, normalsComparable,
                                                  normalOf, nextCopy, source);
                }
                normalPolygon += size + 1;
            } else {
                for (uint32_t j = 0; j < size; ++j) faceCorners[j] = vertices[j];
            }
            // A fan from the first corner.
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

        const size_t outputVertices = vertexCount + source.size();
        if (base + outputVertices > kMaxXMeshVertices) return Fail(E_OUTOFMEMORY);
        ReserveHuge(out.vertices, base + outputVertices, kMaxXMeshVertices);
        out.vertices.resize(base + outputVertices);
        for (size_t k = 0; k < outputVertices; ++k) {
            const uint32_t original = k < vertexCount ? static_cast<uint32_t>(k) : source[k - vertexCount];
            MeshVertex& vertex = out.vertices[base + k];
            vertex.position[0] = SlotFloat(positions[3 * original]);
            vertex.position[1] = SlotFloat(positions[3 * original + 1]);
            vertex.position[2] = SlotFloat(positions[3 * original + 2]);
            if (hasNormals && normalOf[k] != kNone) {
                const D3DXVECTOR3& normal = normals[normalOf[k]];
                vertex.normal[0] = normal.x;
                vertex.normal[1] = normal.y;
                vertex.normal[2] = normal.z;
            }
            if (texcoords != nullptr) {
                vertex.texcoord[0] = SlotFloat(texcoords[2 * original]);
                vertex.texcoord[1] = SlotFloat(texcoords[2 * original + 1]);
            }
            vertex.diffuse = colors.empty() ? kDefaultVertexColor : colors[original];
        }
        if (!part.identity && !IsIdentity(part.transform)) Transform(part.transform, base, outputVertices, hasNormals);

        output.faceStart = firstFace;
        output.faceCount = triangleCount;
        output.materials = std::move(materials);

        fvf |= D3DFVF_XYZ;
        if (hasNormals) fvf |= D3DFVF_NORMAL;
        if (!colors.empty()) fvf |= D3DFVF_DIFFUSE;
        if (texcoords != nullptr) fvf |= D3DFVF_TEX1;
        return true;
    }

    // The normals, normalised, and their polygons, which must match the mesh's
    // polygon for polygon in size.
    bool ReadNormals(const XObject& object, const uint32_t* polygons, uint32_t polygonCount,
                     std::vector<D3DXVECTOR3>& normals, const uint32_t*& normalPolygons)
    {
        Cursor cursor(document, object);
        const uint32_t normalCount = cursor.U();
        if (!cursor.ok || !cursor.Has(3ull * normalCount + 1)) return Fail(E_FAIL);
        normals.resize(normalCount);
        for (D3DXVECTOR3& normal : normals) {
            normal.x = cursor.F();
            normal.y = cursor.F();
            normal.z = cursor.F();
            D3DXVec3Normalize(&normal, &normal);
        }
        if (cursor.U() != polygonCount) return Fail(E_FAIL);
        normalPolygons = cursor.p;
        const uint32_t* polygon = polygons;
        for (uint32_t f = 0; f < polygonCount; ++f) {
            const uint32_t size = cursor.U();
            if (!cursor.ok || size != polygon[0] || !cursor.Has(size)) return Fail(E_FAIL);
            if (HighestIndex(cursor.p, size) >= normalCount) return Fail(E_FAIL);
            cursor.p += size;
            polygon += size + 1;
        }
        return true;
    }

    // The output vertex for file vertex `vertex` with normal `normal`: the
    // vertex itself the first time, then the copy that has this normal.
    // `comparable` says no normal holds a NaN, so one index is one normal.
    static uint32_t OutputVertex(uint32_t vertex, uint32_t normal, const std::vector<D3DXVECTOR3>& normals,
                                 bool comparable, std::vector<uint32_t>& normalOf, std::vector<uint32_t>& nextCopy,
                                 std::vector<uint32_t>& source)
    {
        if (normalOf[vertex] == kNone) {
            normalOf[vertex] = normal;
            return vertex;
        }
        uint32_t current = vertex;
        for (;;) {
            if ((comparable && normalOf[current] == normal) || normals[normalOf[current]] == normals[normal]) {
                return current;
            }
            if (nextCopy[current] == kNone) {
                const uint32_t copy = static_cast<uint32_t>(normalOf.size());
                normalOf.push_back(normal);
                nextCopy.push_back(kNone);
                source.push_back(vertex);
                nextCopy[current] = copy;
                return copy;
            }
            current = nextCopy[current];
        }
    }

    void Transform(const D3DXMATRIX& matrix, size_t start, size_t count, bool hasNormals)
    {
        float normalMatrix[3][3];
        if (hasNormals) NormalMatrix(matrix, normalMatrix);
        for (size_t k = start; k < start + count; ++k) {
            MeshVertex& vertex = result.mesh.vertices[k];
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

    // One range per attribute that has faces. The faces are in attribute
    // order already: each part writes its triangles sorted, and the parts'
    // attributes ascend part by part.
    void BuildAttributeTable()
    {
        PortableMeshData& mesh = result.mesh;
        const size_t attributeCount = result.materials.size();
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
            uint32_t low = kNone, high = 0;
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
    // counts: a file that places meshes past the limits fails before any of
    // them is built. A part whose counts do not hold ends the sum; building
    // it reports the damage.
    bool CheckLeastSize()
    {
        size_t vertices = 0;
        size_t polygons = 0;
        for (const Part& part : parts) {
            Cursor cursor(document, document.objects[part.mesh]);
            const uint32_t vertexCount = cursor.U();
            if (!cursor.ok || !cursor.Has(3ull * vertexCount + 1)) break;
            if (vertexCount == 0) continue; // left out
            cursor.p += 3ull * vertexCount;
            vertices += vertexCount;
            polygons += cursor.U(); // each at least one face and three corners
            if (vertices > kMaxXMeshVertices || polygons > kMaxXMeshFaces || vertices + 3 * polygons > maxElements) {
                return Fail(E_OUTOFMEMORY);
            }
        }
        return true;
    }

    bool Build()
    {
        if (!Collect() || !CheckLeastSize()) return false;
        std::vector<PartOutput> outputs(parts.size());
        DWORD fvf = 0;
        for (size_t i = 0; i < parts.size(); ++i) {
            if (!BuildPart(parts[i], outputs[i], fvf)) return false;
        }
        if (result.mesh.attributes.empty()) return Fail(E_FAIL);
        result.mesh.fvf = fvf;

        // Materials in file order. A mesh without any among meshes with some
        // gets a default material of its own; a file without any gets one.
        size_t total = 0;
        for (const PartOutput& output : outputs) total += output.materials.size();
        if (total == 0) {
            result.materials.assign(1, XMaterial{DefaultMaterial(), false, {}});
        } else {
            for (const PartOutput& output : outputs) {
                if (output.faceCount == 0) continue;
                const DWORD offset = static_cast<DWORD>(result.materials.size());
                if (output.materials.empty()) {
                    result.materials.push_back(XMaterial{DefaultMaterial(), false, {}});
                } else {
                    result.materials.insert(result.materials.end(), output.materials.begin(), output.materials.end());
                }
                if (offset == 0) continue;
                for (size_t f = output.faceStart; f < output.faceStart + output.faceCount; ++f) {
                    result.mesh.attributes[f] += offset;
                }
            }
        }
        BuildAttributeTable();
        // 16-bit indices reach 65536 vertices; beyond that the mesh needs 32-bit ones.
        if (result.mesh.vertices.size() > 0x10000) result.options |= D3DXMESH_32BIT;
        return true;
    }
};
} // namespace

HRESULT BuildXMesh(const XDocument& document, DWORD options, bool withMaterials, XMeshResult& result)
{
    result = XMeshResult{};
    result.options = options;
    const size_t maxElements = std::max<size_t>(size_t{1} << 20, 16 * document.values.size());
    Builder builder{document, withMaterials, result, maxElements, {}, {}, 0, 0, E_FAIL};
    if (!builder.Build()) {
        result = XMeshResult{};
        return builder.failure;
    }
    return S_OK;
}

std::vector<DWORD> XMeshAdjacency(const PortableMeshData& mesh)
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
            return (static_cast<size_t>(key.bits[0]) * 73856093u) ^ (static_cast<size_t>(key.bits[1]) * 19349663u)
                   ^ (static_cast<size_t>(key.bits[2]) * 83492791u);
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
    std::unordered_map<uint64_t, uint32_t> openEdges; // (from, to) -> face * 3 + edge
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
