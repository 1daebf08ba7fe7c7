// Managed-pool resources between the D3DX objects and the device: what the
// device does for a resource's data, and the texture object holding it.
#pragma once

#include "platform/portable/d3d9/gl/resource_data.h"

namespace portable {

// Device side: the largest texture side of this device; the texture loader
// fits textures to it, and the device draws every texture up to it.
UINT MaxTextureSide(IDirect3DDevice9* device);
// Device side: draws the faces of one subset with the current states.
HRESULT DrawMeshSubset(IDirect3DDevice9* device, MeshData& mesh, DWORD attribId);
// Device side: frees what the device made for a resource (nothing when it made nothing).
void ReleaseGpuObjects(GpuObjects& gpu);
// A managed texture holding the data; its one reference is the caller's.
HRESULT CreateManagedTexture(IDirect3DDevice9* device, TextureData&& data, IDirect3DTexture9** texture);
// The data of a texture made by CreateManagedTexture, or null.
TextureData* TextureDataOf(IDirect3DBaseTexture9* texture);

} // namespace portable
