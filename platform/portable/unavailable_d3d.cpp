// Direct3D and D3DX objects before the graphics layer exists: every creation
// fails with the SDK's failure codes. Replaced by the OpenGL layer.
#include "platform/platform.h"

IDirect3D9* WINAPI Direct3DCreate9(UINT) { return nullptr; }

HRESULT WINAPI D3DXCreateFontW(IDirect3DDevice9*, INT, UINT, UINT, UINT, BOOL, DWORD, DWORD, DWORD, DWORD, LPCWSTR,
                               ID3DXFont**)
{
    return D3DERR_NOTAVAILABLE;
}

HRESULT WINAPI D3DXLoadMeshFromXW(LPCWSTR, DWORD, IDirect3DDevice9*, ID3DXBuffer**, ID3DXBuffer**, ID3DXBuffer**,
                                  DWORD*, ID3DXMesh**)
{
    return D3DERR_NOTAVAILABLE;
}

HRESULT WINAPI D3DXCreateTextureFromFileExW(IDirect3DDevice9*, LPCWSTR, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                            DWORD, DWORD, D3DCOLOR, D3DXIMAGE_INFO*, PALETTEENTRY*,
                                            IDirect3DTexture9**)
{
    return D3DERR_NOTAVAILABLE;
}
