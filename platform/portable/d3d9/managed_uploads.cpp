// The device's side of managed resources: which it has taken on, whether
// their objects exist, uploading them on first use, drawing a mesh's subsets,
// and their end.
#include "platform/portable/d3d9/managed_uploads.h"

#include <algorithm>

#include "platform/portable/d3d9/device.h"
#include "platform/portable/d3d9/gl/api.h"
#include "platform/portable/d3d9/mesh_subsets.h"
#include "platform/portable/win32/heap_policy.h"

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

// True when the mesh's buffers exist on this device (uploading them now if
// needed); false when its data cannot be drawn (indices out of range).
bool EnsureMeshUploaded(Device& device, MeshData& mesh)
{
    bool usable = false;
    if (!NeedsUpload(device, mesh.gpu, usable)) return usable;
    usable = UploadMesh(mesh);
    device.uploads[&mesh.gpu] = usable ? Upload::ready : Upload::unusable;
    return usable;
}

// The texture object on this device, or 0 when the data is unusable.
unsigned EnsureTextureUploaded(Device& device, TextureData& texture)
{
    bool usable = false;
    if (!NeedsUpload(device, texture.gpu, usable)) return usable ? texture.gpu.texture : 0;
    usable = UploadTexture(texture, GlMaxTextureSide());
    device.uploads[&texture.gpu] = usable ? Upload::ready : Upload::unusable;
    if (!usable) return 0;
    std::vector<std::vector<uint8_t>>().swap(texture.levels);
    // Handed back now, the next texture's texels do not add to it.
    ReturnFreeHeapToSystem();
    InvalidateGlState(device);
    return texture.gpu.texture;
}

// Sets the OpenGL state again when a render or sampler state changed.
void ApplyGlState(Device& device)
{
    if (device.glStateValid) return;
    ApplyRenderStates(device.states, device.backBuffer, device.sampler);
    device.glStateValid = true;
}

} // namespace

UINT MaxTextureSide(IDirect3DDevice9* device)
{
    auto* portable = dynamic_cast<Device*>(device);
    if (portable == nullptr || !MakeDeviceCurrent(*portable)) return kMaxTextureSide;
    return GlMaxTextureSide();
}

HRESULT DrawMeshSubset(IDirect3DDevice9* device, MeshData& mesh, DWORD attribId)
{
    if (device == nullptr) return D3DERR_INVALIDCALL;
    const FaceRun faces = SubsetFaces(mesh, attribId);
    if (faces.count == 0) return D3D_OK;
    // A device that draws nothing (NullDevice) accepts the call.
    auto* portable = dynamic_cast<Device*>(device);
    if (portable == nullptr) return D3D_OK;
    // Drawing on a lost device succeeds and draws nothing, as in Direct3D.
    if (portable->lost || !MakeDeviceCurrent(*portable) || !portable->backBuffer.Ready()) return D3D_OK;
    if (!EnsureMeshUploaded(*portable, mesh)) return D3DERR_INVALIDCALL;

    unsigned texture = 0;
    if (TextureData* data = portable->textureData[0]) texture = EnsureTextureUploaded(*portable, *data);

    ApplyGlState(*portable);
    gl.ActiveTexture(GL_TEXTURE0);
    gl.BindTexture(GL_TEXTURE_2D, texture);
    const FixedFunctionInputs inputs =
        ComputeFixedFunctionInputs(portable->states, (mesh.fvf & D3DFVF_DIFFUSE) != 0, texture != 0,
                                   portable->backBuffer.width, portable->backBuffer.height);
    FixedFunctionProgram& program = inputs.alphaFunc != 0 ? portable->alphaTestProgram : portable->program;
    if (program.program == 0 && !CreateFixedFunctionProgram(program, true)) return D3DERR_INVALIDCALL;
    ApplyFixedFunctionInputs(program, inputs);
    gl.BindVertexArray(mesh.gpu.vertexArray);
    gl.DrawElements(GL_TRIANGLES, static_cast<GLsizei>(faces.count * 3), GL_UNSIGNED_INT,
                    reinterpret_cast<const void*>(faces.first * 3 * sizeof(uint32_t)));
    gl.BindVertexArray(0);
    return D3D_OK;
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
