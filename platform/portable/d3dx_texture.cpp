// The portable IDirect3DTexture9 made by D3DXCreateTextureFromFileExW: the
// texels of every level in memory, uploaded by the device on first use.
#include <memory>

#include "platform/portable/api_guard.h"
#include "platform/portable/file_bytes.h"
#include "platform/portable/image_texture.h"
#include "platform/portable/managed_resources.h"

namespace {
struct PortableTexture final : IDirect3DTexture9 {
    ULONG references = 1;
    IDirect3DDevice9* device = nullptr; // one reference held
    PortableTextureData data;

    ~PortableTexture()
    {
        PortableReleaseGpuObjects(data.gpu);
        if (device != nullptr) device->Release();
    }

    ULONG AddRef() override { return ++references; }
    ULONG Release() override
    {
        const ULONG left = --references;
        if (left == 0) delete this;
        return left;
    }
    DWORD GetLevelCount() override { return static_cast<DWORD>(data.levels.size()); }
};

bool ValidPool(D3DPOOL pool)
{
    return pool == D3DPOOL_DEFAULT || pool == D3DPOOL_MANAGED || pool == D3DPOOL_SYSTEMMEM
           || pool == D3DPOOL_SCRATCH;
}
} // namespace

PortableTextureData* PortableTextureDataOf(IDirect3DBaseTexture9* texture)
{
    auto* portable = dynamic_cast<PortableTexture*>(texture);
    return portable != nullptr ? &portable->data : nullptr;
}

HRESULT WINAPI D3DXCreateTextureFromFileExW(IDirect3DDevice9* device, LPCWSTR srcFile, UINT width, UINT height,
                                            UINT mipLevels, DWORD /*usage*/, D3DFORMAT format, D3DPOOL pool,
                                            DWORD /*filter*/, DWORD /*mipFilter*/, D3DCOLOR colorKey,
                                            D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* /*palette*/,
                                            IDirect3DTexture9** texture)
{
    if (texture != nullptr) *texture = nullptr;
    return GuardedHresult([&]() -> HRESULT {
        if (srcFile == nullptr) return D3DERR_INVALIDCALL;
        FileBytes bytes;
        // A file that cannot be read, or holds nothing, is invalid data to D3DX.
        if (!ReadWholeFile(srcFile, bytes) || bytes.empty()) return D3DXERR_INVALIDDATA;
        if (device == nullptr || texture == nullptr || !ValidPool(pool)) return D3DERR_INVALIDCALL;

        TextureRequest request;
        request.width = width;
        request.height = height;
        request.mipLevels = mipLevels;
        request.format = format;
        request.colorKey = colorKey;
        PortableTextureData data;
        D3DXIMAGE_INFO info{};
        const HRESULT result = LoadTextureData(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), request,
                                               PortableMaxTextureSide(device), data, info);
        if (FAILED(result)) return result;
        std::unique_ptr<PortableTexture> made(new PortableTexture);
        made->data = std::move(data);
        made->device = device;
        device->AddRef();
        *texture = made.release();
        if (srcInfo != nullptr) *srcInfo = info;
        return D3D_OK;
    });
}
