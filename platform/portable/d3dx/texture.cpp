// D3DXCreateTextureFromFileExW: a file's image as a managed texture. The
// file's header is read first: the memory and work it would take are known
// before the rest is read. Within a load (see load_scope.h) a file that failed
// fails again at once, as long as it is the same file unchanged, and the
// texture work of the load has a bound.
#include <algorithm>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/portable/win32/api_guard.h"
#include "platform/portable/win32/file_bytes.h"
#include "platform/portable/win32/open_load.h"
#include "platform/portable/win32/path_open.h"
#include "platform/portable/d3dx/image/texture.h"
#include "platform/portable/d3dx/texture_prefetch.h"
#include "platform/portable/d3d9/managed_resources.h"

using namespace portable;

namespace {
// Every format's header lies in its first bytes (a JPEG's may lie further on:
// then the whole file is read, within the budget, before it is known).
constexpr size_t kHeaderBytes = size_t{64} << 10;

bool ValidPool(D3DPOOL pool)
{
    return pool == D3DPOOL_DEFAULT || pool == D3DPOOL_MANAGED || pool == D3DPOOL_SYSTEMMEM || pool == D3DPOOL_SCRATCH;
}

// Bytes of the texels of every level of a texture of this shape.
uint64_t TextureBytes(const TextureShape& shape)
{
    uint64_t bytes = 0;
    UINT width = shape.width, height = shape.height;
    for (UINT level = 0; level < shape.levels; ++level) {
        bytes += uint64_t{width} * height * 4;
        width = std::max(1u, width / 2);
        height = std::max(1u, height / 2);
    }
    return bytes;
}

// What one load has learnt: the results of files that failed, by identity,
// and the work done so far. Forgotten when another load opens.
struct LoadMemory {
    std::mutex mutex;
    uint64_t load = 0;
    std::unordered_map<std::string, HRESULT> failures;
    uint64_t work = 0;

    // Lock held: starts afresh when the open load is another.
    void Follow(uint64_t open)
    {
        if (open == load) return;
        load = open;
        failures.clear();
        work = 0;
    }
};

LoadMemory& Memory()
{
    static LoadMemory* memory = new LoadMemory;
    return *memory;
}

// A file is known by its identity, whatever name (./a.png, ././a.png) reached it.
std::string FailureKey(const FileIdentity& identity)
{
    std::string key;
    for (const uint64_t value :
         {uint64_t{identity.device}, uint64_t{identity.inode}, identity.size,
          static_cast<uint64_t>(identity.modified.tv_sec), static_cast<uint64_t>(identity.modified.tv_nsec)}) {
        key.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    return key;
}

bool EarlierFailure(const std::string& key, HRESULT& result)
{
    LoadMemory& memory = Memory();
    const std::lock_guard<std::mutex> lock(memory.mutex);
    memory.Follow(OpenLoadNumber());
    if (memory.load == 0) return false;
    const auto found = memory.failures.find(key);
    if (found == memory.failures.end()) return false;
    result = found->second;
    return true;
}

void RememberFailure(const std::string& key, HRESULT result)
{
    LoadMemory& memory = Memory();
    const std::lock_guard<std::mutex> lock(memory.mutex);
    memory.Follow(OpenLoadNumber());
    if (memory.load != 0) memory.failures.emplace(key, result);
}

// Adds `work` to the open load's; false, adding nothing, past kTextureWorkPerLoad.
bool TakeWork(uint64_t work)
{
    LoadMemory& memory = Memory();
    const std::lock_guard<std::mutex> lock(memory.mutex);
    memory.Follow(OpenLoadNumber());
    if (memory.load == 0) return true;
    if (work > kTextureWorkPerLoad || memory.work > kTextureWorkPerLoad - work) return false;
    memory.work += work;
    return true;
}

// The load from the file: the header, the budget, then the whole file.
HRESULT LoadFromFile(const OpenedFile& file, const TextureRequest& request, UINT maxSide, TextureData& data,
                     D3DXIMAGE_INFO& info, TextureMemory& memory)
{
    const uint64_t size = file.identity.size;
    FileBytes bytes;
    if (!ReadFileStart(file, kHeaderBytes, bytes)) return D3DXERR_INVALIDDATA;
    ImageInfo header;
    HRESULT result = ReadImageInfo(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), header);
    if (FAILED(result) && bytes.size() < size) {
        // The header lies further on: the file is read first.
        if (!memory.Grow(size) || !TakeWork(size)) return E_OUTOFMEMORY;
        if (!ReadFileStart(file, static_cast<size_t>(size), bytes)) return D3DXERR_INVALIDDATA;
        result = ReadImageInfo(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), header);
    }
    if (FAILED(result)) return result;
    const TextureShape shape = ShapeTexture(header, request, std::max(1u, maxSide));
    const uint64_t textureBytes = TextureBytes(shape);
    // The file, the image decoded no larger than the texture, and the texture.
    // Skipped top levels are decoded too: then level 0 may be the file's own.
    const bool skipping = request.skipLevels != 0 && header.mipLevels > 1;
    uint64_t decodedBytes = skipping
        ? uint64_t{header.width} * header.height * 4
        : uint64_t{std::min(header.width, shape.width)} * std::min(header.height, shape.height) * 4;
    if (header.mipLevels > 1) decodedBytes = decodedBytes * 4 / 3 + 4 * header.mipLevels;
    const uint64_t fileBytes = bytes.size() < size ? size : 0;
    if (!memory.Grow(fileBytes + decodedBytes + textureBytes)) return E_OUTOFMEMORY;
    if (!TakeWork(fileBytes + uint64_t{header.width} * header.height * 4)) return E_OUTOFMEMORY;
    if (bytes.size() < size && !ReadFileStart(file, static_cast<size_t>(size), bytes)) return D3DXERR_INVALIDDATA;
    result =
        LoadTextureData(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), request, maxSide, data, info);
    memory.ShrinkTo(textureBytes);
    return result;
}
} // namespace

HRESULT WINAPI D3DXCreateTextureFromFileExW(IDirect3DDevice9* device, LPCWSTR srcFile, UINT width, UINT height,
                                            UINT mipLevels, DWORD /*usage*/, D3DFORMAT format, D3DPOOL pool,
                                            DWORD filter, DWORD mipFilter, D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo,
                                            PALETTEENTRY* /*palette*/, IDirect3DTexture9** texture)
{
    if (texture != nullptr) *texture = nullptr;
    return GuardedHresult([&]() -> HRESULT {
        if (srcFile == nullptr) return D3DERR_INVALIDCALL;
        UINT skipLevels = 0;
        if (mipFilter != D3DX_DEFAULT) {
            skipLevels = (mipFilter >> D3DX_SKIP_DDS_MIP_LEVELS_SHIFT) & D3DX_SKIP_DDS_MIP_LEVELS_MASK;
            mipFilter &= ~(DWORD{D3DX_SKIP_DDS_MIP_LEVELS_MASK} << D3DX_SKIP_DDS_MIP_LEVELS_SHIFT);
        }
        const bool validCall =
            device != nullptr && texture != nullptr && ValidPool(pool) && ValidFilter(filter) && ValidFilter(mipFilter);
        TextureRequest request;
        request.skipLevels = skipLevels;
        request.width = width;
        request.height = height;
        request.mipLevels = mipLevels;
        request.format = format;
        request.colorKey = colorKey;
        TextureData data;
        D3DXIMAGE_INFO info{};
        TextureMemory memory;
        const UINT maxSide = validCall ? MaxTextureSide(device) : 0;
        const std::string resolved = ResolvePath(std::wstring_view(srcFile));
        // A texture made ahead was read from the file as it still is: it is not read again.
        if (!validCall || !TakePrefetchedTexture(resolved, request, maxSide, data, info)) {
            OpenedFile file;
            // A file that cannot be read, or holds nothing, is invalid data to D3DX.
            if (!OpenRegularFile(resolved.c_str(), file) || file.identity.size == 0) return D3DXERR_INVALIDDATA;
            if (!validCall) return D3DERR_INVALIDCALL;
            const std::string key = FailureKey(file.identity);
            HRESULT result = S_OK;
            if (EarlierFailure(key, result)) return result;
            result = LoadFromFile(file, request, maxSide, data, info, memory);
            if (FAILED(result)) {
                RememberFailure(key, result);
                return result;
            }
        } else {
            TextureShape shape;
            shape.width = data.width;
            shape.height = data.height;
            shape.levels = static_cast<UINT>(data.levels.size());
            if (!memory.Grow(TextureBytes(shape))) return E_OUTOFMEMORY;
        }
        const HRESULT made = CreateManagedTexture(device, std::move(data), texture, std::move(memory));
        if (SUCCEEDED(made) && srcInfo != nullptr) *srcInfo = info;
        return made;
    });
}
