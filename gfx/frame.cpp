// One frame: clear, scene, overlay, present; a lost device is noticed at Present.
#include "app/application.h"
#include "gfx/overlay_text.h"
#include "scene/scene.h"
#include "support/log.h"

namespace {
constexpr D3DCOLOR kClearColor = 0xFF808080;
constexpr D3DCOLOR kHelpColor = 0xFFFFFF00;
constexpr D3DCOLOR kStatusColor = 0xFFFFFFFF;

// The overlay's changing lines, kept from frame to frame so that writing them
// allocates nothing.
std::wstring g_modeText;
std::wstring g_fpsText;

void DrawOverlayLine(ID3DXFont* font, const wchar_t* text, int top, D3DCOLOR color)
{
    RECT rect;
    SetRect(&rect, 10, top, 200, top + 20);
    font->DrawTextW(nullptr, text, -1, &rect, DT_NOCLIP, color);
}
} // namespace

void Application::RenderFrame()
{
    if (deviceLost) {
        RecoverDevice();
        return;
    }

    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColor, 1.0f, 0);

    if (SUCCEEDED(device->BeginScene())) {
        if (scene != nullptr) scene->Draw();

        // Without a font (its re-creation after a reset failed) the overlay is left out.
        if (font != nullptr) {
            WriteDisplayModeText(width, height, refreshRate, g_modeText);
            WriteFpsText(fps, g_fpsText);
            DrawOverlayLine(font, L"Press 'Esc' to quit.", 10, kHelpColor);
            DrawOverlayLine(font, L"Press W, A, S, D, PgUp and PgDn to move.", 30, kHelpColor);
            DrawOverlayLine(font, g_modeText.c_str(), 55, kStatusColor);
            DrawOverlayLine(font, g_fpsText.c_str(), 75, kStatusColor);
        }
        device->EndScene();
    }

    if (device->Present(nullptr, nullptr, nullptr, nullptr) == D3DERR_DEVICELOST) {
        Log::Instance()->Write(L"Direct3D device lost.");
        deviceLost = true;
    }
}
