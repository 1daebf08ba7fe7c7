// The portable managed IDirect3DTexture9: the texels of every level in
// memory, uploaded by the device on first use.
#include <memory>

#include "platform/portable/d3d9/managed_resources.h"
#include "platform/portable/win32/com_object.h"

namespace {
struct PortableTexture final : RefCounted<IDirect3DTexture9> {
    ComRef<IDirect3DDevice9> device;
    PortableTextureData data;

    ~PortableTexture() override { PortableReleaseGpuObjects(data.gpu); }
    DWORD GetLevelCount() override { return static_cast<DWORD>(data.levels.size()); }
};
} // namespace

HRESULT CreateManagedTexture(IDirect3DDevice9* device, PortableTextureData&& data, IDirect3DTexture9** texture)
{
    if (device == nullptr || texture == nullptr) return D3DERR_INVALIDCALL;
    std::unique_ptr<PortableTexture> made(new PortableTexture);
    made->data = std::move(data);
    made->device = ComRef<IDirect3DDevice9>::Share(device);
    *texture = made.release();
    return D3D_OK;
}

PortableTextureData* PortableTextureDataOf(IDirect3DBaseTexture9* texture)
{
    auto* portable = dynamic_cast<PortableTexture*>(texture);
    return portable != nullptr ? &portable->data : nullptr;
}
