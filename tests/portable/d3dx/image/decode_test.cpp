// The image decoders: texel values of each file kind, DXT blocks exactly,
// DDS mip chains, and what they refuse.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <zlib.h>

#include "platform/portable/d3dx/image/decode.h"
#include "platform/portable/d3dx/image/dds.h"
#include "platform/portable/d3dx/image/resample.h"
#include "tests/portable/d3dx/image/test_files.h"

using namespace portable;

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

// The texels a file with a palette of the first `entries` texels gives.
Texels Paletted(const Texels& image, size_t entries)
{
    Texels out = image;
    for (size_t i = 0; i < out.bgra.size(); ++i) out.bgra[i] = image.bgra[(i / 4 % entries) * 4 + i % 4];
    return out;
}

Texels Grey(const Texels& image)
{
    Texels out = image;
    for (size_t i = 0; i < out.bgra.size(); i += 4) out.bgra[i] = out.bgra[i + 2] = out.bgra[i + 1];
    return out;
}

TEST(ImageDecode, EachFileKindAndLayoutGivesItsTexels)
{
    Texels alpha = Pattern(5, 3);
    for (size_t i = 3; i < alpha.bgra.size(); i += 4) alpha.bgra[i] = static_cast<uint8_t>(i * 7);
    Texels oneBitAlpha = Pattern(5, 3);
    for (size_t i = 3; i < oneBitAlpha.bgra.size(); i += 4) oneBitAlpha.bgra[i] = (i / 4) % 3 == 0 ? 0 : 255;
    const Texels opaque = Pattern(5, 3), grey = Grey(opaque), twoColors = Paletted(opaque, 2);
    struct Case {
        const char* name;
        std::string file;
        const Texels* texels;
        D3DXIMAGE_FILEFORMAT type;
        D3DFORMAT format;
        bool hasAlpha;
        int tolerance;
    };
    const D3DFORMAT p8 = static_cast<D3DFORMAT>(41);
    const Case cases[] = {
        {"bmp1", MakeBmp(opaque, BmpLayout{1}), &twoColors, D3DXIFF_BMP, p8, false, 0},
        {"bmp4", MakeBmp(opaque, BmpLayout{4}), &opaque, D3DXIFF_BMP, p8, false, 0},
        {"bmp8-core-header", MakeBmp(opaque, BmpLayout{8, 12}), &opaque, D3DXIFF_BMP, p8, false, 0},
        // Five or six bits a channel.
        {"bmp16", MakeBmp(opaque, BmpLayout{16}), &opaque, D3DXIFF_BMP, D3DFMT_X1R5G5B5, false, 4},
        {"bmp16-565", MakeBmp(opaque, BmpLayout{16, 40, 0xf800, 0x7e0, 0x1f, 0}), &opaque, D3DXIFF_BMP, D3DFMT_R5G6B5,
         false, 4},
        {"bmp16-1555", MakeBmp(oneBitAlpha, BmpLayout{16, 124, 0x7c00, 0x3e0, 0x1f, 0x8000}), &oneBitAlpha, D3DXIFF_BMP,
         D3DFMT_A1R5G5B5, true, 4},
        {"bmp24", MakeBmp(opaque, 24), &opaque, D3DXIFF_BMP, D3DFMT_R8G8B8, false, 0},
        {"bmp24-top-down", MakeBmp(opaque, BmpLayout{24, 40, 0, 0, 0, 0, true}), &opaque, D3DXIFF_BMP, D3DFMT_R8G8B8,
         false, 0},
        // A plain 32-bit file's fourth byte is not alpha.
        {"bmp32", MakeBmp(alpha, BmpLayout{32}), &opaque, D3DXIFF_BMP, D3DFMT_X8R8G8B8, false, 0},
        {"bmp32-v5-alpha", MakeBmp(alpha, BmpLayout{32, 124, 0xff0000, 0xff00, 0xff, 0xff000000}), &alpha, D3DXIFF_BMP,
         D3DFMT_A8R8G8B8, true, 0},
        {"tga8-grey", MakeTga(opaque, 8, false, true), &grey, D3DXIFF_TGA, D3DFMT_L8, false, 0},
        {"tga16", MakeTga(oneBitAlpha, 16, true, false), &oneBitAlpha, D3DXIFF_TGA, D3DFMT_A1R5G5B5, true, 7},
        {"tga24", MakeTga(opaque, 24, false, false), &opaque, D3DXIFF_TGA, D3DFMT_R8G8B8, false, 0},
        {"tga32-top-down", MakeTga(alpha, 32, true, false), &alpha, D3DXIFF_TGA, D3DFMT_A8R8G8B8, true, 0},
        {"tga32-rle", MakeTga(alpha, 32, false, true), &alpha, D3DXIFF_TGA, D3DFMT_A8R8G8B8, true, 0},
        {"png-rgb", MakePng(opaque, 3), &opaque, D3DXIFF_PNG, D3DFMT_R8G8B8, false, 0},
        {"png-rgba", MakePng(alpha, 4), &alpha, D3DXIFF_PNG, D3DFMT_A8R8G8B8, true, 0},
        {"png-interlaced", MakePng(alpha, 4, true), &alpha, D3DXIFF_PNG, D3DFMT_A8R8G8B8, true, 0},
        // Quality 100 still rounds a little.
        {"jpeg", MakeJpeg(opaque), &opaque, D3DXIFF_JPG, D3DFMT_R8G8B8, false, 3},
        {"jpeg-progressive", MakeJpeg(opaque, false, true), &opaque, D3DXIFF_JPG, D3DFMT_R8G8B8, false, 3},
        {"jpeg-grey", MakeJpeg(opaque, true), &grey, D3DXIFF_JPG, D3DFMT_L8, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecodedImage image;
        ASSERT_EQ(Decode(c.file, image), S_OK);
        EXPECT_EQ(image.info.width, 5u);
        EXPECT_EQ(image.info.height, 3u);
        EXPECT_EQ(image.info.fileType, c.type);
        EXPECT_EQ(image.info.format, c.format);
        EXPECT_EQ(image.info.hasAlpha, c.hasAlpha);
        ASSERT_EQ(image.levels.size(), 1u);
        EXPECT_EQ(image.levels[0].width, 5u);
        EXPECT_EQ(image.levels[0].height, 3u);
        ExpectTexels(image.levels[0].bgra, *c.texels, !c.hasAlpha, c.tolerance);
    }
}

TEST(ImageDecode, RunLengthAndColorMappedFilesGiveTheirTexels)
{
    using Texel = std::array<uint8_t, 4>;
    const auto texel = [](const DecodedImage& image, size_t i) {
        const uint8_t* t = &image.levels[0].bgra[4 * i];
        return Texel{t[0], t[1], t[2], t[3]};
    };
    const Texels palette = Pattern(4, 3);
    const auto entry = [&](size_t i) {
        return Texel{palette.bgra[4 * i], palette.bgra[4 * i + 1], palette.bgra[4 * i + 2], 255};
    };
    const Texel blank{0, 0, 0, 0};
    DecodedImage rle;
    ASSERT_EQ(Decode(MakeRle8Bmp(), rle), S_OK);
    EXPECT_EQ(rle.info.format, D3DFMT_X8R8G8B8);
    const std::vector<Texel> rleTexels = {blank,    blank, blank,    blank,    entry(2), entry(0),
                                          entry(1), blank, entry(1), entry(1), entry(1), entry(1)};
    for (size_t i = 0; i < rleTexels.size(); ++i) EXPECT_EQ(texel(rle, i), rleTexels[i]) << "texel " << i;

    DecodedImage mapped;
    ASSERT_EQ(Decode(MakeMappedTga(), mapped), S_OK);
    EXPECT_EQ(mapped.info.format, static_cast<D3DFORMAT>(41));
    const Texel blue{255, 0, 0, 255}, red{0, 0, 255, 255}, black{0, 0, 0, 255};
    const std::vector<Texel> mappedTexels = {blue, red, blue, red, blue, black};
    for (size_t i = 0; i < mappedTexels.size(); ++i) EXPECT_EQ(texel(mapped, i), mappedTexels[i]) << "texel " << i;
}

TEST(ImageDecode, LevelsLargerThanNeededAreReducedAsTheyDecode)
{
    Texels smooth{8, 6, {}};
    for (uint32_t y = 0; y < 6; ++y) {
        for (uint32_t x = 0; x < 8; ++x) {
            smooth.bgra.insert(smooth.bgra.end(),
                               {static_cast<uint8_t>(20 * x), static_cast<uint8_t>(30 * y),
                                static_cast<uint8_t>(100 + 7 * (x + y)), 255});
        }
    }
    std::string dds;
    for (size_t i = 0; i < smooth.bgra.size(); ++i) dds.push_back(static_cast<char>(smooth.bgra[i]));
    const std::pair<const char*, std::string> files[] = {
        {"bmp-bottom-up", MakeBmp(smooth, 24)},
        {"tga-bottom-up", MakeTga(smooth, 24, false, false)},
        {"tga-rle", MakeTga(smooth, 32, true, true)},
        {"png", MakePng(smooth, 3)},
        {"png-interlaced", MakePng(smooth, 4, true)},
        {"dds", MakeDds(8, 6, DdsLayout{}, {dds})},
        {"jpeg", MakeJpeg(smooth)}, // scaled in the DCT first, so only close to the mean
    };
    const ImageFit fits[] = {{4, 3}, {5, 4}, {16, 3}, {8, 6}, {1, 1}};
    for (const auto& [name, file] : files) {
        DecodedImage full;
        ASSERT_EQ(Decode(file, full), S_OK) << name;
        for (const ImageFit& fit : fits) {
            // JPEG at 1/8 is the first block's mean, padding rows and all.
            if (std::string(name) == "jpeg" && fit.width == 1) continue;
            SCOPED_TRACE(std::string(name) + " fit " + std::to_string(fit.width) + "x" + std::to_string(fit.height));
            DecodedImage reduced;
            ASSERT_EQ(DecodeImage(reinterpret_cast<const uint8_t*>(file.data()), file.size(), fit, reduced), S_OK);
            EXPECT_EQ(reduced.info.width, 8u);
            EXPECT_EQ(reduced.info.height, 6u);
            const UINT width = std::min(8u, fit.width), height = std::min(6u, fit.height);
            ASSERT_EQ(reduced.levels[0].width, width);
            ASSERT_EQ(reduced.levels[0].height, height);
            const std::vector<uint8_t> mean = Resample(full.levels[0].bgra, 8, 6, width, height);
            ASSERT_EQ(reduced.levels[0].bgra.size(), mean.size());
            const int tolerance = std::string(name) == "jpeg" ? 12 : 1;
            for (size_t i = 0; i < mean.size(); ++i) {
                EXPECT_LE(std::abs(reduced.levels[0].bgra[i] - mean[i]), tolerance) << "byte " << i;
            }
        }
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
        {"dxt1-four-colors",
         D3DFMT_DXT1,
         Le16(0xf800) + Le16(0x001f) + kRampIndices,
         {{{0, 0, 255, 255}}, {{255, 0, 0, 255}}, {{85, 0, 170, 255}}, {{170, 0, 85, 255}}}},
        {"dxt1-three-colors",
         D3DFMT_DXT1,
         Le16(0x001f) + Le16(0xf800) + kRampIndices,
         {{{255, 0, 0, 255}}, {{0, 0, 255, 255}}, {{128, 0, 128, 255}}, {{0, 0, 0, 0}}}},
        // Mid-range channels: 16 of 31 is 132, 32 of 63 is 130.
        {"dxt1-rounding",
         D3DFMT_DXT1,
         Le16((16 << 11) | (32 << 5) | 16) + Le16(0) + kRampIndices,
         {{{132, 130, 132, 255}}, {{0, 0, 0, 255}}, {{88, 87, 88, 255}}, {{44, 43, 44, 255}}}},
        // DXT3: explicit 4-bit alpha, and always four colors.
        {"dxt3",
         D3DFMT_DXT3,
         Bytes({0x10, 0x32, 0, 0, 0, 0, 0, 0}) + Le16(0) + Le16(0xffff) + kRampIndices,
         {{{0, 0, 0, 0}}, {{255, 255, 255, 17}}, {{85, 85, 85, 34}}, {{170, 170, 170, 51}}}},
        // DXT5 with a0 > a1: eight alpha levels; indices 0, 1, 2, 7.
        {"dxt5-eight-levels",
         D3DFMT_DXT5,
         Bytes({255, 0, 0x08 | (2 << 6), (2 >> 2) | (7 << 1), 0, 0, 0, 0}) + Le16(0xffff) + Le16(0xffff) + kRampIndices,
         {{{255, 255, 255, 255}}, {{255, 255, 255, 0}}, {{255, 255, 255, 219}}, {{255, 255, 255, 36}}}},
        // DXT5 with a0 <= a1: six levels, then 0 and 255; indices 2, 5, 6, 7.
        {"dxt5-six-levels",
         D3DFMT_DXT5,
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
        // Every row repeats the color indices; in DXT1 nothing else differs.
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
        const std::array<uint8_t, 4> got = {one.levels[0].bgra[0], one.levels[0].bgra[1], one.levels[0].bgra[2],
                                            one.levels[0].bgra[3]};
        EXPECT_EQ(got, c.bgra) << c.name;
    }
}

// Float texels clamp to 0..1; channels a format lacks are 1.
TEST(ImageDecode, DdsFloatFormatsGiveClampedTexels)
{
    const auto f32 = [](float value) {
        std::string bytes(4, '\0');
        std::memcpy(bytes.data(), &value, 4);
        return bytes;
    };
    struct Case {
        uint32_t code;
        std::string texel;
        std::vector<uint8_t> bgra;
    };
    const Case cases[] = {
        {111, Le16(0x3800), {255, 255, 128, 255}},                                      // R16F 0.5
        {112, Le16(0xbc00) + Le16(0x7c00), {255, 255, 0, 255}},                         // G16R16F -1, infinity
        {113, Le16(0x3c00) + Le16(0) + Le16(0x3400) + Le16(0x3800), {64, 0, 255, 128}}, // 1, 0, 0.25, 0.5
        {114, f32(2.0f), {255, 255, 255, 255}},
        {115, f32(0.0f) + f32(1.0f), {255, 255, 0, 255}},
        {116, f32(0.2f) + f32(0.4f) + f32(0.6f) + f32(0.8f), {153, 102, 51, 204}},
    };
    for (const Case& c : cases) {
        DdsLayout layout;
        layout.fourCC = c.code;
        DecodedImage image;
        ASSERT_EQ(Decode(MakeDds(1, 1, layout, {c.texel}), image), S_OK) << c.code;
        EXPECT_EQ(static_cast<uint32_t>(image.info.format), c.code);
        EXPECT_EQ(image.levels[0].bgra, c.bgra) << c.code;
    }
}

TEST(ImageDecode, DdsPairFormatsShareTheirChromaOrRedAndBlue)
{
    struct Case {
        const char* fourCC;
        std::vector<uint8_t> pair;
        std::vector<uint8_t> bgra; // both texels
    };
    const Case cases[] = {
        {"YUY2", {16, 128, 235, 128}, {0, 0, 0, 255, 255, 255, 255, 255}}, // studio black and white
        {"UYVY", {128, 235, 128, 16}, {255, 255, 255, 255, 0, 0, 0, 255}},
        {"YUY2", {128, 128, 128, 255}, {130, 27, 255, 255, 130, 27, 255, 255}}, // red clamped
        {"RGBG", {10, 200, 20, 100}, {100, 10, 200, 255, 100, 20, 200, 255}},   // G0 R G1 B
        {"GRGB", {200, 10, 100, 20}, {100, 10, 200, 255, 100, 20, 200, 255}},   // R G0 B G1
    };
    for (const Case& c : cases) {
        DdsLayout layout;
        layout.fourCC = FourCC({c.fourCC[0], c.fourCC[1], c.fourCC[2], c.fourCC[3], 0});
        DecodedImage image;
        ASSERT_EQ(Decode(MakeDds(2, 1, layout, {std::string(c.pair.begin(), c.pair.end())}), image), S_OK) << c.fourCC;
        EXPECT_EQ(static_cast<uint32_t>(image.info.format), layout.fourCC) << c.fourCC;
        EXPECT_EQ(image.levels[0].bgra, c.bgra) << c.fourCC;
    }
}

TEST(ImageDecode, DdsP8TakesItsPaletteWithAlpha)
{
    DdsLayout grey;
    grey.bitCount = 8;
    grey.luminance = true;
    grey.red = 0xff;
    grey.alpha = 0;
    std::string file = MakeDds(2, 1, grey, {Bytes({1, 255})});
    file.replace(80, 4, Bytes({0x20, 0, 0, 0})); // palette indexed, 8 bits
    std::string palette(256 * 4, '\0');
    palette.replace(4, 4, Bytes({10, 20, 30, 40}));         // entry 1: R G B A
    palette.replace(255 * 4, 4, Bytes({200, 0, 100, 255})); // entry 255
    file.insert(128, palette);
    DecodedImage image;
    ASSERT_EQ(Decode(file, image), S_OK);
    EXPECT_EQ(static_cast<int>(image.info.format), 41);
    EXPECT_EQ(image.levels[0].bgra, (std::vector<uint8_t>{30, 20, 10, 40, 100, 0, 200, 255}));
    DecodedImage cut;
    EXPECT_EQ(Decode(file.substr(0, 128 + 1000), cut), D3DXERR_INVALIDDATA) << "palette cut short";
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
    EXPECT_EQ(image.levels[0].bgra[2], 255);         // texel (0,0) red
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

// The file with its stored width and height replaced.
std::string Claiming(std::string file, uint32_t width, uint32_t height)
{
    const auto put = [&](size_t at, uint32_t value, int bytes, bool bigEndian) {
        for (int i = 0; i < bytes; ++i) {
            const int shift = 8 * (bigEndian ? bytes - 1 - i : i);
            file[at + static_cast<size_t>(i)] = static_cast<char>((value >> shift) & 0xff);
        }
    };
    if (file.compare(0, 4, "\x89PNG") == 0) {
        put(16, width, 4, true), put(20, height, 4, true);
    } else if (file.compare(0, 2, "BM") == 0) {
        put(18, width, 4, false), put(22, height, 4, false);
    } else if (file.compare(0, 4, "DDS ") == 0) {
        put(12, height, 4, false), put(16, width, 4, false);
    } else if (file.compare(0, 2, "\xff\xd8") == 0) {
        const size_t frame = std::min(file.find("\xff\xc0"), file.find("\xff\xc2")); // baseline, progressive
        put(frame + 5, height, 2, true), put(frame + 7, width, 2, true);
    } else {
        put(12, width, 2, false), put(14, height, 2, false); // TGA
    }
    return file;
}

TEST(ImageDecode, ClaimsBeyondTheLimitOrTheDataAreRefused)
{
    const Texels small = Pattern(8, 8);
    const std::string rle = MakeRle8Bmp();
    const std::string files[] = {
        MakeBmp(small, 24),
        MakeBmp(small, BmpLayout{8}),
        rle.substr(0, rle.size() - 2), // without its end
        MakeTga(small, 24, false, false),
        MakeTga(small, 32, false, true),
        MakePng(small, 3),
        MakePng(small, 4, true),
        MakeJpeg(small),
        MakeJpeg(small, false, true),
        MakeDds(8, 8, DdsLayout{}, {std::string(256, '\x10')}),
    };
    for (const std::string& file : files) {
        SCOPED_TRACE("file " + std::to_string(&file - files));
        // At the limit the header is fine, but the texels are not all there.
        for (const auto& [width, height] : {std::pair{16384u, 4096u}, std::pair{64u, 16384u}}) {
            const std::string claim = Claiming(file, width, height);
            ImageInfo info;
            ASSERT_EQ(ReadImageInfo(reinterpret_cast<const uint8_t*>(claim.data()), claim.size(), info), S_OK);
            EXPECT_EQ(info.width, width);
            EXPECT_EQ(info.height, height);
            DecodedImage image;
            // A progressive 16384x4096 4:4:4 JPEG's coefficients alone are past the decoder's bound.
            const bool coefficients = &file - files == 8 && width == 16384;
            EXPECT_EQ(Decode(claim, image), coefficients ? E_OUTOFMEMORY : D3DXERR_INVALIDDATA);
            EXPECT_TRUE(image.levels.empty());
        }
        // Beyond it, even the header is refused.
        for (const auto& [width, height] : {std::pair{16385u, 8u}, std::pair{8u, 16385u}}) {
            const std::string claim = Claiming(file, width, height);
            ImageInfo info;
            EXPECT_EQ(ReadImageInfo(reinterpret_cast<const uint8_t*>(claim.data()), claim.size(), info),
                      D3DXERR_INVALIDDATA);
            DecodedImage image;
            EXPECT_EQ(Decode(claim, image), D3DXERR_INVALIDDATA);
        }
    }
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
    // A Huffman table claiming 16 x 255 codes, more than a table holds.
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
        MakeDds(4, 4, dxt5, {std::string(8, '\0')}),                                // half a block
        MakeDds(4, 4, DdsLayout{}, {std::string(60, '\0')}),                        // 15 of 16 texels
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
    // The PNG reader itself, given less than a signature (on the heap, where
    // a read past the end shows under the address sanitizer).
    for (const size_t length : {size_t{0}, size_t{1}, size_t{5}}) {
        const std::vector<uint8_t> cut(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(length));
        DecodedImage image;
        EXPECT_EQ(DecodePng(cut.data(), cut.size(), nullptr, image), D3DXERR_INVALIDDATA) << length << " bytes";
    }
}

// `chunk` (type and data) put in after the IHDR chunk, with its checksum.
std::string WithChunk(const std::string& png, const std::string& chunk)
{
    std::string bytes;
    for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>(((chunk.size() - 4) >> shift) & 0xff);
    bytes += chunk;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(chunk.data()), static_cast<uInt>(chunk.size()));
    for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>((crc >> shift) & 0xff);
    return png.substr(0, 33) + bytes + png.substr(33);
}

// A color profile or text that inflates past what libspng keeps, or an
// ancillary chunk that is damaged, does not stop the image: it is drawn as
// D3DX draws it, without them.
TEST(ImageDecode, PngAncillaryChunksAreLeftOut)
{
    const std::string inflated(8u << 20, 'x');
    std::vector<Bytef> packed(compressBound(static_cast<uLong>(inflated.size())));
    uLongf packedSize = static_cast<uLongf>(packed.size());
    ASSERT_EQ(compress(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(inflated.data()),
                       static_cast<uLong>(inflated.size())),
              Z_OK);
    const std::string zlib(reinterpret_cast<const char*>(packed.data()), packedSize);
    const Texels texels = Pattern(5, 3);
    const std::string plain = MakePng(texels, 4);
    std::string damaged = WithChunk(plain, std::string("tEXtkey\0text", 12));
    damaged[33 + 8 + 8] ^= 1; // its checksum
    const std::string cases[] = {
        WithChunk(plain, "iCCPprofile" + std::string(2, '\0') + zlib),
        WithChunk(plain, "zTXtComment" + std::string(2, '\0') + zlib),
        WithChunk(plain, "iTXtComment" + std::string("\0\1\0\0\0", 5) + zlib),
        damaged,
        WithChunk(plain, std::string("eXIf", 4) + std::string(16, '\xff')),
    };
    for (const std::string& file : cases) {
        DecodedImage image;
        ASSERT_EQ(Decode(file, image), S_OK) << file.substr(37, 4);
        ASSERT_EQ(image.levels.size(), 1u);
        ExpectTexels(image.levels[0].bgra, texels, false);
    }
}

} // namespace
