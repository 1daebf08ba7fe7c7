// Test doubles for the D3DX loader tests: a device that records nothing but
// its references, and the device side of the managed-resource contract.
#pragma once

#include <vector>

#include "platform/portable/managed_resources.h"

struct TestDevice final : IDirect3DDevice9 {
    ULONG references = 1;

    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }
    HRESULT TestCooperativeLevel() override { return D3D_OK; }
    HRESULT Reset(D3DPRESENT_PARAMETERS*) override { return D3D_OK; }
    HRESULT Present(const RECT*, const RECT*, HWND, const RGNDATA*) override { return D3D_OK; }
    HRESULT BeginScene() override { return D3D_OK; }
    HRESULT EndScene() override { return D3D_OK; }
    HRESULT Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override { return D3D_OK; }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) override { return D3D_OK; }
    HRESULT SetMaterial(const D3DMATERIAL9*) override { return D3D_OK; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE, DWORD) override { return D3D_OK; }
    HRESULT SetTexture(DWORD, IDirect3DBaseTexture9*) override { return D3D_OK; }
    HRESULT SetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD) override { return D3D_OK; }
};

struct DrawCall {
    IDirect3DDevice9* device;
    const PortableMeshData* mesh;
    DWORD attribId;
};

// Every PortableDrawMeshSubset call since the last clear.
std::vector<DrawCall>& RecordedDraws();
// Every PortableReleaseGpuObjects call since the last clear.
std::vector<const GpuObjects*>& RecordedGpuReleases();
