#include "tests/portable/d3dx/test_device.h"

namespace portable {

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

HRESULT DrawMeshSubset(IDirect3DDevice9* device, MeshData& mesh, DWORD attribId)
{
    RecordedDraws().push_back(DrawCall{device, &mesh, attribId});
    return D3D_OK;
}

void ReleaseGpuObjects(GpuObjects& gpu) { RecordedGpuReleases().push_back(&gpu); }

UINT& TestMaxTextureSide()
{
    static UINT side = kMaxTextureSide;
    return side;
}

UINT MaxTextureSide(IDirect3DDevice9*) { return TestMaxTextureSide(); }

} // namespace portable
