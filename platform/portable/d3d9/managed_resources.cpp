// The portable managed IDirect3DTexture9: the texels of every level in
// memory, uploaded by the device on first use.
#include "platform/portable/d3d9/managed_resources.h"

#include <memory>

#include "platform/portable/win32/com_object.h"

namespace portable {

namespace {
struct ManagedTexture final : RefCounted<IDirect3DTexture9> {
    ComRef<IDirect3DDevice9> device;
    TextureData data;
    TextureMemory memory;

    ~ManagedTexture() override { ReleaseGpuObjects(data.gpu); }
    DWORD GetLevelCount() override { return data.levelCount; }
};
} // namespace

HRESULT CreateManagedTexture(IDirect3DDevice9* device, TextureData&& data, IDirect3DTexture9** texture,
                             TextureMemory&& memory)
{
    if (device == nullptr || texture == nullptr) return D3DERR_INVALIDCALL;
    std::unique_ptr<ManagedTexture> made(new ManagedTexture);
    made->data = std::move(data);
    made->memory = std::move(memory);
    made->data.levelCount = static_cast<UINT>(made->data.levels.size());
    made->device = ComRef<IDirect3DDevice9>::Share(device);
    *texture = made.release();
    return D3D_OK;
}

TextureData* TextureDataOf(IDirect3DBaseTexture9* texture)
{
    auto* portable = dynamic_cast<ManagedTexture*>(texture);
    return portable != nullptr ? &portable->data : nullptr;
}

} // namespace portable
