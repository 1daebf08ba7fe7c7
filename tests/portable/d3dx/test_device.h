// Test doubles for the D3DX loader tests: a device that records nothing but
// its references (the null device), and the device side of the managed-resource contract.
#pragma once

#include <vector>

#include "platform/portable/d3d9/managed_resources.h"
#include "platform/portable/d3d9/null_device.h"

using TestDevice = NullDevice;

struct DrawCall {
    IDirect3DDevice9* device;
    const PortableMeshData* mesh;
    DWORD attribId;
};

// Every PortableDrawMeshSubset call since the last clear.
std::vector<DrawCall>& RecordedDraws();
// Every PortableReleaseGpuObjects call since the last clear.
std::vector<const GpuObjects*>& RecordedGpuReleases();
// What PortableMaxTextureSide reports (kPortableMaxTextureSide unless a test sets it).
UINT& TestMaxTextureSide();
