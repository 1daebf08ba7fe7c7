// Texture stage 0: the texture modulates the color and gives the alpha;
// unbinding, and textures released while bound.
#include <filesystem>
#include <string>

#include "tests/portable/d3d9/test_support.h"
#include "tests/support/scratch_folder.h"

using namespace portable;

namespace {
using d3dtest::ColorNear;
using d3dtest::DeviceTest;
using d3dtest::MakeQuads;
using d3dtest::Quad;
using d3dtest::ReadBack;

constexpr D3DCOLOR kGrey = 0xFF808080;
// Top-left, top-right, bottom-left, bottom-right texels as A8R8G8B8.
constexpr D3DCOLOR kTexels[4] = {0xFFC86432, 0xFF0A141E, 0xFFFFFFFF, 0x8000FF00};
constexpr D3DCOLOR kVertexColor = 0xFF80C0FF;

// An uncompressed 32-bit TGA, top row first.
std::string TextureFile()
{
    std::string bytes(18, '\0');
    bytes[2] = 2;     // true color
    bytes[12] = 2;    // width 2
    bytes[14] = 2;    // height 2
    bytes[16] = 32;   // bits per pixel
    bytes[17] = 0x28; // 8 alpha bits, top-left origin
    for (D3DCOLOR texel : kTexels)
        for (int shift : {0, 8, 16, 24}) bytes += static_cast<char>(texel >> shift);
    return bytes;
}

std::wstring Wide(const std::filesystem::path& path)
{
    return std::wstring(path.native().begin(), path.native().end());
}

D3DCOLOR Modulate(D3DCOLOR texel, D3DCOLOR color)
{
    D3DCOLOR result = texel & 0xFF000000; // alpha from the texture
    for (int shift : {16, 8, 0}) {
        const long product = std::lround(d3dtest::Channel(texel, shift) * d3dtest::Channel(color, shift) / 255.0);
        result |= static_cast<D3DCOLOR>(product) << shift;
    }
    return result;
}

class TextureTest : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(D3DXCreateTextureFromFileExW(device, Wide(folder.Write("texture.tga", TextureFile())).c_str(),
                                               D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                               D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
                                               &texture),
                  D3D_OK);
    }

    void TearDown() override
    {
        if (texture != nullptr) texture->Release();
        DeviceTest::TearDown();
    }

    d3dtest::Pixels DrawTexturedQuad()
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kGrey, 1.0f, 0);
        d3dtest::TestMesh quad =
            MakeQuads({Quad{-1.0f, 1.0f, 1.0f, -1.0f, 0.5f, kVertexColor}}, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        Draw(quad);
        return ReadBack(device);
    }

    ScratchFolder folder;
    IDirect3DTexture9* texture = nullptr;
};

TEST_F(TextureTest, TextureModulatesTheColorAndGivesTheAlpha)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    const d3dtest::Pixels pixels = DrawTexturedQuad();
    const UINT spots[4][2] = {{16, 16}, {48, 16}, {16, 48}, {48, 48}};
    for (int i = 0; i < 4; ++i) {
        const D3DCOLOR value = pixels.At(spots[i][0], spots[i][1]);
        const D3DCOLOR expected = Modulate(kTexels[i], kVertexColor);
        EXPECT_TRUE(ColorNear(value, expected, 1)) << "texel " << i;
        EXPECT_EQ(value >> 24, expected >> 24) << "texel " << i;
    }
}

// Once the device holds the texels, the texture gives up its own copy; it
// keeps its level count, and later frames and a Reset draw it as before.
TEST_F(TextureTest, TexelsAreHeldOnceAfterTheFirstDrawAndSurviveReset)
{
    const DWORD levels = texture->GetLevelCount();
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    const d3dtest::Pixels first = DrawTexturedQuad();
    EXPECT_TRUE(TextureDataOf(texture)->levels.empty());
    EXPECT_EQ(texture->GetLevelCount(), levels);

    D3DPRESENT_PARAMETERS params = d3dtest::WindowedParams(kWidth, kHeight);
    ASSERT_EQ(device->Reset(&params), D3D_OK);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    EXPECT_EQ(DrawTexturedQuad().values, first.values);
}

TEST_F(TextureTest, LitMaterialIsModulatedToo)
{
    D3DMATERIAL9 material{};
    material.Diffuse = {1, 1, 1, 1};
    material.Ambient = {0.5f, 0.5f, 0.5f, 1};
    device->SetMaterial(&material);
    device->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    device->SetTexture(0, texture);
    const d3dtest::Pixels pixels = DrawTexturedQuad();
    EXPECT_TRUE(ColorNear(pixels.At(16, 48), 0xFF808080, 1)) << "white texel times half ambient";
    EXPECT_TRUE(ColorNear(pixels.At(16, 16), Modulate(kTexels[0], 0xFF808080), 1));
}

TEST_F(TextureTest, UnboundTextureLeavesTheColor)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetTexture(0, texture);
    DrawTexturedQuad();
    ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);
    const d3dtest::Pixels pixels = DrawTexturedQuad();
    EXPECT_EQ(pixels.At(16, 16), kVertexColor);
    EXPECT_EQ(pixels.At(48, 48), kVertexColor);
}

TEST_F(TextureTest, TextureReleasedWhileBoundIsUnbound)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetTexture(0, texture);
    DrawTexturedQuad();
    EXPECT_EQ(texture->Release(), 0u) << "binding holds no reference";
    texture = nullptr;
    const d3dtest::Pixels pixels = DrawTexturedQuad();
    EXPECT_EQ(pixels.At(16, 16), kVertexColor);
}

TEST_F(TextureTest, TextureBoundButNeverDrawnCanGoFirst)
{
    device->SetTexture(0, texture);
    EXPECT_EQ(texture->Release(), 0u);
    texture = nullptr;
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    EXPECT_EQ(DrawTexturedQuad().At(32, 32), kVertexColor);
}

// A file wider than the device takes: the loader fits it to the device's
// largest side, and the device draws what the loader made.
TEST_F(TextureTest, AFileWiderThanTheDeviceTakesIsFittedAndDrawn)
{
    const unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 1, 0, 24, 0}; // 16384x1, red
    std::string bytes(reinterpret_cast<const char*>(header), sizeof header);
    for (int x = 0; x < 16384; ++x) bytes += std::string("\0\0\xFF", 3);
    IDirect3DTexture9* fitted = nullptr;
    const HRESULT result = D3DXCreateTextureFromFileExW(
        device, Wide(folder.Write("wide.tga", bytes)).c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
        D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &fitted);
    ASSERT_EQ(result, D3D_OK);
    const UINT side = MaxTextureSide(device);
    EXPECT_GE(side, 1024u);
    EXPECT_LE(side, kMaxTextureSide);
    EXPECT_EQ(TextureDataOf(fitted)->width, side);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetTexture(0, fitted);
    const d3dtest::Pixels pixels = DrawTexturedQuad();
    EXPECT_TRUE(ColorNear(pixels.At(32, 32), Modulate(0xFFFF0000, kVertexColor), 1));
    device->SetTexture(0, nullptr);
    fitted->Release();
}

} // namespace
