// D3DXCreateTextureFromFileExW: a file's image as a managed texture.
#include "platform/portable/win32/api_guard.h"
#include "platform/portable/win32/file_bytes.h"
#include "platform/portable/win32/path_open.h"
#include "platform/portable/d3dx/image/texture.h"
#include "platform/portable/d3dx/texture_prefetch.h"
#include "platform/portable/d3d9/managed_resources.h"

using namespace portable;

namespace {
bool ValidPool(D3DPOOL pool)
{
    return pool == D3DPOOL_DEFAULT || pool == D3DPOOL_MANAGED || pool == D3DPOOL_SYSTEMMEM || pool == D3DPOOL_SCRATCH;
}
} // namespace

HRESULT WINAPI D3DXCreateTextureFromFileExW(IDirect3DDevice9* device, LPCWSTR srcFile, UINT width, UINT height,
                                            UINT mipLevels, DWORD /*usage*/, D3DFORMAT format, D3DPOOL pool,
                                            DWORD /*filter*/, DWORD /*mipFilter*/, D3DCOLOR colorKey,
                                            D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* /*palette*/,
                                            IDirect3DTexture9** texture)
{
    if (texture != nullptr) *texture = nullptr;
    return GuardedHresult([&]() -> HRESULT {
        if (srcFile == nullptr) return D3DERR_INVALIDCALL;
        const bool validCall = device != nullptr && texture != nullptr && ValidPool(pool);
        TextureRequest request;
        request.width = width;
        request.height = height;
        request.mipLevels = mipLevels;
        request.format = format;
        request.colorKey = colorKey;
        TextureData data;
        D3DXIMAGE_INFO info{};
        const UINT maxSide = validCall ? MaxTextureSide(device) : 0;
        const std::string resolved = ResolvePath(std::wstring_view(srcFile));
        // A texture made ahead was read from the file as it still is: it is not read again.
        if (!validCall || !TakePrefetchedTexture(resolved, request, maxSide, data, info)) {
            FileBytes bytes;
            // A file that cannot be read, or holds nothing, is invalid data to D3DX.
            if (!ReadWholeFile(resolved.c_str(), bytes) || bytes.empty()) return D3DXERR_INVALIDDATA;
            if (!validCall) return D3DERR_INVALIDCALL;
            const HRESULT result = LoadTextureData(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                                   request, maxSide, data, info);
            if (FAILED(result)) return result;
        }
        const HRESULT made = CreateManagedTexture(device, std::move(data), texture);
        if (SUCCEEDED(made) && srcInfo != nullptr) *srcInfo = info;
        return made;
    });
}
