#include "platform/portable/d3dx/image/dds.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "platform/portable/d3dx/image/decode.h"

namespace portable {

namespace {
uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// 5- and 6-bit channels widened to 8 bits, rounded to nearest.
uint8_t Widen5(unsigned v) { return static_cast<uint8_t>((v * 255 + 15) / 31); }
uint8_t Widen6(unsigned v) { return static_cast<uint8_t>((v * 255 + 31) / 63); }

// The color part shared by all three formats: two RGB565 end points and
// 2-bit indices. `fourColors` forces the opaque four-color mode.
void DecodeColors(const uint8_t* block, bool fourColors, uint8_t texels[64])
{
    const uint16_t c0 = ReadU16(block);
    const uint16_t c1 = ReadU16(block + 2);
    uint8_t palette[4][4]; // B, G, R, A
    palette[0][0] = Widen5(c0 & 0x1f);
    palette[0][1] = Widen6((c0 >> 5) & 0x3f);
    palette[0][2] = Widen5(c0 >> 11);
    palette[0][3] = 255;
    palette[1][0] = Widen5(c1 & 0x1f);
    palette[1][1] = Widen6((c1 >> 5) & 0x3f);
    palette[1][2] = Widen5(c1 >> 11);
    palette[1][3] = 255;
    if (fourColors || c0 > c1) {
        for (int c = 0; c < 3; ++c) {
            palette[2][c] = static_cast<uint8_t>((2 * palette[0][c] + palette[1][c] + 1) / 3);
            palette[3][c] = static_cast<uint8_t>((palette[0][c] + 2 * palette[1][c] + 1) / 3);
        }
        palette[2][3] = 255;
        palette[3][3] = 255;
    } else {
        for (int c = 0; c < 3; ++c) {
            palette[2][c] = static_cast<uint8_t>((palette[0][c] + palette[1][c] + 1) / 2);
            palette[3][c] = 0;
        }
        palette[2][3] = 255;
        palette[3][3] = 0;
    }
    const uint32_t bits = static_cast<uint32_t>(block[4]) | (static_cast<uint32_t>(block[5]) << 8)
        | (static_cast<uint32_t>(block[6]) << 16) | (static_cast<uint32_t>(block[7]) << 24);
    for (int i = 0; i < 16; ++i) std::memcpy(texels + 4 * i, palette[(bits >> (2 * i)) & 3], 4);
}

void DecodeExplicitAlpha(const uint8_t* block, uint8_t texels[64])
{
    for (int i = 0; i < 16; ++i) {
        const unsigned nibble = (block[i / 2] >> (4 * (i % 2))) & 0xf;
        texels[4 * i + 3] = static_cast<uint8_t>(nibble * 17);
    }
}

void DecodeInterpolatedAlpha(const uint8_t* block, uint8_t texels[64])
{
    const unsigned a0 = block[0];
    const unsigned a1 = block[1];
    uint8_t alpha[8];
    alpha[0] = static_cast<uint8_t>(a0);
    alpha[1] = static_cast<uint8_t>(a1);
    if (a0 > a1) {
        for (unsigned i = 1; i < 7; ++i) alpha[i + 1] = static_cast<uint8_t>(((7 - i) * a0 + i * a1 + 3) / 7);
    } else {
        for (unsigned i = 1; i < 5; ++i) alpha[i + 1] = static_cast<uint8_t>(((5 - i) * a0 + i * a1 + 2) / 5);
        alpha[6] = 0;
        alpha[7] = 255;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= static_cast<uint64_t>(block[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i) texels[4 * i + 3] = alpha[(bits >> (3 * i)) & 7];
}

constexpr uint32_t kHeaderSize = 124;
constexpr uint32_t kPixelFormatSize = 32;
constexpr uint32_t kFlagMipMapCount = 0x20000;
constexpr uint32_t kPixelAlphaPixels = 0x1;
constexpr uint32_t kPixelAlpha = 0x2;
constexpr uint32_t kPixelFourCC = 0x4;
constexpr uint32_t kPixelPalette8 = 0x20;
constexpr uint32_t kPixelRgb = 0x40;
constexpr D3DFORMAT kP8 = static_cast<D3DFORMAT>(41);
// A P8 file's palette follows the header: 256 entries of red, green, blue
// and alpha (PALETTEENTRY, whose flags byte Direct3D takes as alpha).
constexpr size_t kPaletteBytes = 256 * 4;
constexpr uint32_t kPixelLuminance = 0x20000;
constexpr uint32_t kFlagDepth = 0x800000;
constexpr uint32_t kCaps2Cube = 0x200;
constexpr uint32_t kCaps2Volume = 0x200000;

uint32_t ReadU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16)
        | (static_cast<uint32_t>(p[3]) << 24);
}

constexpr uint32_t FourCC(char a, char b, char c, char d)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) | (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8)
        | (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16)
        | (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24);
}

// One channel described by a bit mask, widened to 8 bits.
struct Channel {
    uint32_t mask = 0;
    unsigned shift = 0;
    uint32_t max = 0;

    explicit Channel(uint32_t channelMask) : mask(channelMask)
    {
        if (mask == 0) return;
        shift = static_cast<unsigned>(std::countr_zero(mask));
        max = mask >> shift;
        // Masks with holes count as their full span.
    }
    uint8_t Value(uint32_t pixel, uint8_t absent) const
    {
        if (mask == 0) return absent;
        const uint32_t raw = (pixel & mask) >> shift;
        return static_cast<uint8_t>((static_cast<uint64_t>(raw) * 255 + max / 2) / max);
    }
};

// Two pixels in four bytes: which byte holds what.
struct PairOrder {
    int first, second;   // the two pixels' own bytes: luma, or green
    int blueish, redish; // the shared bytes: U and V, or blue and red
    bool yuv;
};

struct Layout {
    D3DFORMAT format = D3DFMT_UNKNOWN;
    bool compressed = false;
    const PairOrder* pairs = nullptr; // the packed pair formats
    bool palette = false;
    const uint8_t* paletteEntries = nullptr;
    uint32_t floatChannels = 0; // R, G, B, A in that order, of floatBytes each
    uint32_t floatBytes = 0;
    bool luminance = false;
    uint32_t bitsPerPixel = 0;
    uint32_t red = 0, green = 0, blue = 0, alpha = 0;
};

D3DFORMAT MaskFormat(const Layout& layout)
{
    struct Known {
        uint32_t bits, r, g, b, a;
        D3DFORMAT format;
    };
    static constexpr Known kKnown[] = {
        {32, 0xff0000, 0xff00, 0xff, 0xff000000, D3DFMT_A8R8G8B8},
        {32, 0xff0000, 0xff00, 0xff, 0, D3DFMT_X8R8G8B8},
        {32, 0xff, 0xff00, 0xff0000, 0xff000000, D3DFMT_A8B8G8R8},
        {32, 0xff, 0xff00, 0xff0000, 0, D3DFMT_X8B8G8R8},
        {24, 0xff0000, 0xff00, 0xff, 0, D3DFMT_R8G8B8},
        {16, 0xf800, 0x7e0, 0x1f, 0, D3DFMT_R5G6B5},
        {16, 0x7c00, 0x3e0, 0x1f, 0, D3DFMT_X1R5G5B5},
        {16, 0x7c00, 0x3e0, 0x1f, 0x8000, D3DFMT_A1R5G5B5},
        {16, 0xf00, 0xf0, 0xf, 0xf000, D3DFMT_A4R4G4B4},
        {16, 0xf00, 0xf0, 0xf, 0, D3DFMT_X4R4G4B4},
        {8, 0xe0, 0x1c, 0x3, 0, D3DFMT_R3G3B2},
        {16, 0xe0, 0x1c, 0x3, 0xff00, D3DFMT_A8R3G3B2},
        // D3DX names the two 10:10:10:2 layouts the other way round from
        // Direct3D's bit order, and DDS writers follow it.
        {32, 0x3ff, 0xffc00, 0x3ff00000, 0xc0000000, D3DFMT_A2R10G10B10},
        {32, 0x3ff00000, 0xffc00, 0x3ff, 0xc0000000, D3DFMT_A2B10G10R10},
        {32, 0xffff, 0xffff0000, 0, 0, D3DFMT_G16R16},
    };
    if (layout.luminance) {
        if (layout.bitsPerPixel == 16 && layout.red == 0xffff && layout.alpha == 0) return D3DFMT_L16;
        if (layout.bitsPerPixel == 8 && layout.red == 0xf && layout.alpha == 0xf0) return D3DFMT_A4L4;
        return layout.alpha != 0 ? D3DFMT_A8L8 : D3DFMT_L8;
    }
    if (layout.red == 0 && layout.green == 0 && layout.blue == 0) return D3DFMT_A8;
    for (const Known& known : kKnown) {
        if (known.bits == layout.bitsPerPixel && known.r == layout.red && known.g == layout.green
            && known.b == layout.blue && known.a == layout.alpha) {
            return known.format;
        }
    }
    return layout.alpha != 0 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
}

bool ReadLayout(const uint8_t* pf, Layout& layout)
{
    if (ReadU32(pf) != kPixelFormatSize) return false;
    const uint32_t flags = ReadU32(pf + 4);
    if (flags & kPixelFourCC) {
        switch (ReadU32(pf + 8)) {
        case FourCC('D', 'X', 'T', '1'): layout.format = D3DFMT_DXT1; break;
        case FourCC('D', 'X', 'T', '2'): layout.format = D3DFMT_DXT2; break;
        case FourCC('D', 'X', 'T', '3'): layout.format = D3DFMT_DXT3; break;
        case FourCC('D', 'X', 'T', '4'): layout.format = D3DFMT_DXT4; break;
        case FourCC('D', 'X', 'T', '5'): layout.format = D3DFMT_DXT5; break;
        case FourCC('U', 'Y', 'V', 'Y'):
        case FourCC('Y', 'U', 'Y', '2'):
        case FourCC('R', 'G', 'B', 'G'):
        case FourCC('G', 'R', 'G', 'B'): {
            static constexpr PairOrder kUyvy{1, 3, 0, 2, true}, kYuy2{0, 2, 1, 3, true};
            // Direct3D names channels from the high byte: R8G8_B8G8 is G0 R G1 B in memory.
            static constexpr PairOrder kRgbg{0, 2, 3, 1, false}, kGrgb{1, 3, 2, 0, false};
            layout.format = static_cast<D3DFORMAT>(ReadU32(pf + 8));
            layout.pairs = layout.format == D3DFMT_UYVY ? &kUyvy
                : layout.format == D3DFMT_YUY2          ? &kYuy2
                : layout.format == D3DFMT_R8G8_B8G8     ? &kRgbg
                                                        : &kGrgb;
            layout.bitsPerPixel = 16;
            return true;
        }
        default: {
            // The float formats, by their D3DFORMAT numbers: R16F to A32B32G32R32F.
            const uint32_t code = ReadU32(pf + 8);
            if (code < 111 || code > 116) return false;
            static constexpr uint32_t kChannels[] = {1, 2, 4};
            layout.format = static_cast<D3DFORMAT>(code);
            layout.floatChannels = kChannels[(code - 111) % 3];
            layout.floatBytes = code < 114 ? 2 : 4;
            layout.bitsPerPixel = layout.floatChannels * layout.floatBytes * 8;
            return true;
        }
        }
        layout.compressed = true;
        return true;
    }
    if (flags & kPixelPalette8) {
        layout.format = kP8;
        layout.palette = true;
        layout.bitsPerPixel = 8;
        return true;
    }
    layout.bitsPerPixel = ReadU32(pf + 12);
    if (layout.bitsPerPixel != 8 && layout.bitsPerPixel != 16 && layout.bitsPerPixel != 24
        && layout.bitsPerPixel != 32) {
        return false;
    }
    layout.luminance = (flags & kPixelLuminance) != 0;
    if (!(flags & (kPixelRgb | kPixelLuminance | kPixelAlpha))) return false;
    layout.red = ReadU32(pf + 16);
    layout.green = layout.luminance ? 0 : ReadU32(pf + 20);
    layout.blue = layout.luminance ? 0 : ReadU32(pf + 24);
    layout.alpha = (flags & (kPixelAlphaPixels | kPixelAlpha)) ? ReadU32(pf + 28) : 0;
    const uint64_t reach = layout.bitsPerPixel == 32 ? 0xffffffffull : (1ull << layout.bitsPerPixel) - 1;
    if (layout.red > reach || layout.green > reach || layout.blue > reach || layout.alpha > reach) return false;
    if (layout.red == 0 && layout.alpha == 0) return false;
    layout.format = MaskFormat(layout);
    return true;
}

uint64_t LevelBytes(const Layout& layout, uint32_t width, uint32_t height)
{
    if (layout.compressed) {
        return static_cast<uint64_t>((width + 3) / 4) * ((height + 3) / 4) * DxtBlockBytes(layout.format);
    }
    if (layout.pairs != nullptr) return static_cast<uint64_t>((width + 1) / 2) * 4 * height;
    return static_cast<uint64_t>(width) * height * (layout.bitsPerPixel / 8);
}

uint8_t Clamp8(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

// One row of a packed pair level to texels. YUV is BT.601 at studio range
// (luma 16 to 235), as Direct3D's YUV surfaces hold it.
void ConvertPairRow(const PairOrder& order, const uint8_t* data, uint32_t width, uint8_t* out)
{
    for (uint32_t i = 0; i < width; ++i) {
        const uint8_t* pair = data + i / 2 * 4;
        const int own = pair[i % 2 == 0 ? order.first : order.second];
        const int blueish = pair[order.blueish], redish = pair[order.redish];
        uint8_t* texel = out + 4 * size_t{i};
        if (order.yuv) {
            const int c = 298 * (own - 16), d = blueish - 128, e = redish - 128;
            texel[0] = Clamp8((c + 516 * d + 128) >> 8);
            texel[1] = Clamp8((c - 100 * d - 208 * e + 128) >> 8);
            texel[2] = Clamp8((c + 409 * e + 128) >> 8);
        } else {
            texel[0] = static_cast<uint8_t>(blueish);
            texel[1] = static_cast<uint8_t>(own);
            texel[2] = static_cast<uint8_t>(redish);
        }
        texel[3] = 255;
    }
}

float HalfToFloat(uint32_t half)
{
    const uint32_t exponent = (half >> 10) & 31, mantissa = half & 1023;
    const float sign = (half & 0x8000) ? -1.0f : 1.0f;
    if (exponent == 31) return mantissa != 0 ? 0.0f : sign * 65504.0f; // NaN as 0, infinities as the largest
    if (exponent == 0) return sign * std::ldexp(static_cast<float>(mantissa), -24);
    return sign * std::ldexp(static_cast<float>(mantissa | 1024), static_cast<int>(exponent) - 25);
}

// A float channel to 8 bits, clamped to 0..1.
uint8_t FloatTo8(float value)
{
    if (!(value > 0.0f)) return 0;
    return value >= 1.0f ? 255 : static_cast<uint8_t>(value * 255.0f + 0.5f);
}

// One row of a float level to texels; channels the format lacks are 1.
void ConvertFloatRow(const Layout& layout, const uint8_t* data, uint32_t width, uint8_t* out)
{
    const uint32_t stride = layout.floatChannels * layout.floatBytes;
    for (size_t i = 0; i < width; ++i) {
        uint8_t rgba[4] = {255, 255, 255, 255};
        for (uint32_t c = 0; c < layout.floatChannels; ++c) {
            const uint8_t* at = data + i * stride + c * layout.floatBytes;
            float value;
            if (layout.floatBytes == 2) {
                value = HalfToFloat(ReadU16(at));
            } else {
                const uint32_t bits = ReadU32(at);
                std::memcpy(&value, &bits, 4);
            }
            rgba[c] = FloatTo8(value);
        }
        uint8_t* texel = out + 4 * i;
        texel[0] = rgba[2];
        texel[1] = rgba[1];
        texel[2] = rgba[0];
        texel[3] = rgba[3];
    }
}

// One row of an uncompressed level to texels.
void ConvertRow(const Layout& layout, const uint8_t* data, uint32_t width, uint8_t* out)
{
    if (layout.floatChannels != 0) {
        ConvertFloatRow(layout, data, width, out);
        return;
    }
    if (layout.palette) {
        for (size_t i = 0; i < width; ++i) {
            const uint8_t* entry = layout.paletteEntries + 4 * size_t{data[i]};
            uint8_t* texel = out + 4 * i;
            texel[0] = entry[2];
            texel[1] = entry[1];
            texel[2] = entry[0];
            texel[3] = entry[3];
        }
        return;
    }
    const Channel red(layout.red), green(layout.green), blue(layout.blue), alpha(layout.alpha);
    const uint32_t bytes = layout.bitsPerPixel / 8;
    for (size_t i = 0; i < width; ++i) {
        uint32_t pixel = 0;
        for (uint32_t b = 0; b < bytes; ++b) pixel |= static_cast<uint32_t>(data[i * bytes + b]) << (8 * b);
        uint8_t* texel = out + 4 * i;
        const uint8_t r = red.Value(pixel, 0);
        if (layout.luminance) {
            texel[0] = texel[1] = texel[2] = r;
        } else if (layout.format == D3DFMT_A8) {
            texel[0] = texel[1] = texel[2] = 0;
        } else {
            texel[0] = blue.Value(pixel, 0);
            texel[1] = green.Value(pixel, 0);
            texel[2] = r;
        }
        texel[3] = alpha.Value(pixel, 255);
    }
}

// One level, whose bytes the file holds, row by row (a strip of blocks at a time).
ImageLevel DecodeLevel(const Layout& layout, const uint8_t* data, uint32_t width, uint32_t height, UINT fitWidth,
                       UINT fitHeight)
{
    RowCollector rows = StartRows(width, height, fitWidth, fitHeight, false);
    ReserveRows(rows);
    if (layout.compressed) {
        const size_t stripBytes = LevelBytes(layout, width, 4);
        std::vector<uint8_t> strip(size_t{width} * 4 * 4);
        for (uint32_t top = 0; top < height; top += 4) {
            const uint32_t count = std::min(4u, height - top);
            DecodeDxtLevel(layout.format, data + top / 4 * stripBytes, width, count, strip.data());
            for (uint32_t y = 0; y < count; ++y) AddRow(rows, strip.data() + size_t{y} * width * 4);
        }
    } else {
        const size_t stride = LevelBytes(layout, width, 1);
        std::vector<uint8_t> row(size_t{width} * 4);
        for (uint32_t y = 0; y < height; ++y) {
            if (layout.pairs != nullptr) {
                ConvertPairRow(*layout.pairs, data + y * stride, width, row.data());
            } else {
                ConvertRow(layout, data + y * stride, width, row.data());
            }
            AddRow(rows, row.data());
        }
    }
    return FinishRows(rows);
}
} // namespace

size_t DxtBlockBytes(D3DFORMAT format) { return format == D3DFMT_DXT1 ? 8 : 16; }

void DecodeDxtBlock(D3DFORMAT format, const uint8_t* block, uint8_t texels[64])
{
    switch (format) {
    case D3DFMT_DXT1: DecodeColors(block, false, texels); break;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
        DecodeColors(block + 8, true, texels);
        DecodeExplicitAlpha(block, texels);
        break;
    default:
        DecodeColors(block + 8, true, texels);
        DecodeInterpolatedAlpha(block, texels);
        break;
    }
}

void DecodeDxtLevel(D3DFORMAT format, const uint8_t* data, uint32_t width, uint32_t height, uint8_t* out)
{
    const size_t blockBytes = DxtBlockBytes(format);
    const uint32_t blocksWide = (width + 3) / 4;
    const uint32_t blocksHigh = (height + 3) / 4;
    uint8_t texels[64];
    for (uint32_t by = 0; by < blocksHigh; ++by) {
        for (uint32_t bx = 0; bx < blocksWide; ++bx) {
            DecodeDxtBlock(format, data + (static_cast<size_t>(by) * blocksWide + bx) * blockBytes, texels);
            for (uint32_t y = 0; y < 4 && by * 4 + y < height; ++y) {
                for (uint32_t x = 0; x < 4 && bx * 4 + x < width; ++x) {
                    std::memcpy(out + ((static_cast<size_t>(by) * 4 + y) * width + bx * 4 + x) * 4,
                                texels + (y * 4 + x) * 4, 4);
                }
            }
        }
    }
}

HRESULT DecodeDds(const uint8_t* data, size_t size, const ImageFit* fit, DecodedImage& image)
{
    if (size < 4 + kHeaderSize) return D3DXERR_INVALIDDATA;
    const uint8_t* header = data + 4;
    if (ReadU32(header) != kHeaderSize) return D3DXERR_INVALIDDATA;
    const uint32_t flags = ReadU32(header + 4);
    const uint32_t height = ReadU32(header + 8);
    const uint32_t width = ReadU32(header + 12);
    const uint32_t depth = ReadU32(header + 20);
    uint32_t mipCount = (flags & kFlagMipMapCount) ? ReadU32(header + 24) : 1;
    const uint32_t caps2 = ReadU32(header + 108);
    if (OutsideImageLimits(width, height)) return D3DXERR_INVALIDDATA;
    const bool cube = (caps2 & kCaps2Cube) != 0;
    const bool volume = !cube && (caps2 & kCaps2Volume) != 0 && (flags & kFlagDepth) != 0;
    const uint32_t slices = volume ? std::max(1u, depth) : 1;
    if (slices > kMaxImageSide) return D3DXERR_INVALIDDATA;

    Layout layout;
    if (!ReadLayout(header + 72, layout)) return D3DXERR_INVALIDDATA;

    uint32_t fullChain = 1;
    while ((width >> fullChain) > 0 || (height >> fullChain) > 0) ++fullChain;
    if (mipCount == 0) mipCount = 1;
    // The file must hold every level its header counts, those past 1x1 as 1x1.
    const uint32_t extraLevels = mipCount > fullChain ? mipCount - fullChain : 0;
    if (mipCount > fullChain) mipCount = fullChain;

    image.info.width = width;
    image.info.height = height;
    image.info.mipLevels = mipCount;
    image.info.format = layout.format;
    image.info.fileType = D3DXIFF_DDS;
    image.info.hasAlpha = layout.compressed || layout.alpha != 0 || layout.floatChannels == 4 || layout.palette;
    image.info.resourceType = cube ? D3DRTYPE_CUBETEXTURE : volume ? D3DRTYPE_VOLUMETEXTURE : D3DRTYPE_TEXTURE;
    image.info.depth = slices;
    if (fit == nullptr) return S_OK;

    // Every level of every face (or slice) must be in the file before any is decoded.
    uint64_t needed = 0;
    for (uint32_t level = 0; level < mipCount; ++level) {
        needed += LevelBytes(layout, std::max(1u, width >> level), std::max(1u, height >> level))
            * std::max(1u, slices >> level);
    }
    needed += uint64_t{extraLevels} * LevelBytes(layout, 1, 1);
    if (cube) needed *= 6;
    const size_t before = 4 + kHeaderSize + (layout.palette ? kPaletteBytes : 0);
    if (size < before || needed > size - before) return D3DXERR_INVALIDDATA;
    layout.paletteEntries = layout.palette ? data + 4 + kHeaderSize : nullptr;
    const uint8_t* cursor = data + before;
    for (uint32_t level = 0; level < mipCount; ++level) {
        const uint32_t levelWidth = std::max(1u, width >> level);
        const uint32_t levelHeight = std::max(1u, height >> level);
        const UINT fitWidth = std::max(1u, fit->width >> level);
        const UINT fitHeight = std::max(1u, fit->height >> level);
        image.levels.push_back(DecodeLevel(layout, cursor, levelWidth, levelHeight, fitWidth, fitHeight));
        cursor += LevelBytes(layout, levelWidth, levelHeight) * std::max(1u, slices >> level);
    }
    return S_OK;
}

} // namespace portable
