// Managed resources' data as OpenGL objects, made on the current context.
#pragma once

#include "platform/portable/d3d9/gl/resource_data.h"

namespace portable {

// Makes the mesh's vertex array and buffers; false, making nothing, when its
// data cannot be drawn (no faces, or indices out of range).
bool UploadMesh(MeshData& mesh);
// Makes the texture object from the leading levels that hold their texels;
// false, making nothing, when none do or a side exceeds maxSide.
bool UploadTexture(TextureData& texture, UINT maxSide);
// Deletes what was made for a resource.
void DeleteGpuObjects(const GpuObjects& gpu);
// The largest texture side of the current context, at most kMaxTextureSide.
UINT GlMaxTextureSide();

} // namespace portable
