// The portable ID3DXMesh, D3DXLoadMeshFromXW, and the ID3DXBuffer that hands
// out its materials and adjacency. What they throw (running out of memory)
// becomes E_OUTOFMEMORY, as D3DX reports it.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "platform/portable/win32/api_guard.h"
#include "platform/portable/win32/com_object.h"
#include "platform/portable/d3dx/texture_prefetch.h"
#include "platform/portable/win32/file_bytes.h"
#include "platform/portable/d3d9/managed_resources.h"
#include "platform/portable/d3dx/xfile/limits.h"
#include "platform/portable/d3dx/xfile/mesh_builder.h"
#include "platform/portable/d3dx/xfile/parser.h"

using namespace portable;

namespace {
// The buffer: a block of memory with a reference count.
struct FreeBlock {
    void operator()(void* block) const { std::free(block); }
};

struct Buffer final : RefCounted<ID3DXBuffer> {
    size_t size = 0;
    // calloc: zeroed, aligned for any record, and a large block costs
    // nothing until it is written.
    std::unique_ptr<void, FreeBlock> storage;
    void (*releaseAction)(uint64_t) noexcept = nullptr;
    uint64_t releaseArgument = 0;

    ~Buffer() override
    {
        if (releaseAction != nullptr) releaseAction(releaseArgument);
    }

    void* GetBufferPointer() override { return storage.get(); }
    DWORD GetBufferSize() override { return static_cast<DWORD>(size); }
};

// A buffer of `size` zero bytes, holding one reference; null when out of memory.
ID3DXBuffer* CreateBuffer(size_t size)
{
    auto* buffer = new (std::nothrow) Buffer;
    if (buffer == nullptr) return nullptr;
    // A buffer of no bytes still has a pointer, as D3DX's does.
    buffer->storage.reset(std::calloc(size > 0 ? size : 1, 1));
    if (buffer->storage == nullptr) {
        delete buffer;
        return nullptr;
    }
    buffer->size = size;
    return buffer;
}

// Has `action(argument)` run when the buffer goes, once its last reference
// is released.
void SetReleaseAction(ID3DXBuffer* buffer, void (*action)(uint64_t) noexcept, uint64_t argument)
{
    auto* own = static_cast<Buffer*>(buffer);
    own->releaseAction = action;
    own->releaseArgument = argument;
}

// The fields of a vertex that `fvf` has, in the order and sizes of the D3DX
// layout: position, normal, diffuse, texture coordinates.
template <class Vertex, class Visit>
void ForEachField(Vertex& vertex, DWORD fvf, Visit&& visit)
{
    visit(vertex.position, 12);
    if (fvf & D3DFVF_NORMAL) visit(vertex.normal, 12);
    if (fvf & D3DFVF_DIFFUSE) visit(&vertex.diffuse, 4);
    if (fvf & D3DFVF_TEX1) visit(vertex.texcoord, 8);
}

DWORD VertexBytes(DWORD fvf)
{
    MeshVertex none{};
    DWORD bytes = 0;
    ForEachField(none, fvf, [&](void*, DWORD size) { bytes += size; });
    return bytes;
}

// Nested locks of one buffer share a staging copy: the first makes it, the
// last writes it back when any of them could write.
struct LockState {
    int count = 0;
    bool writable = false;
};

struct Mesh final : RefCounted<ID3DXMesh> {
    ComRef<IDirect3DDevice9> device;
    DWORD options = 0;
    MeshData data;
    // What a lock hands out: vertices in the FVF layout, 16-bit indices.
    std::vector<uint8_t> vertexStaging;
    std::vector<uint16_t> indexStaging;
    LockState vertexLock;
    LockState indexLock;
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
    template <class Stage>
    void BeginLock(LockState& lock, DWORD flags, Stage stage)
    {
        if (lock.count == 0) {
            stage();
            lock.writable = false;
        }
        ++lock.count;
        if (!(flags & D3DLOCK_READONLY)) lock.writable = true;
    }

    // `finish(written)` runs at the last unlock; the device uploads changed
    // data on the next draw.
    template <class Finish>
    HRESULT EndLock(LockState& lock, Finish finish)
    {
        if (lock.count == 0) return D3DERR_INVALIDCALL;
        if (--lock.count > 0) return D3D_OK;
        finish(lock.writable);
        if (lock.writable) ReleaseGpuObjects(data.gpu);
        return D3D_OK;
    }

    // Between the vertices and their staging copy in the FVF layout, either way.
    void CopyStaging(bool intoStaging)
    {
        uint8_t* cursor = vertexStaging.data();
        for (MeshVertex& vertex : data.vertices) {
            ForEachField(vertex, data.fvf, [&](void* field, DWORD size) {
                if (intoStaging) {
                    std::memcpy(cursor, field, size);
                } else {
                    std::memcpy(field, cursor, size);
                }
                cursor += size;
            });
        }
    }

    HRESULT LockVertexBuffer(DWORD flags, LPVOID* out) override
    {
        return GuardedHresult([&] {
            if (out == nullptr) return D3DERR_INVALIDCALL;
            BeginLock(vertexLock, flags, [&] {
                vertexStaging.resize(static_cast<size_t>(VertexBytes(data.fvf)) * data.vertices.size());
                CopyStaging(true);
            });
            *out = vertexStaging.data();
            return D3D_OK;
        });
    }

    HRESULT UnlockVertexBuffer() override
    {
        return GuardedHresult([&] {
            return EndLock(vertexLock, [&](bool written) {
                if (written) CopyStaging(false);
                std::vector<uint8_t>().swap(vertexStaging);
            });
        });
    }

    // 32-bit indices are handed out as they are kept; 16-bit ones through staging.
    HRESULT LockIndexBuffer(DWORD flags, LPVOID* out) override
    {
        return GuardedHresult([&] {
            if (out == nullptr) return D3DERR_INVALIDCALL;
            const bool wide = (options & D3DXMESH_32BIT) != 0;
            BeginLock(indexLock, flags, [&] {
                if (!wide) indexStaging.assign(data.indices.begin(), data.indices.end());
            });
            *out = wide ? static_cast<void*>(data.indices.data()) : static_cast<void*>(indexStaging.data());
            return D3D_OK;
        });
    }

    HRESULT UnlockIndexBuffer() override
    {
        return GuardedHresult([&] {
            return EndLock(indexLock, [&](bool written) {
                // As many indices as before: copied into the room they had.
                if (written && !(options & D3DXMESH_32BIT)) {
                    std::copy(indexStaging.begin(), indexStaging.end(), data.indices.begin());
                }
                std::vector<uint16_t>().swap(indexStaging);
            });
        });
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

// One effect instance per material, as D3DX makes them from the materials:
// no effect file, and the material's values as defaults ("Diffuse", "Power",
// "Specular", "Emissive", "Ambient" as floats, "Texture0@Name" with the
// texture's name). The records, their defaults, then the names and values
// they point at, in one buffer.
ID3DXBuffer* EffectInstanceBuffer(const std::vector<XMaterial>& materials)
{
    static const char* const kNames[] = {"Diffuse", "Power", "Specular", "Emissive", "Ambient", "Texture0@Name"};
    constexpr size_t kColorBytes = 4 * sizeof(float);
    constexpr size_t kFloatBytes = 4 * kColorBytes + sizeof(float); // of one material
    size_t defaults = 0;
    size_t text = 0;
    for (const XMaterial& material : materials) {
        defaults += material.hasTexture ? 6 : 5;
        for (int i = 0; i < 5; ++i) text += std::strlen(kNames[i]) + 1;
        if (material.hasTexture) text += std::strlen(kNames[5]) + 1 + material.texture.size() + 1;
    }
    ID3DXBuffer* buffer = CreateBuffer(materials.size() * (sizeof(D3DXEFFECTINSTANCE) + kFloatBytes)
                                       + defaults * sizeof(D3DXEFFECTDEFAULT) + text);
    if (buffer == nullptr) return nullptr;
    auto* instances = static_cast<D3DXEFFECTINSTANCE*>(buffer->GetBufferPointer());
    auto* next = reinterpret_cast<D3DXEFFECTDEFAULT*>(instances + materials.size());
    // The floats first, where they stay aligned, then the texts.
    char* floats = reinterpret_cast<char*>(next + defaults);
    char* texts = floats + materials.size() * kFloatBytes;
    const auto place = [](char*& cursor, const void* data, size_t size) {
        char* placed = cursor;
        std::memcpy(placed, data, size);
        cursor += size;
        return placed;
    };
    for (size_t m = 0; m < materials.size(); ++m) {
        const D3DMATERIAL9& material = materials[m].material;
        instances[m] = D3DXEFFECTINSTANCE{nullptr, 0, next};
        const auto add = [&](int name, D3DXEFFECTDEFAULTTYPE type, const void* value, size_t size) {
            char* placedName = place(texts, kNames[name], std::strlen(kNames[name]) + 1);
            char* placedValue = place(type == D3DXEDT_STRING ? texts : floats, value, size);
            *next++ = D3DXEFFECTDEFAULT{placedName, type, static_cast<DWORD>(size), placedValue};
            ++instances[m].NumDefaults;
        };
        add(0, D3DXEDT_FLOATS, &material.Diffuse, kColorBytes);
        add(1, D3DXEDT_FLOATS, &material.Power, sizeof(float));
        add(2, D3DXEDT_FLOATS, &material.Specular, kColorBytes);
        add(3, D3DXEDT_FLOATS, &material.Emissive, kColorBytes);
        add(4, D3DXEDT_FLOATS, &material.Ambient, kColorBytes);
        if (materials[m].hasTexture) {
            add(5, D3DXEDT_STRING, materials[m].texture.c_str(), materials[m].texture.size() + 1);
        }
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
    ComRef<ID3DXBuffer> effectBuffer;
    ComRef<ID3DXBuffer> adjacencyBuffer;
    if (materials != nullptr && !(materialBuffer = ComRef<ID3DXBuffer>::Adopt(MaterialBuffer(built.materials)))) {
        return E_OUTOFMEMORY;
    }
    if (effectInstances != nullptr
        && !(effectBuffer = ComRef<ID3DXBuffer>::Adopt(EffectInstanceBuffer(built.materials)))) {
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
    if (effectInstances != nullptr) *effectInstances = effectBuffer.Take();
    if (materialCount != nullptr) *materialCount = static_cast<DWORD>(built.materials.size());
    if (materials != nullptr) PrefetchModelTextures(fileName, built.materials, MaxTextureSide(device), *materials);
    return D3D_OK;
}
} // namespace

HRESULT WINAPI D3DXLoadMeshFromXW(LPCWSTR fileName, DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
                                  ID3DXBuffer** materials, ID3DXBuffer** effectInstances, DWORD* materialCount,
                                  ID3DXMesh** mesh)
{
    return GuardedHresult([&] {
        return LoadMesh(fileName, options, device, adjacency, materials, effectInstances, materialCount, mesh);
    });
}

HRESULT WINAPI D3DXCreateBuffer(DWORD numBytes, ID3DXBuffer** buffer)
{
    return GuardedHresult([&]() -> HRESULT {
        if (buffer == nullptr) return D3DERR_INVALIDCALL;
        ID3DXBuffer* created = CreateBuffer(numBytes);
        if (created == nullptr) return E_OUTOFMEMORY;
        *buffer = created;
        return D3D_OK;
    });
}
