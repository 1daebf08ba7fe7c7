// The textures D3DXCreateTextureFromFileExW makes: size and mip rules,
// formats, color keys, and the texture object.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/portable/d3dx/image/resample.h"
#include "platform/portable/d3dx/image/texture.h"
#include "tests/portable/allocation_failure.h"
#include "tests/portable/d3dx/test_device.h"
#include "tests/portable/d3dx/test_files.h"
#include "platform/portable/d3dx/texture_prefetch.h"
#include "platform/portable/d3d9/texture_budget.h"
#include "platform/portable/win32/load_scope.h"
#include "tests/portable/d3dx/image/test_files.h"

using namespace portable;

namespace {

struct Built {
    TextureData data;
    D3DXIMAGE_INFO info{};
};

Built Build(const std::string& file, const TextureRequest& request = TextureRequest{}, UINT maxSide = kMaxTextureSide)
{
    Built built;
    EXPECT_EQ(LoadTextureData(reinterpret_cast<const uint8_t*>(file.data()), file.size(), request, maxSide, built.data,
                              built.info),
              S_OK);
    return built;
}

std::vector<std::pair<UINT, UINT>> LevelSizes(const TextureData& data)
{
    std::vector<std::pair<UINT, UINT>> sizes;
    UINT width = data.width, height = data.height;
    for (const std::vector<uint8_t>& level : data.levels) {
        EXPECT_EQ(level.size(), static_cast<size_t>(width) * height * 4);
        sizes.emplace_back(width, height);
        width = std::max(1u, width / 2);
        height = std::max(1u, height / 2);
    }
    return sizes;
}

TEST(ImageTexture, DefaultSizesRoundUpToPowersOfTwoWithAFullChain)
{
    const Built built = Build(MakeBmp(Pattern(3, 5), 24));
    EXPECT_EQ(built.data.width, 4u);
    EXPECT_EQ(built.data.height, 8u);
    EXPECT_EQ(LevelSizes(built.data), (std::vector<std::pair<UINT, UINT>>{{4, 8}, {2, 4}, {1, 2}, {1, 1}}));
    EXPECT_EQ(built.info.Width, 3u);
    EXPECT_EQ(built.info.Height, 5u);
    EXPECT_EQ(built.info.MipLevels, 1u);
    EXPECT_EQ(built.info.Format, D3DFMT_R8G8B8);
    EXPECT_EQ(built.info.ImageFileFormat, D3DXIFF_BMP);
    EXPECT_EQ(built.info.ResourceType, D3DRTYPE_TEXTURE);
    // 24-bit files become X8R8G8B8 textures with opaque alpha.
    EXPECT_EQ(built.data.format, D3DFMT_X8R8G8B8);
    for (size_t i = 3; i < built.data.levels[0].size(); i += 4) ASSERT_EQ(built.data.levels[0][i], 255);
}

TEST(ImageTexture, SizeAndLevelRequestsAreHonoured)
{
    struct Case {
        UINT width, height, levels;
        UINT expectedWidth, expectedHeight;
        size_t expectedLevels;
    };
    const Case cases[] = {
        {D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT, 3, 5, 3},
        {D3DX_FROM_FILE, 0, 1, 3, 5, 1},
        {16, 2, 0, 16, 2, 5},
        {D3DX_DEFAULT, D3DX_DEFAULT, 2, 4, 8, 2},
        {D3DX_DEFAULT, D3DX_DEFAULT, 99, 4, 8, 4},
        {D3DX_DEFAULT, D3DX_DEFAULT, D3DX_FROM_FILE, 4, 8, 1},
        {20000, 1, 1, kMaxTextureSide, 1, 1},
    };
    for (const Case& c : cases) {
        TextureRequest request;
        request.width = c.width;
        request.height = c.height;
        request.mipLevels = c.levels;
        const Built built = Build(MakeBmp(Pattern(3, 5), 24), request);
        EXPECT_EQ(built.data.width, c.expectedWidth);
        EXPECT_EQ(built.data.height, c.expectedHeight);
        EXPECT_EQ(built.data.levels.size(), c.expectedLevels);
        LevelSizes(built.data);
    }
}

TEST(ImageTexture, AFileLargerThanTheDeviceTakesIsScaledToItsLargestSide)
{
    const Texels image = Pattern(32, 12);
    DecodedImage full;
    const std::string file = MakePng(image, 3);
    ASSERT_EQ(DecodeImage(reinterpret_cast<const uint8_t*>(file.data()), file.size(), ImageFit{}, full), S_OK);
    struct Case {
        UINT width, height;
        UINT expectedWidth, expectedHeight;
    };
    // Sides of 8 at most: 32x16 by default, else the file's or the asked-for size, clamped.
    const Case cases[] = {{D3DX_DEFAULT, D3DX_DEFAULT, 8, 8}, {D3DX_DEFAULT_NONPOW2, 0, 8, 8}, {6, 100, 6, 8}};
    for (const Case& c : cases) {
        TextureRequest request;
        request.width = c.width;
        request.height = c.height;
        const Built built = Build(file, request, 8);
        EXPECT_EQ(built.info.Width, 32u);
        EXPECT_EQ(built.info.Height, 12u);
        ASSERT_EQ(built.data.width, c.expectedWidth);
        ASSERT_EQ(built.data.height, c.expectedHeight);
        EXPECT_EQ(built.data.levels.size(), FullMipCount(c.expectedWidth, c.expectedHeight));
        // Reduced as it decoded: the mean of what each texel covers.
        const std::vector<uint8_t> mean = Resample(full.levels[0].bgra, 32, 12, c.expectedWidth, c.expectedHeight);
        ASSERT_EQ(built.data.levels[0].size(), mean.size());
        for (size_t i = 0; i < mean.size(); ++i) EXPECT_LE(std::abs(built.data.levels[0][i] - mean[i]), 1) << i;
    }
}

TEST(ImageTexture, ResizingGrowsBetweenTexelCentresAndShrinksToCoveredMeans)
{
    struct Case {
        uint32_t width, height, targetWidth, targetHeight;
        std::vector<uint8_t> values;   // blue of each texel, row by row
        std::vector<uint8_t> expected; // blue of each result texel
    };
    const Case cases[] = {
        {2, 1, 4, 1, {0, 100}, {0, 25, 75, 100}},
        {1, 2, 1, 4, {0, 100}, {0, 25, 75, 100}},
        {2, 2, 4, 3, {0, 100, 200, 40}, {0, 25, 75, 100, 100, 93, 78, 70, 200, 160, 80, 40}},
        // Row 2 is shared by both result rows: 0.4, 0.4, 0.2 and 0.2, 0.4, 0.4.
        {1, 5, 1, 2, {0, 50, 100, 150, 200}, {40, 160}},
        {1, 6, 1, 2, {0, 30, 60, 90, 120, 150}, {30, 120}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> source;
        for (uint8_t value : c.values) source.insert(source.end(), {value, 0, 0, 255});
        const std::vector<uint8_t> resized = Resample(source, c.width, c.height, c.targetWidth, c.targetHeight);
        std::vector<uint8_t> blue;
        for (size_t i = 0; i < resized.size(); i += 4) blue.push_back(resized[i]);
        EXPECT_EQ(blue, c.expected) << c.width << "x" << c.height << " to " << c.targetWidth << "x" << c.targetHeight;
    }
}

TEST(ImageTexture, MipLevelsAreBoxFilteredMeans)
{
    Texels image{2, 2, {10, 20, 30, 255, 11, 21, 31, 255, 12, 22, 32, 255, 14, 25, 36, 255}};
    const Built built = Build(MakeTga(image, 32, true, false));
    ASSERT_EQ(built.data.levels.size(), 2u);
    // (10+11+12+14)/4 = 11.75, (20+21+22+25)/4 = 22, (30+31+32+36)/4 = 32.25.
    EXPECT_EQ(built.data.levels[1], (std::vector<uint8_t>{12, 22, 32, 255}));

    // 4x1: the next levels average pairs.
    Texels row{4, 1, {0, 0, 0, 255, 100, 0, 0, 255, 200, 0, 0, 255, 50, 0, 0, 255}};
    const Built strip = Build(MakeTga(row, 32, true, false));
    ASSERT_EQ(strip.data.levels.size(), 3u);
    EXPECT_EQ(strip.data.levels[1], (std::vector<uint8_t>{50, 0, 0, 255, 125, 0, 0, 255}));
    EXPECT_EQ(strip.data.levels[2], (std::vector<uint8_t>{88, 0, 0, 255}));
}

TEST(ImageTexture, DdsLevelsAreKeptAndMissingOnesMade)
{
    DdsLayout layout;
    std::string level0;
    for (int i = 0; i < 16; ++i) level0 += std::string({char(i), char(2 * i), char(3 * i), char(255)});
    const std::string level1 = std::string(16, '\x40');
    const Built built = Build(MakeDds(4, 4, layout, {level0, level1}));
    EXPECT_EQ(built.info.MipLevels, 2u);
    EXPECT_EQ(built.data.format, D3DFMT_A8R8G8B8);
    ASSERT_EQ(built.data.levels.size(), 3u);
    // Level 1 comes from the file, not from filtering level 0.
    EXPECT_EQ(built.data.levels[1], std::vector<uint8_t>(16, 0x40));
    EXPECT_EQ(built.data.levels[2], std::vector<uint8_t>(4, 0x40));

    DdsLayout dxt1;
    dxt1.fourCC = FourCC("DXT1");
    const std::string block = std::string("\x00\xf8\x00\xf8", 4) + std::string(4, '\0');
    const Built compressed = Build(MakeDds(4, 4, dxt1, {block}));
    EXPECT_EQ(compressed.data.format, D3DFMT_DXT1);
    EXPECT_EQ(compressed.info.Format, D3DFMT_DXT1);
    ASSERT_EQ(compressed.data.levels.size(), 3u);
    EXPECT_EQ(compressed.data.levels[2], (std::vector<uint8_t>{0, 0, 255, 255}));
}

// A cube map or volume loads its first face or slice of each level; the
// file's levels, past its 1x1 level, must be there too.
TEST(ImageTexture, DdsCubesAndVolumesGiveTheirFirstFaceOrSlice)
{
    DdsLayout layout;
    std::string faces;
    for (char face = 0; face < 6; ++face) faces += std::string(16, face) + std::string(4, char(face + 10));
    DdsLayout cubeLayout = layout;
    cubeLayout.cube = true;
    std::string cube = MakeDds(2, 2, cubeLayout, {faces});
    cube[4 + 24] = 2; // the mip count: two levels per face
    const Built fromCube = Build(cube);
    EXPECT_EQ(fromCube.info.ResourceType, D3DRTYPE_CUBETEXTURE);
    ASSERT_EQ(fromCube.data.levels.size(), 2u);
    EXPECT_EQ(fromCube.data.levels[0], std::vector<uint8_t>(16, 0));
    EXPECT_EQ(fromCube.data.levels[1], std::vector<uint8_t>(4, 10));
    TextureData data;
    D3DXIMAGE_INFO info{};
    const std::string cut = cube.substr(0, cube.size() - 1);
    EXPECT_EQ(LoadTextureData(reinterpret_cast<const uint8_t*>(cut.data()), cut.size(), TextureRequest{},
                              kMaxTextureSide, data, info),
              D3DXERR_INVALIDDATA);

    // Two slices of 2x2, then one of 1x1.
    std::string volume = MakeDds(2, 2, layout, {std::string(16, 'a') + std::string(16, 'b') + std::string(4, 'c')});
    volume[4 + 4 + 2] |= 0x80;  // flags: depth given
    volume[4 + 20] = 2;         // depth
    volume[4 + 24] = 2;         // levels
    volume[4 + 108 + 2] = 0x20; // caps2: volume
    const Built fromVolume = Build(volume);
    EXPECT_EQ(fromVolume.info.ResourceType, D3DRTYPE_VOLUMETEXTURE);
    EXPECT_EQ(fromVolume.info.Depth, 2u);
    ASSERT_EQ(fromVolume.data.levels.size(), 2u);
    EXPECT_EQ(fromVolume.data.levels[0], std::vector<uint8_t>(16, 'a'));
    EXPECT_EQ(fromVolume.data.levels[1], std::vector<uint8_t>(4, 'c'));

    std::string tooMany = MakeDds(2, 2, layout, {std::string(16, 'a'), std::string(4, 'b')});
    tooMany[4 + 24] = 4; // two levels past 1x1, not in the file
    EXPECT_EQ(LoadTextureData(reinterpret_cast<const uint8_t*>(tooMany.data()), tooMany.size(), TextureRequest{},
                              kMaxTextureSide, data, info),
              D3DXERR_INVALIDDATA);
}

// D3DX_SKIP_DDS_MIP_LEVELS leaves out a DDS file's top levels while others remain; other files keep theirs.
TEST(ImageTexture, SkippedDdsLevelsLeaveTheRest)
{
    DdsLayout layout;
    const std::string dds = MakeDds(4, 4, layout, {std::string(64, 'a'), std::string(16, 'b'), std::string(4, 'c')});
    struct Case {
        UINT skip, width, firstByte;
    };
    for (const Case& c : {Case{0, 4, 'a'}, Case{1, 2, 'b'}, Case{2, 1, 'c'}, Case{3, 4, 'a'}}) {
        TextureRequest request;
        request.skipLevels = c.skip;
        const Built built = Build(dds, request);
        EXPECT_EQ(built.data.width, c.width) << c.skip;
        ASSERT_FALSE(built.data.levels.empty());
        EXPECT_EQ(built.data.levels[0][0], c.firstByte) << c.skip;
        EXPECT_EQ(built.info.Width, 4u);
    }
    TextureRequest request;
    request.skipLevels = 1;
    EXPECT_EQ(Build(MakeBmp(Pattern(4, 4), 24), request).data.width, 4u);
}

TEST(ImageTexture, AColorKeyMakesThoseTexelsTransparentBlack)
{
    Texels image = Pattern(2, 1);
    image.bgra[4] = 255; // texel 1 becomes magenta
    image.bgra[5] = 0;
    image.bgra[6] = 255;
    TextureRequest request;
    request.colorKey = D3DCOLOR_ARGB(255, 255, 0, 255);
    request.mipLevels = 1;
    const Built built = Build(MakeBmp(image, 24), request);
    EXPECT_EQ(built.data.format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(built.data.levels[0],
              (std::vector<uint8_t>{image.bgra[0], image.bgra[1], image.bgra[2], 255, 0, 0, 0, 0}));
}

struct TextureLoad : ::testing::Test {
    ScratchFolder folder;
    TestDevice device;
    IDirect3DTexture9* texture = nullptr;

    void SetUp() override { RecordedGpuReleases().clear(); }
    void TearDown() override
    {
        if (texture != nullptr) texture->Release();
        EXPECT_EQ(device.references, 1u);
    }

    HRESULT Load(const std::wstring& path, D3DXIMAGE_INFO* info = nullptr, D3DPOOL pool = D3DPOOL_MANAGED)
    {
        return D3DXCreateTextureFromFileExW(&device, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                            D3DFMT_UNKNOWN, pool, D3DX_DEFAULT, D3DX_DEFAULT, 0, info, nullptr,
                                            &texture);
    }
};

TEST_F(TextureLoad, MakesATextureWhoseDataTheDeviceCanReach)
{
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(Load(Wide(folder.Write("wood.png", MakePng(Pattern(8, 4), 4))), &info), D3D_OK);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetLevelCount(), 4u);
    EXPECT_EQ(device.references, 2u);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_PNG);
    TextureData* data = TextureDataOf(texture);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->width, 8u);
    EXPECT_EQ(data->height, 4u);
    EXPECT_EQ(data->format, D3DFMT_A8R8G8B8);
    const GpuObjects* gpu = &data->gpu;
    texture->Release();
    texture = nullptr;
    ASSERT_EQ(RecordedGpuReleases().size(), 1u);
    EXPECT_EQ(RecordedGpuReleases()[0], gpu);
}

// A model's textures are made ahead when it loads; the texture a load then
// returns is the one it would have made itself, also when its file changed
// in between.
TEST_F(TextureLoad, TexturesMadeAheadForAModelAreThoseTheLoadWouldMake)
{
    const std::wstring model = Wide(folder.Write("sample.x", kSampleModel));
    const std::wstring red = Wide(folder.Write("red.bmp", MakeBmp(Pattern(8, 4), 24)));
    ASSERT_EQ(Load(red), D3D_OK);
    const TextureData own = *TextureDataOf(texture);
    texture->Release();
    texture = nullptr;

    for (const bool rewritten : {false, true}) {
        EnableTexturePrefetch(true);
        ID3DXMesh* mesh = nullptr;
        ID3DXBuffer* materials = nullptr;
        ASSERT_EQ(
            D3DXLoadMeshFromXW(model.c_str(), D3DXMESH_MANAGED, &device, nullptr, &materials, nullptr, nullptr, &mesh),
            D3D_OK);
        EXPECT_EQ(WaitForTexturesMadeAhead(), 1u);
        if (rewritten) folder.Write("red.bmp", MakeBmp(Pattern(4, 4), 24));
        const HRESULT loaded = Load(red);
        EXPECT_EQ(WaitForTexturesMadeAhead(), 0u);
        EnableTexturePrefetch(false);
        mesh->Release();
        materials->Release();
        ASSERT_EQ(loaded, D3D_OK);
        const TextureData& made = *TextureDataOf(texture);
        EXPECT_EQ(made.width, rewritten ? 4u : own.width) << rewritten;
        if (!rewritten) {
            EXPECT_EQ(made.levels, own.levels);
        }
        texture->Release();
        texture = nullptr;
    }
}

// A triangle whose materials name `textures`, one each.
std::string ModelNaming(const std::vector<std::string>& textures)
{
    std::string text = "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n MeshMaterialList { "
        + std::to_string(textures.size()) + "; 1; 0;;\n";
    for (const std::string& name : textures) {
        text += "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"" + name + "\"; } }\n";
    }
    return text + "} }\n";
}

std::string Dots(size_t count)
{
    std::string text;
    for (size_t i = 0; i < count; ++i) text += "./";
    return text;
}

// What a model's load makes ahead (awaited), and what is left once its
// materials buffer is released.
std::pair<size_t, size_t> MadeAheadThenLeft(TestDevice& device, const std::wstring& model)
{
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    EXPECT_EQ(
        D3DXLoadMeshFromXW(model.c_str(), D3DXMESH_MANAGED, &device, nullptr, &materials, nullptr, nullptr, &mesh),
        D3D_OK);
    if (mesh == nullptr) return {};
    const size_t made = WaitForTexturesMadeAhead();
    materials->Release();
    const size_t left = WaitForTexturesMadeAhead();
    mesh->Release();
    return {made, left};
}

// However many ways a model names large files, what is made ahead stays
// within one budget, and goes when the names it was made for go.
TEST_F(TextureLoad, TexturesMadeAheadStayWithinTheirBudgetAndGoWithTheirNames)
{
    EnableTexturePrefetch(true);
    folder.Write("big.png", MakePng(Pattern(2048, 2048), 3));
    std::vector<std::string> names;
    for (size_t i = 0; i < 64; ++i) names.push_back(Dots(i) + "big.png");
    const auto [made, left] = MadeAheadThenLeft(device, Wide(folder.Write("many.x", ModelNaming(names))));
    EnableTexturePrefetch(false);
    EXPECT_GE(made, 1u);
    EXPECT_LE(made * (uint64_t{2048} * 2048 * 4 * 4 / 3), kTexturePrefetchBudget) << made;
    EXPECT_EQ(left, 0u);
}

// A program's buffer of 512 characters holds names of 511: longer ones are
// never asked for, so not made.
TEST_F(TextureLoad, NamesAProgramCannotHoldAreNotMadeAhead)
{
    EnableTexturePrefetch(true);
    folder.Write("a.bmp", MakeBmp(Pattern(4, 4), 24));
    folder.Write("b.bmp", MakeBmp(Pattern(4, 4), 24));
    const std::vector<std::string> names = {Dots(253) + "a.bmp", Dots(254) + "b.bmp"}; // 511, 513 characters
    const auto [made, left] = MadeAheadThenLeft(device, Wide(folder.Write("long.x", ModelNaming(names))));
    EnableTexturePrefetch(false);
    EXPECT_EQ(made, 1u);
    EXPECT_EQ(left, 0u);
}

TEST_F(TextureLoad, TexturesFitTheDevicesLargestSide)
{
    const UINT side = TestMaxTextureSide();
    TestMaxTextureSide() = 16;
    D3DXIMAGE_INFO info{};
    const HRESULT result = Load(Wide(folder.Write("wide.bmp", MakeBmp(Pattern(64, 8), 24))), &info);
    TestMaxTextureSide() = side;
    ASSERT_EQ(result, D3D_OK);
    EXPECT_EQ(info.Width, 64u);
    EXPECT_EQ(texture->GetLevelCount(), 5u); // 16x8 down to 1x1
    EXPECT_EQ(TextureDataOf(texture)->width, 16u);
    EXPECT_EQ(TextureDataOf(texture)->height, 8u);
}

TEST_F(TextureLoad, RunningOutOfMemoryAnywhereGivesEOutOfMemory)
{
    const std::wstring path = Wide(std::filesystem::path(WALKTHROUGH_SOURCE_DIR) / "Models" / "Crate" / "wood.png");
    // The stand-in device records each release: room for that is made first,
    // so that only the loader meets the failing allocations.
    RecordedGpuReleases().reserve(1024);
    int failures = 0;
    const int runs = RunWithEachAllocationFailing([&] {
        const HRESULT result = Load(path);
        if (result == E_OUTOFMEMORY) {
            ++failures;
            EXPECT_EQ(texture, nullptr);
        } else {
            EXPECT_EQ(result, D3D_OK);
            if (texture != nullptr) texture->Release();
            texture = nullptr;
        }
        EXPECT_EQ(device.references, 1u);
    });
    EXPECT_GT(runs, 10);
    EXPECT_EQ(failures, runs - 1); // every run but the last had an allocation fail
}

TEST_F(TextureLoad, OnlyItsOwnTexturesHaveData)
{
    struct Foreign final : IDirect3DTexture9 {
        ULONG AddRef() override { return 1; }
        ULONG Release() override { return 1; }
        DWORD GetLevelCount() override { return 1; }
    } foreign;
    EXPECT_EQ(TextureDataOf(nullptr), nullptr);
    EXPECT_EQ(TextureDataOf(&foreign), nullptr);
}

TEST_F(TextureLoad, BadCallsAndFilesGiveD3dxCodes)
{
    const std::wstring good = Wide(folder.Write("ok.bmp", MakeBmp(Pattern(2, 2), 24)));
    EXPECT_EQ(Load(Wide(folder.Write("notes.bmp", "these are notes, not pixels"))), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Load(Wide(folder.path / "absent.bmp")), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Load(Wide(folder.Write("empty.bmp", ""))), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Load(good, nullptr, static_cast<D3DPOOL>(7)), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileExW(nullptr, good.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                           D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                                           nullptr, &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileExW(&device, nullptr, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                           D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                                           nullptr, &texture),
              D3DERR_INVALIDCALL);
    for (const auto& [filter, mipFilter] : {std::pair<DWORD, DWORD>{6, D3DX_DEFAULT},
                                            {0x100, D3DX_DEFAULT},
                                            {D3DX_DEFAULT, 7},
                                            {D3DX_DEFAULT, D3DX_SKIP_DDS_MIP_LEVELS(1, 0xff)}}) {
        EXPECT_EQ(D3DXCreateTextureFromFileExW(&device, good.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                               D3DFMT_UNKNOWN, D3DPOOL_MANAGED, filter, mipFilter, 0, nullptr, nullptr,
                                               &texture),
                  D3DERR_INVALIDCALL)
            << filter << " " << mipFilter;
    }
    EXPECT_EQ(texture, nullptr);
}

// Within a load a file that failed fails again as it did (without being
// read again), while the same name holding another file is read afresh. A
// texture's texels count against the program's texture memory until it is
// released.
TEST_F(TextureLoad, FailuresAreKeptForTheLoadAndTexturesCountUntilReleased)
{
    const uint64_t load = OpenLoad();
    const std::wstring path = Wide(folder.Write("late.bmp", "not pixels"));
    EXPECT_EQ(Load(path), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Load(path), D3DXERR_INVALIDDATA);
    folder.Write("late.bmp", MakeBmp(Pattern(16, 16), 24));
    const uint64_t before = TextureMemoryInUse();
    ASSERT_EQ(Load(path), D3D_OK);
    CloseLoad(load);
    EXPECT_EQ(TextureMemoryInUse() - before, uint64_t{16 * 16 + 8 * 8 + 4 * 4 + 2 * 2 + 1} * 4);
    texture->Release();
    texture = nullptr;
    EXPECT_EQ(TextureMemoryInUse(), before);
}

TEST_F(TextureLoad, WindowsStylePathsFindTheFileWhateverTheCase)
{
    folder.Write("Models/Crate/Wood.BMP", MakeBmp(Pattern(2, 2), 24));
    ASSERT_EQ(Load(Wide(folder.path) + L"\\models\\crate\\wood.bmp"), D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), 2u);
}

} // namespace
