// The D3DX font on the device: where text lands, its color, DrawText's
// result, and that drawing text leaves the device's state alone.
#include "tests/portable/d3d9/test_support.h"

using namespace portable;

namespace {
using d3dtest::DeviceTest;
using d3dtest::MakeQuads;
using d3dtest::Quad;
using d3dtest::ReadBack;

constexpr D3DCOLOR kGrey = 0xFF808080;
constexpr D3DCOLOR kYellow = 0xFFFFFF00;

class FontTest : public DeviceTest {
protected:
    static constexpr UINT kTextWidth = 256;
    static constexpr UINT kTextHeight = 128;

    void SetUp() override
    {
        DeviceTest::SetUp();
        if (HasFatalFailure()) return;
        D3DPRESENT_PARAMETERS params = d3dtest::WindowedParams(kTextWidth, kTextHeight);
        ASSERT_EQ(device->Reset(&params), D3D_OK);
        ASSERT_EQ(D3DXCreateFontW(device, -18, 0, FW_DONTCARE, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Arial", &font),
                  D3D_OK);
    }

    void TearDown() override
    {
        if (font != nullptr) {
            EXPECT_EQ(font->Release(), 0u);
        }
        DeviceTest::TearDown();
    }

    INT DrawLine(const wchar_t* text, RECT rect, DWORD format, D3DCOLOR color)
    {
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        const INT height = font->DrawTextW(nullptr, text, -1, &rect, format, color);
        EXPECT_EQ(device->EndScene(), D3D_OK);
        return height;
    }

    // The box around every pixel that differs from the clear color.
    RECT InkBounds(const d3dtest::Pixels& pixels)
    {
        RECT box{LONG(pixels.width), LONG(pixels.height), -1, -1};
        for (UINT y = 0; y < pixels.height; ++y) {
            for (UINT x = 0; x < pixels.width; ++x) {
                if (pixels.At(x, y) == kGrey) continue;
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
        }
        return box;
    }

    ID3DXFont* font = nullptr;
};

TEST_F(FontTest, YellowTextLandsInsideItsRectangleAndNowhereElse)
{
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kGrey, 1.0f, 0);
    const RECT rect{10, 10, 200, 30};
    const INT height = DrawLine(L"Press 'Esc' to quit.", rect, DT_NOCLIP, kYellow);
    EXPECT_EQ(height, 20) << "ascent plus descent of Liberation Sans at 18 pixels per em";

    const d3dtest::Pixels pixels = ReadBack(device);
    int fullyYellow = 0;
    for (UINT y = 0; y < pixels.height; ++y) {
        for (UINT x = 0; x < pixels.width; ++x) {
            const D3DCOLOR value = pixels.At(x, y);
            const bool inside =
                LONG(x) >= rect.left && LONG(x) < rect.right && LONG(y) >= rect.top && LONG(y) < rect.bottom;
            if (!inside) {
                ASSERT_EQ(value, kGrey) << "ink outside the rectangle at " << x << "," << y;
                continue;
            }
            if (value == kYellow) ++fullyYellow;
            // Blended text lies between grey and yellow: red and green rise together, blue falls.
            const int r = d3dtest::Channel(value, 16), g = d3dtest::Channel(value, 8), b = d3dtest::Channel(value, 0);
            ASSERT_EQ(r, g) << x << "," << y;
            ASSERT_GE(r, 0x80);
            ASSERT_LE(b, 0x80);
        }
    }
    EXPECT_GT(fullyYellow, 100) << "the glyph stems are drawn in the full color";

    const RECT ink = InkBounds(pixels);
    EXPECT_LE(ink.left, rect.left + 2);
    EXPECT_LE(ink.top, rect.top + 6) << "capitals start a few pixels below the top";
    EXPECT_GE(ink.right, rect.left + 100);
}

TEST_F(FontTest, ResultIsTheTextHeightAndCalcRectDrawsNothing)
{
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
    RECT measured{10, 10, 200, 30};
    EXPECT_EQ(font->DrawTextW(nullptr, L"FPS: 60", -1, &measured, DT_CALCRECT, kYellow), 20);
    EXPECT_EQ(measured.left, 10);
    EXPECT_EQ(measured.top, 10);
    EXPECT_EQ(measured.bottom, 30);
    EXPECT_GT(measured.right, 40);
    EXPECT_LT(measured.right, 120);
    const d3dtest::Pixels pixels = ReadBack(device);
    for (D3DCOLOR value : pixels.values) ASSERT_EQ(value, kGrey);

    RECT twoLines{0, 0, 200, 100};
    EXPECT_EQ(font->DrawTextW(nullptr, L"one\ntwo", -1, &twoLines, DT_CALCRECT, kYellow), 40);
    RECT counted{0, 0, 200, 100};
    EXPECT_EQ(font->DrawTextW(nullptr, L"one\ntwo", 3, &counted, DT_CALCRECT, kYellow), 20);
    EXPECT_EQ(font->DrawTextW(nullptr, L"", -1, &counted, DT_NOCLIP, kYellow), 0);
    EXPECT_EQ(font->DrawTextW(nullptr, nullptr, -1, &counted, DT_NOCLIP, kYellow), 0);
}

TEST_F(FontTest, AlignmentMovesTheInk)
{
    const RECT rect{0, 40, 256, 60};
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
    DrawLine(L"Mid", rect, DT_CENTER | DT_NOCLIP, kYellow);
    const RECT centred = InkBounds(ReadBack(device));
    EXPECT_NEAR((centred.left + centred.right) / 2.0, 128.0, 3.0);

    device->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
    DrawLine(L"End", rect, DT_RIGHT | DT_NOCLIP, kYellow);
    const RECT right = InkBounds(ReadBack(device));
    EXPECT_GE(right.right, 250);
    EXPECT_LE(right.right, 256);
}

TEST_F(FontTest, WithoutNoClipTextStaysInItsRectangle)
{
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
    const RECT rect{10, 10, 60, 30};
    DrawLine(L"Press W, A, S, D, PgUp and PgDn to move.", rect, DT_LEFT, kYellow);
    const RECT ink = InkBounds(ReadBack(device));
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 60);
    EXPECT_GT(ink.right, 50) << "the text fills the rectangle up to its edge";

    device->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
    DrawLine(L"Press W, A, S, D, PgUp and PgDn to move.", rect, DT_NOCLIP, kYellow);
    EXPECT_GT(InkBounds(ReadBack(device)).right, 200) << "DT_NOCLIP draws the whole line";
}

TEST_F(FontTest, DrawingTextLeavesTheDeviceStateAlone)
{
    // States the scene sets: unlit, no depth writes, no culling.
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kGrey, 1.0f, 0);
    DrawLine(L"Overlay", RECT{0, 0, 100, 20}, DT_NOCLIP, kYellow);

    // A counter-clockwise quad: drawn only while culling stays off.
    d3dtest::TestMesh quad = MakeQuads({Quad{-1.0f, -1.0f, 1.0f, 0.0f, 0.5f, 0xFF0000FF}}, D3DFVF_XYZ | D3DFVF_DIFFUSE);
    Draw(quad);
    // With depth writes still off, a farther quad still lands on top.
    d3dtest::TestMesh farther =
        MakeQuads({Quad{-1.0f, -0.5f, 0.0f, -1.0f, 0.9f, 0xFF00FF00}}, D3DFVF_XYZ | D3DFVF_DIFFUSE);
    Draw(farther);

    const d3dtest::Pixels pixels = ReadBack(device);
    EXPECT_EQ(pixels.At(200, 80), 0xFF0000FFu) << "unlit vertex color, no culling";
    EXPECT_EQ(pixels.At(40, 120), 0xFF00FF00u) << "depth writes stayed off";
}

TEST_F(FontTest, FontCountsAsADefaultPoolResource)
{
    D3DPRESENT_PARAMETERS params = d3dtest::WindowedParams(kTextWidth, kTextHeight);
    EXPECT_EQ(device->Reset(&params), D3DERR_INVALIDCALL);
    EXPECT_EQ(font->Release(), 0u);
    font = nullptr;
    EXPECT_EQ(device->Reset(&params), D3D_OK);
}

} // namespace
