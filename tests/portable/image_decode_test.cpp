// The image decoders: texel values of each file kind, DXT blocks exactly,
// DDS mip chains, and what they refuse.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/portable/image_decode.h"
#include "platform/portable/image_dxt.h"
#include "tests/portable/image_test_files.h"

namespace {

HRESULT Decode(const std::string& file, DecodedImage& image)
{
    return DecodeImage(reinterpret_cast<const uint8_t*>(file.data()), file.size(), ImageFit{}, image);
}

void ExpectTexels(const std::vector<uint8_t>& actual, const Texels& expected, bool opaque, int tolerance = 0)
{
    ASSERT_EQ(actual.size(), expected.bgra.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        const int want = (opaque && i % 4 == 3) ? 255 : expected.bgra[i];
        EXPECT_LE(std::abs(static_cast<int>(actual[i]) - want), tolerance) << "byte " << i;
    }
}

TEST(ImageDecode, EachFileKindGivesItsTexels)
{
    Texels alpha = Pattern(5, 3);
    for (size_t i = 3; i < alpha.bgra.size(); i += 4) alpha.bgra[i] = static_cast<uint8_t>(i * 7);
    const Texels opaque = Pattern(5, 3);
    struct Case {
        const char* name;
        std::string file;
        const Texels* texels;
        D3DXIMAGE_FILEFORMAT type;
        D3DFORMAT format;
        bool hasAlpha;
        int tolerance;
    };
    const Case cases[] = {
        {"bmp24", MakeBmp(opaque, 24), &opaque, D3DXIFF_BMP, D3DFMT_R8G8B8, false, 0},
        {"tga24", MakeTga(opaque, 24, false, false), &opaque, D3DXIFF_TGA, D3DFMT_R8G8B8, false, 0},
        {"tga32-top-down", MakeTga(alpha, 32, true, false), &alpha, D3DXIFF_TGA, D3DFMT_A8R8G8B8, true, 0},
        {"tga32-rle", MakeTga(alpha, 32, false, true), &alpha, D3DXIFF_TGA, D3DFMT_A8R8G8B8, true, 0},
        {"png-rgb", MakePng(opaque, 3), &opaque, D3DXIFF_PNG, D3DFMT_R8G8B8, false, 0},
        {"png-rgba", MakePng(alpha, 4), &alpha, D3DXIFF_PNG, D3DFMT_A8R8G8B8, true, 0},
        // Quality 100 still rounds a little.
        {"jpeg", MakeJpeg(opaque), &opaque, D3DXIFF_JPG, D3DFMT_R8G8B8, false, 12},
    };
    for (const Case& c : cases) {
        DecodedImage image;
        ASSERT_EQ(Decode(c.file, image), S_OK) << c.name;
        EXPECT_EQ(image.info.width, 5u) << c.name;
        EXPECT_EQ(image.info.height, 3u) << c.name;
        EXPECT_EQ(image.info.fileType, c.type) << c.name;
        EXPECT_EQ(image.info.format, c.format) << c.name;
        EXPECT_EQ(image.info.hasAlpha, c.hasAlpha) << c.name;
        ASSERT_EQ(image.levels.size(), 1u);
        SCOPED_TRACE(c.name);
        ExpectTexels(image.levels[0].bgra, *c.texels, !c.hasAlpha, c.tolerance);
    }
}

TEST(ImageDecode, GreyPngIsLuminance)
{
    const Texels grey = Pattern(4, 4);
    DecodedImage image;
    ASSERT_EQ(Decode(MakePng(grey, 1), image), S_OK);
    EXPECT_EQ(image.info.format, D3DFMT_L8);
    // Every channel carries the grey value (the pattern's green).
    EXPECT_EQ(image.levels[0].bgra[4 * 5 + 0], grey.bgra[4 * 5 + 1]);
    EXPECT_EQ(image.levels[0].bgra[4 * 5 + 2], grey.bgra[4 * 5 + 1]);
    EXPECT_EQ(image.levels[0].bgra[4 * 5 + 3], 255);
}

std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}

std::string Le16(uint16_t v) { return Bytes({v & 0xff, v >> 8}); }

// 2-bit indices 0, 1, 2, 3 across every row.
const std::string kRampIndices = Bytes({0xe4, 0xe4, 0xe4, 0xe4});

struct BlockCase {
    const char* name;
    D3DFORMAT format;
    std::string block;
    std::array<uint8_t, 4> texel[4]; // texels 0..3 of the first row, B G R A
};

TEST(ImageDecode, DxtBlocksDecodeExactly)
{
    const BlockCase cases[] = {
        {"dxt1-four-colours", D3DFMT_DXT1, Le16(0xf800) + Le16(0x001f) + kRampIndices,
         {{{0, 0, 255, 255}}, {{255, 0, 0, 255}}, {{85, 0, 170, 255}}, {{170, 0, 85, 255}}}},
        {"dxt1-three-colours", D3DFMT_DXT1, Le16(0x001f) + Le16(0xf800) + kRampIndices,
         {{{255, 0, 0, 255}}, {{0, 0, 255, 255}}, {{128, 0, 128, 255}}, {{0, 0, 0, 0}}}},
        // Mid-range channels: 16 of 31 is 132, 32 of 63 is 130.
        {"dxt1-rounding", D3DFMT_DXT1, Le16((16 << 11) | (32 << 5) | 16) + Le16(0) + kRampIndices,
         {{{132, 130, 132, 255}}, {{0, 0, 0, 255}}, {{88, 87, 88, 255}}, {{44, 43, 44, 255}}}},
        // DXT3: explicit 4-bit alpha, and always four colours.
        {"dxt3", D3DFMT_DXT3, Bytes({0x10, 0x32, 0, 0, 0, 0, 0, 0}) + Le16(0) + Le16(0xffff) + kRampIndices,
         {{{0, 0, 0, 0}}, {{255, 255, 255, 17}}, {{85, 85, 85, 34}}, {{170, 170, 170, 51}}}},
        // DXT5 with a0 > a1: eight alpha levels; indices 0, 1, 2, 7.
        {"dxt5-eight-levels", D3DFMT_DXT5,
         Bytes({255, 0, 0x08 | (2 << 6), (2 >> 2) | (7 << 1), 0, 0, 0, 0}) + Le16(0xffff) + Le16(0xffff) + kRampIndices,
         {{{255, 255, 255, 255}}, {{255, 255, 255, 0}}, {{255, 255, 255, 219}}, {{255, 255, 255, 36}}}},
        // DXT5 with a0 <= a1: six levels, then 0 and 255; indices 2, 5, 6, 7.
        {"dxt5-six-levels", D3DFMT_DXT5,
         Bytes({0, 255, 2 | (5 << 3) | ((6 & 3) << 6), (6 >> 2) | (7 << 1), 0, 0, 0, 0}) + Le16(0) + Le16(0)
             + kRampIndices,
         {{{0, 0, 0, 51}}, {{0, 0, 0, 204}}, {{0, 0, 0, 0}}, {{0, 0, 0, 255}}}},
    };
    for (const BlockCase& c : cases) {
        uint8_t texels[64];
        DecodeDxtBlock(c.format, reinterpret_cast<const uint8_t*>(c.block.data()), texels);
        for (int i = 0; i < 4; ++i) {
            const std::array<uint8_t, 4> got = {texels[4 * i], texels[4 * i + 1], texels[4 * i + 2], texels[4 * i + 3]};
            EXPECT_EQ(got, c.texel[i]) << c.name << " texel " << i;
        }
        // Every row repeats the colour indices; in DXT1 nothing else differs.
        if (c.format == D3DFMT_DXT1) {
            EXPECT_EQ(std::memcmp(texels, texels + 48, 16), 0) << c.name;
        }
    }
}

TEST(ImageDecode, DdsUncompressedFormatsAndMipChains)
{
    // 4x2 A8R8G8B8 with 3 levels (4x2, 2x1, 1x1).
    std::string level0, level1 = Bytes({1, 2, 3, 4, 5, 6, 7, 8}), level2 = Bytes({9, 10, 11, 12});
    for (int i = 0; i < 8; ++i) level0 += Bytes({i, 10 + i, 20 + i, 30 + i});
    DecodedImage image;
    ASSERT_EQ(Decode(MakeDds(4, 2, DdsLayout{}, {level0, level1, level2}), image), S_OK);
    EXPECT_EQ(image.info.fileType, D3DXIFF_DDS);
    EXPECT_EQ(image.info.format, D3DFMT_A8R8G8B8);
    ASSERT_EQ(image.levels.size(), 3u);
    EXPECT_EQ(image.levels[0].bgra.size(), 32u);
    EXPECT_EQ(image.levels[1].bgra.size(), 8u);
    EXPECT_EQ(image.levels[2].bgra, (std::vector<uint8_t>{9, 10, 11, 12}));
    EXPECT_EQ(image.levels[0].bgra[4 * 5 + 3], 35);

    struct Case {
        const char* name;
        DdsLayout layout;
        std::string texel;
        D3DFORMAT format;
        std::array<uint8_t, 4> bgra;
    };
    DdsLayout x8r8g8b8;
    x8r8g8b8.alpha = 0;
    DdsLayout r8g8b8;
    r8g8b8.bitCount = 24;
    r8g8b8.alpha = 0;
    DdsLayout a8b8g8r8;
    a8b8g8r8.red = 0xff;
    a8b8g8r8.blue = 0xff0000;
    DdsLayout r5g6b5{0, 16, 0xf800, 0x7e0, 0x1f, 0, false, false};
    DdsLayout a1r5g5b5{0, 16, 0x7c00, 0x3e0, 0x1f, 0x8000, false, false};
    DdsLayout a4r4g4b4{0, 16, 0xf00, 0xf0, 0xf, 0xf000, false, false};
    DdsLayout l8{0, 8, 0xff, 0, 0, 0, true, false};
    DdsLayout a8l8{0, 16, 0xff, 0, 0, 0xff00, true, false};
    const Case cases[] = {
        {"x8r8g8b8", x8r8g8b8, Bytes({1, 2, 3, 4}), D3DFMT_X8R8G8B8, {1, 2, 3, 255}},
        {"r8g8b8", r8g8b8, Bytes({1, 2, 3}), D3DFMT_R8G8B8, {1, 2, 3, 255}},
        {"a8b8g8r8", a8b8g8r8, Bytes({1, 2, 3, 4}), D3DFMT_A8B8G8R8, {3, 2, 1, 4}},
        {"r5g6b5", r5g6b5, Le16((31 << 11) | (32 << 5) | 1), D3DFMT_R5G6B5, {8, 130, 255, 255}},
        {"a1r5g5b5", a1r5g5b5, Le16(0x8000 | (1 << 10) | (31 << 5)), D3DFMT_A1R5G5B5, {0, 255, 8, 255}},
        {"a4r4g4b4", a4r4g4b4, Le16(0x1234), D3DFMT_A4R4G4B4, {68, 51, 34, 17}},
        {"l8", l8, Bytes({77}), D3DFMT_L8, {77, 77, 77, 255}},
        {"a8l8", a8l8, Le16(0x4020), D3DFMT_A8L8, {32, 32, 32, 64}},
    };
    for (const Case& c : cases) {
        DecodedImage one;
        ASSERT_EQ(Decode(MakeDds(1, 1, c.layout, {c.texel}), one), S_OK) << c.name;
        EXPECT_EQ(one.info.format, c.format) << c.name;
        const std::array<uint8_t, 4> got = {one.levels[0].bgra[0], one.levels[0].bgra[1], one.levels[0].bgra[2], one.levels[0].bgra[3]};
        EXPECT_EQ(got, c.bgra) << c.name;
    }
}

TEST(ImageDecode, DdsBlockFormatsDecodeEveryLevel)
{
    DdsLayout dxt1;
    dxt1.fourCC = FourCC("DXT1");
    // 8x4: two blocks, then 4x2 and 2x1 and 1x1 one block each.
    const std::string red = Le16(0xf800) + Le16(0xf800) + kRampIndices;
    const std::string blue = Le16(0x001f) + Le16(0x001f) + kRampIndices;
    DecodedImage image;
    ASSERT_EQ(Decode(MakeDds(8, 4, dxt1, {red + blue, blue, red, blue}), image), S_OK);
    EXPECT_EQ(image.info.format, D3DFMT_DXT1);
    ASSERT_EQ(image.levels.size(), 4u);
    EXPECT_EQ(image.levels[0].bgra.size(), 8u * 4u * 4u);
    EXPECT_EQ(image.levels[0].bgra[2], 255);        // texel (0,0) red
    EXPECT_EQ(image.levels[0].bgra[4 * 4 + 0], 255); // texel (4,0) blue
    EXPECT_EQ(image.levels[1].bgra.size(), 4u * 2u * 4u);
    EXPECT_EQ(image.levels[1].bgra[0], 255);
    EXPECT_EQ(image.levels[3].bgra.size(), 4u);
    EXPECT_EQ(image.levels[3].bgra[0], 255);

    // A cube map gives its first face.
    dxt1.cube = true;
    DecodedImage cube;
    ASSERT_EQ(Decode(MakeDds(4, 4, dxt1, {red}) + blue + blue + blue + blue + blue, cube), S_OK);
    EXPECT_EQ(cube.levels[0].bgra[2], 255);
}

TEST(ImageDecode, DamagedOrForeignDataIsRefused)
{
    DdsLayout dxt5;
    dxt5.fourCC = FourCC("DXT5");
    DdsLayout unknown;
    unknown.fourCC = FourCC("ATI2");
    std::string badSize = MakeDds(1, 1, DdsLayout{}, {Bytes({1, 2, 3, 4})});
    badSize[4] = 100;
    std::string png = MakePng(Pattern(4, 4), 3);
    png.resize(png.size() / 2);
    std::string hugePng = MakePng(Pattern(1, 1), 3);
    // IHDR width (bytes 16..19, big-endian) made 20000.
    hugePng[16] = 0;
    hugePng[17] = 0;
    hugePng[18] = static_cast<char>(0x4e);
    hugePng[19] = static_cast<char>(0x20);
    // A Huffman table claiming 16 x 255 codes: stb_image would overrun its tables.
    std::string greedyJpeg = MakeJpeg(Pattern(8, 8));
    const size_t table = greedyJpeg.find("\xff\xc4");
    for (size_t i = table + 5; i < table + 5 + 16; ++i) greedyJpeg[i] = static_cast<char>(0xff);
    // An image data chunk claiming 2 GB in a file of a hundred bytes.
    std::string longChunk = MakePng(Pattern(2, 2), 3);
    const size_t idat = longChunk.find("IDAT") - 4;
    longChunk[idat] = static_cast<char>(0x7f);
    const std::string cases[] = {
        longChunk,
        greedyJpeg,
        "\xff\xff\xff" + greedyJpeg.substr(1), // fill bytes before the start marker
        "",
        "just text, not an image",
        "DDS ",
        badSize,
        MakeDds(4, 4, dxt5, {std::string(8, '\0')}),          // half a block
        MakeDds(4, 4, DdsLayout{}, {std::string(60, '\0')}),  // 15 of 16 texels
        MakeDds(4, 4, DdsLayout{}, {std::string(64, '\0'), std::string(15, '\0')}), // short second level
        MakeDds(4, 4, unknown, {std::string(16, '\0')}),
        MakeDds(40000, 1, DdsLayout{}, {std::string(160000, '\0')}),
        MakeDds(0, 4, DdsLayout{}, {}),
        png,
        hugePng,
        std::string("BM") + std::string(60, '\x7f'),
    };
    for (const std::string& file : cases) {
        DecodedImage image;
        EXPECT_EQ(Decode(file, image), D3DXERR_INVALIDDATA) << file.substr(0, 8);
    }
}

} // namespace
