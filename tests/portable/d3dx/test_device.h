// Test doubles for the D3DX loader tests: a device that records nothing but
// its references (the null device), and the device side of the managed-resource contract.
#pragma once

#include <vector>

#include "platform/portable/d3d9/managed_resources.h"
#include "platform/portable/d3d9/null_device.h"

namespace portable {

using TestDevice = NullDevice;

struct DrawCall {
    IDirect3DDevice9* device;
    const MeshData* mesh;
    DWORD attribId;
};

// Every DrawMeshSubset call since the last clear.
std::vector<DrawCall>& RecordedDraws();
// Every ReleaseGpuObjects call since the last clear.
std::vector<const GpuObjects*>& RecordedGpuReleases();
// What MaxTextureSide reports (kMaxTextureSide unless a test sets it).
UINT& TestMaxTextureSide();

} // namespace portable
