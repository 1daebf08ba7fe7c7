// Test helper: small image files of each kind D3DX reads, written here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace portable {

// Texels as B, G, R, A bytes, row by row from the top.
struct Texels {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> bgra;
};

Texels Pattern(uint32_t width, uint32_t height); // distinct, opaque colors

// A BMP file: 1, 4 or 8 bits through a palette of the first texels' colors
// (texel i takes entry i mod its size), or 16, 24 or 32 bits, plain or by
// masks (BI_BITFIELDS; in the header from 52 bytes on, else after it).
struct BmpLayout {
    unsigned bitsPerPixel = 24;
    uint32_t headerSize = 40;                         // 12, 40, 108 or 124
    uint32_t red = 0, green = 0, blue = 0, alpha = 0; // all 0: plain
    bool topDown = false;
};
std::string MakeBmp(const Texels& image, const BmpLayout& layout);
std::string MakeBmp(const Texels& image, unsigned bitsPerPixel); // plain, bottom-up rows
// A TGA file: 8 bits grey (the texels' green), 16 bits (5 per channel and
// 1 of alpha), 24 or 32 bits; RLE files hold one raw packet per texel.
std::string MakeTga(const Texels& image, unsigned bitsPerPixel, bool topDown, bool rle);
// An 8-bit RLE BMP, 4x3, palette from Pattern(4, 3): a run of four of entry
// 1, an end of line, a literal 2, 0, 1 short of the edge, an end of image a
// row early. Rows from the top: blank; 2, 0, 1, blank; 1, 1, 1, 1.
std::string MakeRle8Bmp();
// A color-mapped TGA, 3x2, top row first: a map of blue and red (24-bit)
// starting at index 1; indices 1, 2, 1 / 2, 1, 0 (0 is outside the map).
std::string MakeMappedTga();
std::string MakePng(const Texels& image, int channels, bool interlaced = false);        // 1, 3 or 4 channels
std::string MakeJpeg(const Texels& image, bool grey = false, bool progressive = false); // quality 100

// A DDS file. For uncompressed data give the bit count and masks; for DXT
// give the FourCC and no masks. `levels` holds each level's raw bytes.
struct DdsLayout {
    uint32_t fourCC = 0;
    uint32_t bitCount = 32;
    uint32_t red = 0x00ff0000, green = 0x0000ff00, blue = 0x000000ff, alpha = 0xff000000;
    bool luminance = false;
    bool cube = false;
};
std::string MakeDds(uint32_t width, uint32_t height, const DdsLayout& layout, const std::vector<std::string>& levels,
                    bool writeMipCount = true);

constexpr uint32_t FourCC(const char (&text)[5])
{
    return static_cast<uint32_t>(static_cast<uint8_t>(text[0]))
        | (static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8)
        | (static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16)
        | (static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24);
}

} // namespace portable
