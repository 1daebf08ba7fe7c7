// Uploading managed resources (meshes, textures) to a device on first use.
#pragma once

#include "platform/portable/d3d9_device.h"

// True when the mesh's buffers exist on this device (uploading them now if
// needed); false when its data cannot be drawn (indices out of range).
bool EnsureMeshUploaded(PortableDevice& device, PortableMeshData& mesh);
// The texture object on this device, or 0 when the data is unusable.
unsigned EnsureTextureUploaded(PortableDevice& device, PortableTextureData& texture);
// Takes a resource on for this device without uploading it yet (a bound texture).
void ClaimGpuObjects(PortableDevice& device, GpuObjects& gpu);
