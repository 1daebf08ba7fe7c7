// The model inspector on Windows: a windowed device on a hidden window, the
// hardware one where there is one, else the reference rasterizer.
#include "tools/xinfo_platform.h"

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
