#include "platform/portable/d3dx/image/dxt.h"

#include <cstring>

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
} // namespace

size_t DxtBlockBytes(D3DFORMAT format) { return format == D3DFMT_DXT1 ? 8 : 16; }

void DecodeDxtBlock(D3DFORMAT format, const uint8_t* block, uint8_t texels[64])
{
    switch (format) {
    case D3DFMT_DXT1:
        DecodeColors(block, false, texels);
        break;
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

} // namespace portable
