// The device's account of managed resources: which it has taken on, whether
// their objects exist, and their end.
#include "platform/portable/d3d9/device.h"
#include "platform/portable/d3d9/gl/managed_upload.h"

namespace portable {

namespace {
using Upload = Device::Upload;

// True when the resource still has to be uploaded to this device; otherwise
// usable says whether its objects exist.
bool NeedsUpload(Device& device, GpuObjects& gpu, bool& usable)
{
    ClaimGpuObjects(device, gpu);
    const Upload state = device.uploads[&gpu];
    usable = state == Upload::ready;
    return state == Upload::pending;
}
} // namespace

bool EnsureMeshUploaded(Device& device, MeshData& mesh)
{
    bool usable = false;
    if (!NeedsUpload(device, mesh.gpu, usable)) return usable;
    usable = UploadMesh(mesh);
    device.uploads[&mesh.gpu] = usable ? Upload::ready : Upload::unusable;
    return usable;
}

unsigned EnsureTextureUploaded(Device& device, TextureData& texture)
{
    bool usable = false;
    if (!NeedsUpload(device, texture.gpu, usable)) return usable ? texture.gpu.texture : 0;
    usable = UploadTexture(texture, GlMaxTextureSide());
    device.uploads[&texture.gpu] = usable ? Upload::ready : Upload::unusable;
    if (!usable) return 0;
    std::vector<std::vector<uint8_t>>().swap(texture.levels);
    device.texelsGivenUp = true;
    InvalidateGlState(device);
    return texture.gpu.texture;
}

UINT MaxTextureSide(IDirect3DDevice9* device)
{
    auto* portable = dynamic_cast<Device*>(device);
    if (portable == nullptr || !MakeDeviceCurrent(*portable)) return kMaxTextureSide;
    return GlMaxTextureSide();
}

void ClaimGpuObjects(Device& device, GpuObjects& gpu)
{
    if (gpu.owner == &device) return;
    if (gpu.owner != nullptr) ReleaseGpuObjects(gpu);
    gpu.owner = &device;
    device.uploads[&gpu] = Upload::pending;
}

void ReleaseGpuObjects(GpuObjects& gpu)
{
    if (gpu.owner == nullptr) return;
    Device& device = *AsDevice(gpu.owner);
    device.uploads.erase(&gpu);
    // A texture going away while bound is unbound.
    for (DWORD stage = 0; stage < kSamplerCount; ++stage) {
        if (device.textureData[stage] != nullptr && &device.textureData[stage]->gpu == &gpu) {
            device.textureData[stage] = nullptr;
        }
    }
    if (MakeDeviceCurrent(device)) DeleteGpuObjects(gpu);
    gpu = GpuObjects{};
}

void ReleaseAllUploads(Device& device)
{
    const bool current = MakeDeviceCurrent(device);
    for (DWORD stage = 0; stage < kSamplerCount; ++stage) {
        device.textureData[stage] = nullptr;
    }
    for (auto& entry : device.uploads) {
        GpuObjects& gpu = *entry.first;
        if (current) DeleteGpuObjects(gpu);
        gpu = GpuObjects{};
    }
    device.uploads.clear();
}

} // namespace portable
