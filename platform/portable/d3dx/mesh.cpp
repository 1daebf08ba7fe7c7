// The portable ID3DXMesh and D3DXLoadMeshFromXW. What they throw (running out
// of memory) becomes E_OUTOFMEMORY, as D3DX reports it.
#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "platform/portable/win32/api_guard.h"
#include "platform/portable/win32/com_object.h"
#include "platform/portable/d3dx/buffer.h"
#include "platform/portable/d3dx/texture_prefetch.h"
#include "platform/portable/win32/file_bytes.h"
#include "platform/portable/d3d9/managed_resources.h"
#include "platform/portable/d3dx/xfile/limits.h"
#include "platform/portable/d3dx/xfile/mesh_adjacency.h"
#include "platform/portable/d3dx/xfile/mesh_builder.h"
#include "platform/portable/d3dx/xfile/parser.h"

using namespace portable;

namespace {
// Bytes of one vertex in the D3DX layout of `fvf`: position, normal, diffuse, texture coordinates.
DWORD VertexBytes(DWORD fvf)
{
    DWORD bytes = 12;
    if (fvf & D3DFVF_NORMAL) bytes += 12;
    if (fvf & D3DFVF_DIFFUSE) bytes += 4;
    if (fvf & D3DFVF_TEX1) bytes += 8;
    return bytes;
}

struct Mesh final : RefCounted<ID3DXMesh> {
    ComRef<IDirect3DDevice9> device;
    DWORD options = 0;
    MeshData data;
    // What a lock hands out: vertices in the FVF layout, 16-bit indices.
    std::vector<uint8_t> vertexStaging;
    std::vector<uint16_t> indexStaging;
    int vertexLocks = 0;
    bool vertexWritable = false;
    int indexLocks = 0;
    bool indexWritable = false;
    int attributeLocks = 0;

    ~Mesh() override { ReleaseGpuObjects(data.gpu); }

    HRESULT DrawSubset(DWORD attribId) override
    {
        return GuardedHresult([&] { return DrawMeshSubset(device.get(), data, attribId); });
    }
    DWORD GetNumFaces() override { return static_cast<DWORD>(data.attributes.size()); }
    DWORD GetNumVertices() override { return static_cast<DWORD>(data.vertices.size()); }
    DWORD GetFVF() override { return data.fvf; }
    DWORD GetNumBytesPerVertex() override { return VertexBytes(data.fvf); }
    DWORD GetOptions() override { return options; }

    // A lock that cannot make its staging copy fails and leaves the mesh unlocked.
    HRESULT LockVertexBuffer(DWORD flags, LPVOID* out) override
    {
        return GuardedHresult([&] { return LockVertices(flags, out); });
    }

    HRESULT LockVertices(DWORD flags, LPVOID* out)
    {
        if (out == nullptr) return D3DERR_INVALIDCALL;
        if (vertexLocks == 0) {
            const DWORD stride = VertexBytes(data.fvf);
            vertexStaging.resize(static_cast<size_t>(stride) * data.vertices.size());
            uint8_t* cursor = vertexStaging.data();
            for (const MeshVertex& vertex : data.vertices) {
                std::memcpy(cursor, vertex.position, 12);
                cursor += 12;
                if (data.fvf & D3DFVF_NORMAL) {
                    std::memcpy(cursor, vertex.normal, 12);
                    cursor += 12;
                }
                if (data.fvf & D3DFVF_DIFFUSE) {
                    std::memcpy(cursor, &vertex.diffuse, 4);
                    cursor += 4;
                }
                if (data.fvf & D3DFVF_TEX1) {
                    std::memcpy(cursor, vertex.texcoord, 8);
                    cursor += 8;
                }
            }
            vertexWritable = false;
        }
        ++vertexLocks;
        if (!(flags & D3DLOCK_READONLY)) vertexWritable = true;
        *out = vertexStaging.data();
        return D3D_OK;
    }

    HRESULT UnlockVertexBuffer() override
    {
        return GuardedHresult([&] { return UnlockVertices(); });
    }

    HRESULT UnlockVertices()
    {
        if (vertexLocks == 0) return D3DERR_INVALIDCALL;
        if (--vertexLocks > 0) return D3D_OK;
        if (vertexWritable) {
            const uint8_t* cursor = vertexStaging.data();
            for (MeshVertex& vertex : data.vertices) {
                std::memcpy(vertex.position, cursor, 12);
                cursor += 12;
                if (data.fvf & D3DFVF_NORMAL) {
                    std::memcpy(vertex.normal, cursor, 12);
                    cursor += 12;
                }
                if (data.fvf & D3DFVF_DIFFUSE) {
                    std::memcpy(&vertex.diffuse, cursor, 4);
                    cursor += 4;
                }
                if (data.fvf & D3DFVF_TEX1) {
                    std::memcpy(vertex.texcoord, cursor, 8);
                    cursor += 8;
                }
            }
            // The device uploads the changed data on the next draw.
            ReleaseGpuObjects(data.gpu);
        }
        std::vector<uint8_t>().swap(vertexStaging);
        return D3D_OK;
    }

    HRESULT LockIndexBuffer(DWORD flags, LPVOID* out) override
    {
        return GuardedHresult([&] { return LockIndices(flags, out); });
    }

    HRESULT LockIndices(DWORD flags, LPVOID* out)
    {
        if (out == nullptr) return D3DERR_INVALIDCALL;
        const bool wide = (options & D3DXMESH_32BIT) != 0;
        if (indexLocks == 0) {
            if (!wide) indexStaging.assign(data.indices.begin(), data.indices.end());
            indexWritable = false;
        }
        ++indexLocks;
        if (!(flags & D3DLOCK_READONLY)) indexWritable = true;
        *out = wide ? static_cast<void*>(data.indices.data()) : static_cast<void*>(indexStaging.data());
        return D3D_OK;
    }

    HRESULT UnlockIndexBuffer() override
    {
        return GuardedHresult([&] { return UnlockIndices(); });
    }

    HRESULT UnlockIndices()
    {
        if (indexLocks == 0) return D3DERR_INVALIDCALL;
        if (--indexLocks > 0) return D3D_OK;
        if (indexWritable) {
            // As many indices as before: copied into the room they had.
            if (!(options & D3DXMESH_32BIT)) std::copy(indexStaging.begin(), indexStaging.end(), data.indices.begin());
            ReleaseGpuObjects(data.gpu);
        }
        std::vector<uint16_t>().swap(indexStaging);
        return D3D_OK;
    }

    // D3DX makes an attribute table only when a mesh is optimised with attribute
    // sorting, never when it loads one, so a loaded mesh reports none. The
    // loader's faces are sorted all the same, and its ranges serve DrawSubset.
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE*, DWORD* size) override
    {
        if (size != nullptr) *size = 0;
        return D3D_OK;
    }

    HRESULT LockAttributeBuffer(DWORD flags, DWORD** out) override
    {
        if (out == nullptr) return D3DERR_INVALIDCALL;
        ++attributeLocks;
        // Writing may reorder the faces' attributes: the table no longer holds.
        if (!(flags & D3DLOCK_READONLY)) data.attributeTable.clear();
        *out = data.attributes.data();
        return D3D_OK;
    }

    HRESULT UnlockAttributeBuffer() override
    {
        if (attributeLocks == 0) return D3DERR_INVALIDCALL;
        --attributeLocks;
        return D3D_OK;
    }
};

// The materials as D3DX hands them out: the records, then the texture names they point at.
ID3DXBuffer* MaterialBuffer(const std::vector<XMaterial>& materials)
{
    size_t size = materials.size() * sizeof(D3DXMATERIAL);
    for (const XMaterial& material : materials) {
        if (material.hasTexture) size += material.texture.size() + 1;
    }
    ID3DXBuffer* buffer = CreateBuffer(size);
    if (buffer == nullptr) return nullptr;
    auto* records = static_cast<D3DXMATERIAL*>(buffer->GetBufferPointer());
    char* names = reinterpret_cast<char*>(records + materials.size());
    for (size_t i = 0; i < materials.size(); ++i) {
        records[i].MatD3D = materials[i].material;
        records[i].pTextureFilename = nullptr;
        if (!materials[i].hasTexture) continue;
        const std::string& name = materials[i].texture;
        std::memcpy(names, name.c_str(), name.size() + 1);
        records[i].pTextureFilename = names;
        names += name.size() + 1;
    }
    return buffer;
}

ID3DXBuffer* AdjacencyBuffer(const MeshData& mesh)
{
    const std::vector<DWORD> adjacency = XMeshAdjacency(mesh);
    ID3DXBuffer* buffer = CreateBuffer(adjacency.size() * sizeof(DWORD));
    if (buffer != nullptr && !adjacency.empty()) {
        std::memcpy(buffer->GetBufferPointer(), adjacency.data(), adjacency.size() * sizeof(DWORD));
    }
    return buffer;
}

// Longer texture names are not made ahead: a program's buffer of 512
// characters (MAX_PATH and more) does not hold them, so it never asks.
constexpr size_t kMaxPrefetchedName = 511;

// The files the materials' textures name, in the model's folder: where a
// program looks for them.
std::vector<std::wstring> TexturePaths(LPCWSTR fileName, const std::vector<XMaterial>& materials)
{
    const std::wstring_view file(fileName);
    const size_t separator = file.find_last_of(L"\\/");
    const std::wstring folder(separator == std::wstring_view::npos ? std::wstring_view()
                                                                   : file.substr(0, separator + 1));
    std::vector<std::wstring> paths;
    for (const XMaterial& material : materials) {
        if (!material.hasTexture || material.texture.empty()) continue;
        const int length = MultiByteToWideChar(CP_ACP, 0, material.texture.c_str(), -1, nullptr, 0);
        if (length <= 1 || static_cast<size_t>(length - 1) > kMaxPrefetchedName) continue;
        std::wstring name(static_cast<size_t>(length), L'\0');
        MultiByteToWideChar(CP_ACP, 0, material.texture.c_str(), -1, name.data(), length);
        name.resize(static_cast<size_t>(length - 1));
        paths.push_back(folder + name);
    }
    return paths;
}

// A program loads the textures its materials name next: they are made ahead,
// and what is left untaken is dropped once the materials buffer goes. Out of
// memory here only means they are not.
void PrefetchModelTextures(LPCWSTR fileName, const std::vector<XMaterial>& materials, UINT maxSide,
                           ID3DXBuffer* names) noexcept
{
    try {
        const uint64_t batch = PrefetchTextures(TexturePaths(fileName, materials), maxSide);
        if (batch != 0) SetReleaseAction(names, DropTexturesMadeAhead, batch);
    } catch (...) {
    }
}

HRESULT LoadMesh(LPCWSTR fileName, DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
                 ID3DXBuffer** materials, ID3DXBuffer** effectInstances, DWORD* materialCount, ID3DXMesh** mesh)
{
    if (fileName == nullptr) return D3DERR_INVALIDCALL;
    FileBytes bytes;
    // A file that cannot be read, or holds nothing, is invalid data to D3DX.
    if (!ReadWholeFile(fileName, bytes, kMaxXFileBytes) || bytes.empty()) return D3DXERR_INVALIDDATA;
    if (device == nullptr || mesh == nullptr) return D3DERR_INVALIDCALL;

    XDocument document;
    HRESULT result = ParseXFile(bytes.data(), bytes.size(), document);
    if (FAILED(result)) return result;
    const bool withMaterials = materials != nullptr || materialCount != nullptr || effectInstances != nullptr;
    XMeshResult built;
    result = BuildXMesh(document, options, withMaterials, built);
    if (FAILED(result)) return result;

    ComRef<ID3DXBuffer> materialBuffer;
    ComRef<ID3DXBuffer> adjacencyBuffer;
    if (materials != nullptr && !(materialBuffer = ComRef<ID3DXBuffer>::Adopt(MaterialBuffer(built.materials)))) {
        return E_OUTOFMEMORY;
    }
    if (adjacency != nullptr && !(adjacencyBuffer = ComRef<ID3DXBuffer>::Adopt(AdjacencyBuffer(built.mesh)))) {
        return E_OUTOFMEMORY;
    }
    auto* loaded = new (std::nothrow) Mesh;
    if (loaded == nullptr) return E_OUTOFMEMORY;
    loaded->device = ComRef<IDirect3DDevice9>::Share(device);
    loaded->options = built.options;
    loaded->data = std::move(built.mesh);

    *mesh = loaded;
    if (materials != nullptr) *materials = materialBuffer.Take();
    if (adjacency != nullptr) *adjacency = adjacencyBuffer.Take();
    // Effect instances are not made; callers that ask get none.
    if (effectInstances != nullptr) *effectInstances = nullptr;
    if (materialCount != nullptr) *materialCount = static_cast<DWORD>(built.materials.size());
    if (materials != nullptr) PrefetchModelTextures(fileName, built.materials, MaxTextureSide(device), *materials);
    return D3D_OK;
}
} // namespace

HRESULT WINAPI D3DXLoadMeshFromXW(LPCWSTR fileName, DWORD options, IDirect3DDevice9* device,
                                  ID3DXBuffer** adjacency, ID3DXBuffer** materials, ID3DXBuffer** effectInstances,
                                  DWORD* materialCount, ID3DXMesh** mesh)
{
    return GuardedHresult([&] {
        return LoadMesh(fileName, options, device, adjacency, materials, effectInstances, materialCount, mesh);
    });
}
