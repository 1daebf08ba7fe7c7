// The model inspector on the portable layer: meshes and textures load
// without a display, so the device is a stand-in that is never drawn with.
#include "tools/xinfo_platform.h"

namespace {
struct InspectionDevice final : IDirect3DDevice9 {
    ULONG references = 1;

    ULONG AddRef() override { return ++references; }
    ULONG Release() override
    {
        const ULONG left = --references;
        if (left == 0) delete this;
        return left;
    }
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
} // namespace

IDirect3DDevice9* CreateInspectionDevice(std::string&) { return new InspectionDevice; }

void DestroyInspectionDevice(IDirect3DDevice9* device)
{
    if (device != nullptr) device->Release();
}

UINT ArgumentCodePage() { return CP_UTF8; }
