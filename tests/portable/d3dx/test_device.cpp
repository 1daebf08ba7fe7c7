#include "tests/portable/d3dx/test_device.h"

std::vector<DrawCall>& RecordedDraws()
{
    static std::vector<DrawCall> draws;
    return draws;
}

std::vector<const GpuObjects*>& RecordedGpuReleases()
{
    static std::vector<const GpuObjects*> releases;
    return releases;
}

HRESULT PortableDrawMeshSubset(IDirect3DDevice9* device, PortableMeshData& mesh, DWORD attribId)
{
    RecordedDraws().push_back(DrawCall{device, &mesh, attribId});
    return D3D_OK;
}

void PortableReleaseGpuObjects(GpuObjects& gpu) { RecordedGpuReleases().push_back(&gpu); }

UINT& TestMaxTextureSide()
{
    static UINT side = kPortableMaxTextureSide;
    return side;
}

UINT PortableMaxTextureSide(IDirect3DDevice9*) { return TestMaxTextureSide(); }
