// Managed-pool resources between the D3DX objects and the device: the texture
// object holding a texture's data, and what the device does for a resource's
// data.
#pragma once

#include "platform/portable/d3d9/gl/resource_data.h"
#include "platform/portable/d3d9/texture_budget.h"

namespace portable {

// A managed texture holding the data, and the share of the texture budget
// that counts it until the texture is released; its one reference is the caller's.
HRESULT CreateManagedTexture(IDirect3DDevice9* device, TextureData&& data, IDirect3DTexture9** texture,
                             TextureMemory&& memory = TextureMemory{});
// The data of a texture made by CreateManagedTexture, or null.
TextureData* TextureDataOf(IDirect3DBaseTexture9* texture);

// Device side, defined with the device's uploads (managed_uploads.cpp), apart
// from the texture object, so that a stand-in device can take their place.
// The largest texture side of this device; the texture loader fits textures
// to it, and the device draws every texture up to it.
UINT MaxTextureSide(IDirect3DDevice9* device);
// Draws the faces of one subset with the current states.
HRESULT DrawMeshSubset(IDirect3DDevice9* device, MeshData& mesh, DWORD attribId);
// Frees what the device made for a resource (nothing when it made nothing).
void ReleaseGpuObjects(GpuObjects& gpu);

} // namespace portable
