// D3DXCreateFontW and ID3DXFont::DrawTextW.
#include <memory>

#include "platform/portable/win32/api_guard.h"
#include "platform/portable/win32/com_object.h"
#include "platform/portable/win32/wide_text.h"
#include "platform/portable/d3d9/device.h"
#include "platform/portable/d3dx/font/face.h"
#include "platform/portable/d3dx/font/layout.h"
#include "platform/portable/d3dx/font/renderer.h"

using namespace portable;

namespace {
struct Font final : RefCounted<ID3DXFont> {
    ComRef<Device> device;
    FontFace face;
    FontRenderer renderer;
    // Kept from one DrawTextW to the next, so that drawing allocates nothing.
    std::u32string codepoints;
    LayoutScratch scratch;
    TextLayout layout;

    ~Font() override
    {
        CloseFontFace(face);
        if (!device) return; // never finished: nothing of the device's was taken
        if (MakeDeviceCurrent(*device)) DestroyFontRenderer(renderer);
        // The glyph atlas is a default-pool resource of the device.
        --device->defaultPoolResources;
    }

    INT DrawTextW(ID3DXSprite*, LPCWSTR text, INT count, LPRECT rect, DWORD format, D3DCOLOR color) override
    {
        return GuardedCall<INT>(0, 0, [&]() -> INT {
            if (text == nullptr || count == 0) return 0;
            DecodeWideText(text, count, codepoints);
            if (codepoints.empty()) return 0;

            const RECT area = rect != nullptr ? *rect : RECT{0, 0, 0, 0};
            // Without a rectangle nothing clips and the text starts at the origin.
            const DWORD effective = rect != nullptr ? format : (format | DT_NOCLIP);
            const bool current = MakeDeviceCurrent(*device);
            // One pointer of capture: std::function holds it without allocating.
            const AdvanceOf advance = [font = this, current](char32_t c) {
                return current ? GlyphFor(font->renderer, font->face, c).advance : 0;
            };
            LayOutText(codepoints, area, effective, LineHeightOf(face), advance, scratch, layout);

            if ((format & DT_CALCRECT) != 0) {
                if (rect != nullptr) *rect = layout.bounds;
                return layout.height;
            }
            if (current && !device->lost && device->backBuffer.Ready()) {
                DrawLaidOutText(renderer, face, *device, layout, color, (effective & DT_NOCLIP) != 0 ? nullptr : &area);
            }
            return layout.height;
        });
    }
};
} // namespace

HRESULT WINAPI D3DXCreateFontW(IDirect3DDevice9* device, INT height, UINT width, UINT weight, UINT, BOOL italic, DWORD,
                               DWORD, DWORD, DWORD, LPCWSTR faceName, ID3DXFont** font)
{
    if (device == nullptr || font == nullptr) return D3DERR_INVALIDCALL;
    *font = nullptr;
    return GuardedHresult([&]() -> HRESULT {
        Device* portable = AsDevice(device);
        FontRequest request;
        request.family = faceName != nullptr ? WideToUtf8(faceName) : std::string();
        request.height = height;
        request.width = width;
        request.weight = weight;
        request.italic = italic != FALSE;

        auto made = std::make_unique<Font>();
        if (!OpenFontFace(request, made->face)) return E_FAIL;
        if (!MakeDeviceCurrent(*portable) || !CreateFontRenderer(made->renderer)) return D3DERR_INVALIDCALL;
        ++portable->defaultPoolResources;
        made->device = ComRef<Device>::Share(portable);
        *font = made.release();
        return D3D_OK;
    });
}
