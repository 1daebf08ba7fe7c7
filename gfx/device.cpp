// Direct3D start-up: the object, the display mode, the device and the overlay font.
#include "app/application.h"
#include "gfx/overlay_text.h"
#include "support/log.h"

bool Application::CreateDirect3D()
{
    direct3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (direct3d == nullptr) {
        Log::Instance()->Write(L"FAILED: Create Direct3D object.");
        return false;
    }

    D3DDISPLAYMODE mode{};
    if (!FindDisplayMode(mode)) {
        Log::Instance()->Write(L"FAILED: Couldn't find appropriate adapter mode.");
        return false;
    }

    presentParams = D3DPRESENT_PARAMETERS{};
    presentParams.BackBufferWidth = mode.Width;
    presentParams.BackBufferHeight = mode.Height;
    presentParams.BackBufferFormat = D3DFMT_A8R8G8B8;
    presentParams.BackBufferCount = 1;
    presentParams.MultiSampleType = D3DMULTISAMPLE_NONE;
    presentParams.MultiSampleQuality = 0;
    presentParams.SwapEffect = D3DSWAPEFFECT_DISCARD;
    presentParams.hDeviceWindow = nullptr;
    presentParams.Windowed = FALSE;
    presentParams.EnableAutoDepthStencil = TRUE;
    presentParams.AutoDepthStencilFormat = D3DFMT_D16;
    presentParams.Flags = 0;
    presentParams.FullScreen_RefreshRateInHz = mode.RefreshRate;
    presentParams.PresentationInterval = D3DPRESENT_INTERVAL_ONE;

    if (FAILED(direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                      &presentParams, &device))) {
        device = nullptr;
        Log::Instance()->Write(L"FAILED: Create Direct3D device.");
        return false;
    }

    StartFrameTiming();
    return true;
}

bool Application::FindDisplayMode(D3DDISPLAYMODE& mode)
{
    const UINT count = direct3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8);
    Log::Instance()->Write(L"Listing available modes for default adapter...");

    bool found = false;
    for (UINT index = 0; index < count; ++index) {
        D3DDISPLAYMODE candidate{};
        if (FAILED(direct3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, index, &candidate))) return false;

        const bool isMatch = !found && candidate.Format == D3DFMT_X8R8G8B8 && candidate.Width == width
            && candidate.Height == height && candidate.RefreshRate == refreshRate;
        if (isMatch) {
            mode = candidate;
            found = true;
        }
        Log::Instance()->Write(ModeListLine(isMatch, candidate.Width, candidate.Height, candidate.RefreshRate));
    }
    return found;
}

bool Application::CreateOverlayFont()
{
    HDC screen = GetDC(nullptr);
    const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    const INT fontHeight = (-14 * pixelsPerInch) / 72;
    if (FAILED(D3DXCreateFontW(device, fontHeight, 0, FW_DONTCARE, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Arial", &font))) {
        font = nullptr;
        Log::Instance()->Write(L"FAILED: Create Direct3D font.");
        return false;
    }
    return true;
}
