// Test helper: small image files of each kind D3DX reads, written here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Texels as B, G, R, A bytes, row by row from the top.
struct Texels {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> bgra;
};

Texels Pattern(uint32_t width, uint32_t height); // distinct, opaque colours

std::string MakeBmp(const Texels& image, unsigned bitsPerPixel);     // 24 or 32, bottom-up rows
std::string MakeTga(const Texels& image, unsigned bitsPerPixel, bool topDown, bool rle);
std::string MakePng(const Texels& image, int channels);               // 1, 3 or 4 channels
std::string MakeJpeg(const Texels& image);

// A DDS file. For uncompressed data give the bit count and masks; for DXT
// give the FourCC and no masks. `levels` holds each level's raw bytes.
struct DdsLayout {
    uint32_t fourCC = 0;
    uint32_t bitCount = 32;
    uint32_t red = 0x00ff0000, green = 0x0000ff00, blue = 0x000000ff, alpha = 0xff000000;
    bool luminance = false;
    bool cube = false;
};
std::string MakeDds(uint32_t width, uint32_t height, const DdsLayout& layout,
                    const std::vector<std::string>& levels, bool writeMipCount = true);

constexpr uint32_t FourCC(const char (&text)[5])
{
    return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) | (static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8)
           | (static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16)
           | (static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24);
}
