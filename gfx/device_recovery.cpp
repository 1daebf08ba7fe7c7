// Waiting out a lost device and resetting it.
#include "app/application.h"
#include "support/log.h"

namespace {
constexpr DWORD kRecoveryWaitMs = 250;
}

void Application::RecoverDevice()
{
    Sleep(kRecoveryWaitMs);

    const HRESULT level = device->TestCooperativeLevel();
    if (SUCCEEDED(level)) {
        Log::Instance()->Write(L"Direct3D device restored.");
        deviceLost = false;
        return;
    }
    if (level != D3DERR_DEVICENOTRESET) return;

    // The font holds default-pool resources, which must be gone before Reset.
    if (font != nullptr) {
        font->Release();
        font = nullptr;
    }
    if (SUCCEEDED(device->Reset(&presentParams))) CreateOverlayFont();
}
