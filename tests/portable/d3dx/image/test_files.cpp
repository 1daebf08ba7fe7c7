#include "tests/portable/d3dx/image/test_files.h"

#include <cstring>

#include <zlib.h>
// jpeglib.h needs FILE and size_t declared first.
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

namespace portable {

namespace {
void Put16(std::string& out, uint32_t v)
{
    out.push_back(static_cast<char>(v & 0xff));
    out.push_back(static_cast<char>((v >> 8) & 0xff));
}
void Put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

void PutBig32(std::string& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xff));
}

void PngChunk(std::string& file, const char* type, const std::string& data)
{
    std::string chunk = type + data;
    PutBig32(file, static_cast<uint32_t>(data.size()));
    file += chunk;
    PutBig32(
        file,
        static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(chunk.data()), static_cast<uInt>(chunk.size()))));
}

std::vector<uint8_t> Rgba(const Texels& image, int channels)
{
    std::vector<uint8_t> out;
    for (size_t i = 0; i < image.bgra.size(); i += 4) {
        const uint8_t b = image.bgra[i], g = image.bgra[i + 1], r = image.bgra[i + 2], a = image.bgra[i + 3];
        if (channels == 1) {
            out.push_back(g);
            continue;
        }
        out.push_back(r);
        out.push_back(g);
        out.push_back(b);
        if (channels == 4) out.push_back(a);
    }
    return out;
}
} // namespace

Texels Pattern(uint32_t width, uint32_t height)
{
    Texels image{width, height, {}};
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            image.bgra.push_back(static_cast<uint8_t>(10 + 40 * x));
            image.bgra.push_back(static_cast<uint8_t>(20 + 30 * y));
            image.bgra.push_back(static_cast<uint8_t>(200 - 10 * (x + y)));
            image.bgra.push_back(255);
        }
    }
    return image;
}

std::string MakeBmp(const Texels& image, unsigned bitsPerPixel) { return MakeBmp(image, BmpLayout{bitsPerPixel}); }

std::string MakeBmp(const Texels& image, const BmpLayout& layout)
{
    const uint32_t bits = layout.bitsPerPixel;
    const bool masked = layout.red != 0 || layout.alpha != 0;
    const uint32_t paletteEntries = bits <= 8 ? 1u << bits : 0;
    const uint32_t entryBytes = layout.headerSize == 12 ? 3 : 4;
    const uint32_t maskBytes = masked && layout.headerSize == 40 ? 12 : 0;
    const uint32_t offset = 14 + layout.headerSize + maskBytes + paletteEntries * entryBytes;
    const uint32_t rowSize = (image.width * bits + 31) / 32 * 4;
    std::string file = "BM";
    Put32(file, offset + rowSize * image.height);
    Put32(file, 0);
    Put32(file, offset);
    Put32(file, layout.headerSize);
    if (layout.headerSize == 12) {
        Put16(file, image.width);
        Put16(file, image.height);
        Put16(file, 1);
        Put16(file, bits);
    } else {
        Put32(file, image.width);
        Put32(file, layout.topDown ? static_cast<uint32_t>(-static_cast<int32_t>(image.height)) : image.height);
        Put16(file, 1);
        Put16(file, bits);
        Put32(file, masked ? 3 : 0);
        Put32(file, rowSize * image.height);
        Put32(file, 2835);
        Put32(file, 2835);
        Put32(file, 0);
        Put32(file, 0);
        if (layout.headerSize > 40 || maskBytes != 0) {
            Put32(file, layout.red);
            Put32(file, layout.green);
            Put32(file, layout.blue);
        }
        if (layout.headerSize > 40) {
            Put32(file, layout.alpha);
            file.append(layout.headerSize - 56, '\0');
        }
    }
    // The palette holds the first texels' colors; texel i uses entry i mod its size.
    for (uint32_t i = 0; i < paletteEntries; ++i) {
        const size_t texel = (i % (image.width * image.height)) * 4;
        file.append(reinterpret_cast<const char*>(&image.bgra[texel]), 3);
        if (entryBytes == 4) file.push_back(0);
    }
    for (uint32_t row = 0; row < image.height; ++row) {
        const uint32_t y = layout.topDown ? row : image.height - 1 - row;
        std::string line(rowSize, '\0');
        for (uint32_t x = 0; x < image.width; ++x) {
            const uint32_t i = y * image.width + x;
            const uint8_t* texel = &image.bgra[size_t{i} * 4];
            if (bits <= 8) {
                const uint32_t bit = x * bits;
                line[bit / 8] = static_cast<char>(line[bit / 8] | ((i % paletteEntries) << (8 - bits - bit % 8)));
            } else if (bits == 24) {
                line.replace(x * 3, 3, reinterpret_cast<const char*>(texel), 3);
            } else {
                const uint32_t r = masked ? layout.red : (bits == 16 ? 0x7c00 : 0xff0000);
                const uint32_t g = masked ? layout.green : (bits == 16 ? 0x3e0 : 0xff00);
                const uint32_t b = masked ? layout.blue : (bits == 16 ? 0x1f : 0xff);
                const auto place = [](uint32_t mask, uint8_t value) -> uint32_t {
                    if (mask == 0) return 0;
                    const uint32_t shift = static_cast<uint32_t>(__builtin_ctz(mask));
                    const uint32_t max = mask >> shift;
                    return ((value * max + 127) / 255) << shift;
                };
                const uint32_t pixel = place(r, texel[2]) | place(g, texel[1]) | place(b, texel[0])
                    | place(masked ? layout.alpha : 0, texel[3]);
                for (uint32_t k = 0; k < bits / 8; ++k) line[x * bits / 8 + k] = static_cast<char>(pixel >> (8 * k));
            }
        }
        file += line;
    }
    return file;
}

std::string MakeTga(const Texels& image, unsigned bitsPerPixel, bool topDown, bool rle)
{
    const bool grey = bitsPerPixel == 8;
    std::string file;
    file.push_back(0);
    file.push_back(0);
    file.push_back(static_cast<char>((grey ? 3 : 2) + (rle ? 8 : 0)));
    file.append(5, '\0');
    Put16(file, 0);
    Put16(file, 0);
    Put16(file, image.width);
    Put16(file, image.height);
    file.push_back(static_cast<char>(bitsPerPixel));
    const int alphaBits = bitsPerPixel == 32 ? 8 : bitsPerPixel == 16 ? 1 : 0;
    file.push_back(static_cast<char>((topDown ? 0x20 : 0) | alphaBits));
    for (uint32_t row = 0; row < image.height; ++row) {
        const uint32_t y = topDown ? row : image.height - 1 - row;
        for (uint32_t x = 0; x < image.width; ++x) {
            if (rle) file.push_back(0); // a raw packet of one texel
            const uint8_t* texel = &image.bgra[(y * image.width + x) * 4];
            if (grey) {
                file.push_back(static_cast<char>(texel[1]));
            } else if (bitsPerPixel == 16) {
                Put16(file,
                      (texel[3] >= 128 ? 0x8000u : 0u) | ((texel[2] >> 3u) << 10) | ((texel[1] >> 3u) << 5)
                          | (texel[0] >> 3u));
            } else {
                file.append(reinterpret_cast<const char*>(texel), bitsPerPixel / 8);
            }
        }
    }
    return file;
}

std::string MakeRle8Bmp()
{
    std::string file = MakeBmp(Pattern(4, 3), BmpLayout{8});
    file[30] = 1; // BI_RLE8
    const size_t offset = static_cast<uint8_t>(file[10]) | (static_cast<uint8_t>(file[11]) << 8);
    file.resize(offset);
    const char data[] = {4, 1, 0, 0, 0, 3, 2, 0, 1, 0, 0, 1};
    return file.append(data, sizeof data);
}

std::string MakeMappedTga()
{
    const char file[] = {0, 1, 1,    1,      0, 2, 0, 24, 0,      0, 0, 0, 3, 0, 2,
                         0, 8, 0x20, '\xff', 0, 0, 0, 0,  '\xff', 1, 2, 1, 2, 1, 0};
    return std::string(file, sizeof file);
}

std::string MakePng(const Texels& image, int channels, bool interlaced)
{
    const std::vector<uint8_t> pixels = Rgba(image, channels);
    const int colorType = channels == 1 ? 0 : channels == 3 ? 2 : 6;
    std::string file = "\x89PNG\r\n\x1a\n";
    std::string header;
    PutBig32(header, image.width);
    PutBig32(header, image.height);
    header += {8, static_cast<char>(colorType), 0, 0, static_cast<char>(interlaced ? 1 : 0)};
    PngChunk(file, "IHDR", header);
    // Unfiltered rows; Adam7 stores seven passes, each a smaller image of its own.
    struct Pass {
        uint32_t x, y, dx, dy;
    };
    const std::vector<Pass> passes = interlaced
        ? std::vector<Pass>{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}
        : std::vector<Pass>{{0, 0, 1, 1}};
    std::string raw;
    for (const Pass& pass : passes) {
        if (pass.x >= image.width) continue;
        for (uint32_t y = pass.y; y < image.height; y += pass.dy) {
            raw.push_back(0);
            for (uint32_t x = pass.x; x < image.width; x += pass.dx) {
                raw.append(reinterpret_cast<const char*>(&pixels[(size_t{y} * image.width + x) * channels]),
                           static_cast<size_t>(channels));
            }
        }
    }
    std::string compressed(compressBound(static_cast<uLong>(raw.size())), '\0');
    uLongf length = static_cast<uLongf>(compressed.size());
    compress(reinterpret_cast<Bytef*>(compressed.data()), &length, reinterpret_cast<const Bytef*>(raw.data()),
             static_cast<uLong>(raw.size()));
    compressed.resize(length);
    PngChunk(file, "IDAT", compressed);
    PngChunk(file, "IEND", "");
    return file;
}

std::string MakeJpeg(const Texels& image, bool grey, bool progressive)
{
    const std::vector<uint8_t> pixels = Rgba(image, grey ? 1 : 3);
    jpeg_compress_struct compress{};
    jpeg_error_mgr errors{};
    compress.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compress);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&compress, &buffer, &size);
    compress.image_width = image.width;
    compress.image_height = image.height;
    compress.input_components = grey ? 1 : 3;
    compress.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&compress);
    jpeg_set_quality(&compress, 100, TRUE);
    // Full-resolution color, so that texel values survive closely.
    compress.comp_info[0].h_samp_factor = 1;
    compress.comp_info[0].v_samp_factor = 1;
    if (progressive) jpeg_simple_progression(&compress);
    jpeg_start_compress(&compress, TRUE);
    const size_t stride = size_t{image.width} * compress.input_components;
    while (compress.next_scanline < compress.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(pixels.data()) + compress.next_scanline * stride;
        jpeg_write_scanlines(&compress, &row, 1);
    }
    jpeg_finish_compress(&compress);
    jpeg_destroy_compress(&compress);
    std::string file(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return file;
}

std::string MakeDds(uint32_t width, uint32_t height, const DdsLayout& layout, const std::vector<std::string>& levels,
                    bool writeMipCount)
{
    std::string file = "DDS ";
    Put32(file, 124);
    Put32(file, 0x1007 | (writeMipCount ? 0x20000 : 0));
    Put32(file, height);
    Put32(file, width);
    Put32(file, 0);
    Put32(file, 0);
    Put32(file, static_cast<uint32_t>(levels.size()));
    file.append(44, '\0');
    // Pixel format.
    Put32(file, 32);
    uint32_t flags = 0;
    if (layout.fourCC != 0) {
        flags = 0x4;
    } else if (layout.luminance) {
        flags = 0x20000 | (layout.alpha != 0 ? 0x1 : 0);
    } else {
        flags = 0x40 | (layout.alpha != 0 ? 0x1 : 0);
    }
    Put32(file, flags);
    Put32(file, layout.fourCC);
    Put32(file, layout.fourCC != 0 ? 0 : layout.bitCount);
    Put32(file, layout.fourCC != 0 ? 0 : layout.red);
    Put32(file, layout.fourCC != 0 ? 0 : layout.green);
    Put32(file, layout.fourCC != 0 ? 0 : layout.blue);
    Put32(file, layout.fourCC != 0 ? 0 : layout.alpha);
    Put32(file, 0x1000 | (levels.size() > 1 ? 0x400008 : 0));
    Put32(file, layout.cube ? 0xfe00 : 0);
    Put32(file, 0);
    Put32(file, 0);
    Put32(file, 0);
    for (const std::string& level : levels) file += level;
    return file;
}

} // namespace portable
