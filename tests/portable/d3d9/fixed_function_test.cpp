// Fixed-function drawing: vertex colors, ambient lighting, alpha test, depth, culling
// and Direct3D's transform and rasterisation conventions.
#include <cmath>
#include <ostream>

#include "tests/portable/d3d9/test_support.h"

using namespace portable;

namespace {
using d3dtest::ColorNear;
using d3dtest::DeviceTest;
using d3dtest::MakeQuads;
using d3dtest::MakeTriangle;
using d3dtest::Quad;
using d3dtest::ReadBack;

constexpr D3DCOLOR kGrey = 0xFF808080;
constexpr D3DCOLOR kRed = 0xFFFF0000;
constexpr D3DCOLOR kGreen = 0xFF00FF00;
constexpr D3DCOLOR kBlue = 0xFF0000FF;
constexpr DWORD kColored = D3DFVF_XYZ | D3DFVF_DIFFUSE;

// A quad over the whole target at depth z.
Quad FullScreen(float z, D3DCOLOR color) { return Quad{-1.0f, 1.0f, 1.0f, -1.0f, z, color}; }

class DrawTest : public DeviceTest {
protected:
    void ClearAll(D3DCOLOR color = kGrey)
    {
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, color, 1.0f, 0), D3D_OK);
    }
    D3DCOLOR Centre() { return ReadBack(device).At(kWidth / 2, kHeight / 2); }
};

TEST_F(DrawTest, UnlitDrawingShowsTheVertexColorOrWhite)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    ClearAll();
    d3dtest::TestMesh colored = MakeQuads({FullScreen(0.5f, 0xFF336699)}, kColored);
    Draw(colored);
    EXPECT_EQ(Centre() & 0xFFFFFF, 0x336699u);

    ClearAll();
    d3dtest::TestMesh plain = MakeQuads({FullScreen(0.5f, 0xFF336699)}, D3DFVF_XYZ);
    Draw(plain);
    EXPECT_EQ(Centre() & 0xFFFFFF, 0xFFFFFFu);
}

struct AmbientCase {
    const char* name;
    D3DCOLORVALUE ambient;
    D3DCOLORVALUE emissive;
    D3DCOLOR globalAmbient;
};

void PrintTo(const AmbientCase& c, std::ostream* out) { *out << c.name; }

class AmbientLightingTest : public DrawTest, public ::testing::WithParamInterface<AmbientCase> {};

TEST_P(AmbientLightingTest, ColorIsEmissivePlusAmbientTimesGlobalAmbient)
{
    const AmbientCase& c = GetParam();
    D3DMATERIAL9 material{};
    material.Diffuse = {0.1f, 0.9f, 0.3f, 1.0f}; // no lights: diffuse adds nothing
    material.Ambient = c.ambient;
    material.Emissive = c.emissive;
    ASSERT_EQ(device->SetMaterial(&material), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_AMBIENT, c.globalAmbient), D3D_OK);
    ClearAll();
    // Lighting is on by default; the vertex color only feeds the diffuse term.
    d3dtest::TestMesh quad = MakeQuads({FullScreen(0.5f, 0xFFFFFFFF)}, kColored);
    Draw(quad);

    auto expected = [&](float ambient, float emissive, int shift) {
        const float global = static_cast<float>((c.globalAmbient >> shift) & 0xFF) / 255.0f;
        const float value = std::fmin(1.0f, std::fmax(0.0f, emissive + ambient * global));
        return static_cast<D3DCOLOR>(std::lround(value * 255.0f)) << shift;
    };
    const D3DCOLOR want = expected(c.ambient.r, c.emissive.r, 16) | expected(c.ambient.g, c.emissive.g, 8)
        | expected(c.ambient.b, c.emissive.b, 0);
    EXPECT_TRUE(ColorNear(Centre(), want, 1));
}

INSTANTIATE_TEST_SUITE_P(
    Materials, AmbientLightingTest,
    ::testing::Values(AmbientCase{"white_ambient", {1, 1, 1, 1}, {0, 0, 0, 0}, 0xFFFFFFFF},
                      AmbientCase{"scaled", {0.5f, 0.25f, 1.0f, 1}, {0, 0, 0, 0}, 0xFF808040},
                      AmbientCase{"emissive_added", {0.5f, 0.5f, 0.5f, 1}, {0.2f, 0.1f, 0.0f, 0}, 0xFF4080C0},
                      AmbientCase{"saturates", {1, 1, 1, 1}, {0.75f, 0.5f, 0.0f, 0}, 0xFFFFFFFF},
                      AmbientCase{"default_ambient_is_black", {1, 1, 1, 1}, {0, 0, 0, 0}, 0x00000000}),
    [](const ::testing::TestParamInfo<AmbientCase>& param) { return param.param.name; });

TEST_F(DrawTest, NearObjectHidesFarOneInEitherOrder)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    for (bool nearFirst : {true, false}) {
        ClearAll();
        d3dtest::TestMesh nearQuad = MakeQuads({FullScreen(0.2f, kRed)}, kColored);
        d3dtest::TestMesh farQuad = MakeQuads({FullScreen(0.8f, kGreen)}, kColored);
        Draw(nearFirst ? nearQuad : farQuad);
        Draw(nearFirst ? farQuad : nearQuad);
        EXPECT_EQ(Centre() & 0xFFFFFF, kRed & 0xFFFFFF) << (nearFirst ? "near first" : "far first");
    }
}

TEST_F(DrawTest, DepthWritesOffLeaveTheDepthBufferUntouched)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    ClearAll();
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    d3dtest::TestMesh nearQuad = MakeQuads({FullScreen(0.2f, kRed)}, kColored);
    Draw(nearQuad);
    EXPECT_EQ(Centre() & 0xFFFFFF, kRed & 0xFFFFFF); // drawn, depth-tested against the cleared 1.0

    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    d3dtest::TestMesh farQuad = MakeQuads({FullScreen(0.8f, kGreen)}, kColored);
    Draw(farQuad);
    EXPECT_EQ(Centre() & 0xFFFFFF, kGreen & 0xFFFFFF);
}

TEST_F(DrawTest, AlphaTestKeepsOnlyPassingFragments)
{
    struct Case {
        BOOL enabled;
        D3DCMPFUNC func;
        DWORD ref;
        bool drawn;
    };
    // The vertices' alpha is 0x80.
    const Case cases[] = {
        {TRUE, D3DCMP_GREATER, 0x7F, true}, {TRUE, D3DCMP_GREATER, 0x80, false}, {TRUE, D3DCMP_EQUAL, 0x80, true},
        {TRUE, D3DCMP_LESS, 0x80, false},   {TRUE, D3DCMP_NEVER, 0, false},      {TRUE, D3DCMP_ALWAYS, 0, true},
        {FALSE, D3DCMP_NEVER, 0, true},
    };
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    d3dtest::TestMesh quad = MakeQuads({FullScreen(0.5f, 0x80FF0000)}, kColored);
    for (const Case& c : cases) {
        ClearAll();
        device->SetRenderState(D3DRS_ALPHATESTENABLE, c.enabled);
        device->SetRenderState(D3DRS_ALPHAFUNC, c.func);
        device->SetRenderState(D3DRS_ALPHAREF, c.ref);
        Draw(quad);
        EXPECT_EQ(Centre() & 0xFFFFFF, (c.drawn ? kRed : kGrey) & 0xFFFFFF)
            << "enabled " << c.enabled << ", func " << c.func << ", ref " << c.ref;
    }
}

TEST_F(DrawTest, DepthTestOffDrawsInSubmissionOrder)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    ClearAll();
    d3dtest::TestMesh nearQuad = MakeQuads({FullScreen(0.2f, kRed)}, kColored);
    d3dtest::TestMesh farQuad = MakeQuads({FullScreen(0.8f, kGreen)}, kColored);
    Draw(nearQuad);
    Draw(farQuad);
    EXPECT_EQ(Centre() & 0xFFFFFF, kGreen & 0xFFFFFF);
}

struct CullCase {
    const char* name;
    DWORD cullMode; // 0: the device's default
    bool clockwiseDrawn;
    bool counterClockwiseDrawn;
};

void PrintTo(const CullCase& c, std::ostream* out) { *out << c.name; }

class CullingTest : public DrawTest, public ::testing::WithParamInterface<CullCase> {};

TEST_P(CullingTest, WindingOnScreenDecides)
{
    const CullCase& c = GetParam();
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    if (c.cullMode != 0) device->SetRenderState(D3DRS_CULLMODE, c.cullMode);
    // Corners in clip space, y up: top, right, bottom-left is clockwise on screen.
    const float clockwise[3][2] = {{0.0f, 0.9f}, {0.9f, -0.9f}, {-0.9f, -0.9f}};
    const float counterClockwise[3][2] = {{0.0f, 0.9f}, {-0.9f, -0.9f}, {0.9f, -0.9f}};
    for (bool isClockwise : {true, false}) {
        ClearAll();
        d3dtest::TestMesh triangle = MakeTriangle(isClockwise ? clockwise : counterClockwise, 0.5f, kBlue);
        Draw(triangle);
        const bool drawn = (Centre() & 0xFFFFFF) == (kBlue & 0xFFFFFF);
        EXPECT_EQ(drawn, isClockwise ? c.clockwiseDrawn : c.counterClockwiseDrawn)
            << (isClockwise ? "clockwise" : "counter-clockwise");
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, CullingTest,
                         ::testing::Values(CullCase{"default_culls_ccw", 0, true, false},
                                           CullCase{"ccw", D3DCULL_CCW, true, false},
                                           CullCase{"cw", D3DCULL_CW, false, true},
                                           CullCase{"none", D3DCULL_NONE, true, true}),
                         [](const ::testing::TestParamInfo<CullCase>& param) { return param.param.name; });

// Where Direct3D puts a world point: through world, view and projection, then
// the viewport with y pointing down.
void ScreenOf(const D3DXVECTOR3& point, const D3DXMATRIX& viewProjection, float& x, float& y)
{
    D3DXVECTOR3 clip;
    D3DXVec3TransformCoord(&clip, &point, &viewProjection);
    x = (clip.x + 1.0f) * 0.5f * 64.0f;
    y = (1.0f - clip.y) * 0.5f * 64.0f;
}

TEST_F(DrawTest, PerspectiveViewPutsPointsWhereDirect3DDoes)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    D3DXMATRIX view, projection, viewProjection;
    const D3DXVECTOR3 eye(0.0f, 0.0f, -5.0f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 3.14159265f / 3.0f, 1.0f, 1.0f, 100.0f);
    D3DXMatrixMultiply(&viewProjection, &view, &projection);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &projection);

    // A small square to the right of and above the look-at point, 5 units in front of the eye.
    const float cx = 1.0f, cy = 0.8f, half = 0.15f;
    d3dtest::TestMesh square = MakeQuads({Quad{cx - half, cy + half, cx + half, cy - half, 0.0f, kRed}}, kColored);
    ClearAll();
    Draw(square);

    float x = 0.0f, y = 0.0f;
    ScreenOf(D3DXVECTOR3(cx, cy, 0.0f), viewProjection, x, y);
    EXPECT_GT(x, 32.0f) << "+x is to the right";
    EXPECT_LT(y, 32.0f) << "+y is up";
    const d3dtest::Pixels pixels = ReadBack(device);
    EXPECT_EQ(pixels.At(static_cast<UINT>(x), static_cast<UINT>(y)) & 0xFFFFFF, kRed & 0xFFFFFF);
    // The mirrored spot stays empty.
    EXPECT_EQ(pixels.At(static_cast<UINT>(64.0f - x), static_cast<UINT>(64.0f - y)), kGrey);

    // The same square behind the eye is clipped away.
    d3dtest::TestMesh behind = MakeQuads({Quad{cx - half, cy + half, cx + half, cy - half, -10.0f, kRed}}, kColored);
    ClearAll();
    Draw(behind);
    const d3dtest::Pixels empty = ReadBack(device);
    for (D3DCOLOR value : empty.values) ASSERT_EQ(value, kGrey);
}

TEST_F(DrawTest, GeometryOutsideTheNearAndFarPlanesIsClipped)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 3.14159265f / 2.0f, 1.0f, 1.0f, 10.0f);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    for (float z : {0.5f, 1.1f, 5.0f, 9.9f, 10.5f}) {
        d3dtest::TestMesh quad = MakeQuads({Quad{-1.0f, 1.0f, 1.0f, -1.0f, z, kRed}}, kColored);
        ClearAll();
        Draw(quad);
        EXPECT_EQ((Centre() & 0xFFFFFF) == (kRed & 0xFFFFFF), z > 1.0f && z < 10.0f) << "z = " << z;
    }
}

// The depth buffer holds Direct3D's z / w, from 0 at the near plane to 1 at the far one.
TEST_F(DrawTest, DepthValuesAreDirect3DsZOverW)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    for (float z : {0.3f, 0.45f, 0.55f, 0.7f}) {
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kGrey, 0.5f, 0), D3D_OK);
        d3dtest::TestMesh quad = MakeQuads({FullScreen(z, kRed)}, kColored);
        Draw(quad);
        EXPECT_EQ(Centre() == kRed, z < 0.5f) << "z = " << z;
    }
}

// Direct3D 9 samples pixels at integer coordinates: a quad from x = 16.25 to
// 16.75 (in pixels) contains no pixel centre and draws nothing, while one
// from 15.5 to 16.5 covers exactly pixel 16.
TEST_F(DrawTest, PixelCentresLieOnIntegerCoordinates)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    auto ndc = [](float pixels) { return pixels / 32.0f - 1.0f; };
    ClearAll();
    d3dtest::TestMesh between = MakeQuads({Quad{ndc(16.25f), 1.0f, ndc(16.75f), -1.0f, 0.5f, kRed}}, kColored);
    Draw(between);
    const d3dtest::Pixels none = ReadBack(device);
    for (D3DCOLOR value : none.values) ASSERT_EQ(value, kGrey);

    ClearAll();
    d3dtest::TestMesh column = MakeQuads({Quad{ndc(15.5f), 1.0f, ndc(16.5f), -1.0f, 0.5f, kRed}}, kColored);
    Draw(column);
    const d3dtest::Pixels one = ReadBack(device);
    for (UINT x = 0; x < kWidth; ++x) {
        EXPECT_EQ(one.At(x, 10) == kRed, x == 16) << "column " << x;
    }
}

TEST_F(DrawTest, IndicesOutOfRangeAreRefused)
{
    ClearAll();
    d3dtest::TestMesh broken = MakeQuads({FullScreen(0.5f, kRed)}, kColored);
    broken->indices[2] = 1000;
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(DrawMeshSubset(device, *broken, 0), D3DERR_INVALIDCALL);
    device->EndScene();
    EXPECT_EQ(Centre(), kGrey);
}

TEST_F(DrawTest, SubsetsDrawOnlyTheirFaces)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    d3dtest::TestMesh mesh =
        MakeQuads({Quad{-1.0f, 1.0f, 0.0f, -1.0f, 0.5f, kRed}, Quad{0.0f, 1.0f, 1.0f, -1.0f, 0.5f, kGreen}}, kColored);
    mesh->attributes = {0, 0, 1, 1};
    mesh->attributeTable = {SubsetRange{0, 0, 2, 0, 4}, SubsetRange{1, 2, 2, 4, 4}};
    ClearAll();
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(DrawMeshSubset(device, *mesh, 1), D3D_OK);
    EXPECT_EQ(DrawMeshSubset(device, *mesh, 7), D3D_OK); // no such subset: nothing
    device->EndScene();
    const d3dtest::Pixels pixels = ReadBack(device);
    EXPECT_EQ(pixels.At(16, 32), kGrey);
    EXPECT_EQ(pixels.At(48, 32) & 0xFFFFFF, kGreen & 0xFFFFFF);
}

} // namespace
