// The model inspector on Windows: a windowed device on a hidden window, the
// hardware one where there is one, else the reference rasterizer.
#include "tools/xinfo_platform.h"

#include <cstring>

namespace {
const wchar_t kClassName[] = L"XINFOWINDOWCLASS";
HWND window = nullptr;
IDirect3D9* direct3d = nullptr;
} // namespace

IDirect3DDevice9* CreateInspectionDevice(std::string& error)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
    window = CreateWindowExW(0, kClassName, L"xinfo", WS_OVERLAPPED, 0, 0, 64, 64, nullptr, nullptr,
                             windowClass.hInstance, nullptr);
    if (window == nullptr) {
        error = "cannot create a window for the device";
        return nullptr;
    }
    direct3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (direct3d == nullptr) {
        error = "Direct3D 9 is not available";
        return nullptr;
    }
    for (D3DDEVTYPE type : {D3DDEVTYPE_HAL, D3DDEVTYPE_REF, D3DDEVTYPE_NULLREF}) {
        D3DPRESENT_PARAMETERS parameters{};
        parameters.Windowed = TRUE;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        parameters.BackBufferFormat = D3DFMT_UNKNOWN;
        parameters.BackBufferWidth = 64;
        parameters.BackBufferHeight = 64;
        parameters.hDeviceWindow = window;
        IDirect3DDevice9* device = nullptr;
        if (SUCCEEDED(direct3d->CreateDevice(D3DADAPTER_DEFAULT, type, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                             &parameters, &device))) {
            return device;
        }
    }
    error = "no Direct3D 9 device could be created";
    return nullptr;
}

void DestroyInspectionDevice(IDirect3DDevice9* device)
{
    if (device != nullptr) device->Release();
    if (direct3d != nullptr) direct3d->Release();
    if (window != nullptr) DestroyWindow(window);
    direct3d = nullptr;
    window = nullptr;
}

UINT ArgumentCodePage() { return CP_ACP; }

bool ReadLevelZero(IDirect3DTexture9* texture, LevelTexels& level)
{
    D3DSURFACE_DESC desc{};
    if (FAILED(texture->GetLevelDesc(0, &desc))) return false;
    level.width = desc.Width;
    level.height = desc.Height;
    level.format = desc.Format;
    level.bgra = false;
    const bool blocks = desc.Format == D3DFMT_DXT1 || desc.Format == D3DFMT_DXT2 || desc.Format == D3DFMT_DXT3
        || desc.Format == D3DFMT_DXT4 || desc.Format == D3DFMT_DXT5;
    size_t rowBytes = 0, rows = desc.Height;
    if (blocks) {
        rowBytes = (desc.Width + 3) / 4 * (desc.Format == D3DFMT_DXT1 ? 8 : 16);
        rows = (desc.Height + 3) / 4;
    } else {
        switch (desc.Format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_A8B8G8R8:
        case D3DFMT_X8B8G8R8:
        case D3DFMT_A2R10G10B10:
        case D3DFMT_A2B10G10R10:
        case D3DFMT_G16R16: rowBytes = desc.Width * 4; break;
        case D3DFMT_R8G8B8: rowBytes = desc.Width * 3; break;
        case D3DFMT_L8:
        case D3DFMT_A8:
        case D3DFMT_A4L4:
        case D3DFMT_R3G3B2:
        case static_cast<D3DFORMAT>(41): rowBytes = desc.Width; break;
        default: rowBytes = desc.Width * 2; break;
        }
    }
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) return false;
    level.bytes.resize(rowBytes * rows);
    for (size_t y = 0; y < rows; ++y) {
        std::memcpy(level.bytes.data() + y * rowBytes, static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch,
                    rowBytes);
    }
    texture->UnlockRect(0);
    return true;
}
