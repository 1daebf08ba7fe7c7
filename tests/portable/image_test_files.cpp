#include "tests/portable/image_test_files.h"

#include <cstring>

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

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

void AppendBytes(void* context, void* data, int size)
{
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
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

std::string MakeBmp(const Texels& image, unsigned bitsPerPixel)
{
    const uint32_t bytes = bitsPerPixel / 8;
    const uint32_t rowSize = (image.width * bytes + 3) & ~3u;
    std::string file = "BM";
    Put32(file, 54 + rowSize * image.height);
    Put32(file, 0);
    Put32(file, 54);
    Put32(file, 40);
    Put32(file, image.width);
    Put32(file, image.height);
    Put16(file, 1);
    Put16(file, bitsPerPixel);
    Put32(file, 0);
    Put32(file, rowSize * image.height);
    Put32(file, 2835);
    Put32(file, 2835);
    Put32(file, 0);
    Put32(file, 0);
    for (uint32_t row = 0; row < image.height; ++row) {
        const uint32_t y = image.height - 1 - row;
        std::string line;
        for (uint32_t x = 0; x < image.width; ++x) {
            const uint8_t* texel = &image.bgra[(y * image.width + x) * 4];
            line.append(reinterpret_cast<const char*>(texel), bytes);
        }
        line.resize(rowSize, '\0');
        file += line;
    }
    return file;
}

std::string MakeTga(const Texels& image, unsigned bitsPerPixel, bool topDown, bool rle)
{
    std::string file;
    file.push_back(0);
    file.push_back(0);
    file.push_back(static_cast<char>(rle ? 10 : 2));
    file.append(5, '\0');
    Put16(file, 0);
    Put16(file, 0);
    Put16(file, image.width);
    Put16(file, image.height);
    file.push_back(static_cast<char>(bitsPerPixel));
    file.push_back(static_cast<char>((topDown ? 0x20 : 0) | (bitsPerPixel == 32 ? 8 : 0)));
    const uint32_t bytes = bitsPerPixel / 8;
    for (uint32_t row = 0; row < image.height; ++row) {
        const uint32_t y = topDown ? row : image.height - 1 - row;
        for (uint32_t x = 0; x < image.width; ++x) {
            if (rle) file.push_back(0); // a raw packet of one texel
            file.append(reinterpret_cast<const char*>(&image.bgra[(y * image.width + x) * 4]), bytes);
        }
    }
    return file;
}

std::string MakePng(const Texels& image, int channels)
{
    const std::vector<uint8_t> pixels = Rgba(image, channels);
    std::string file;
    stbi_write_png_to_func(AppendBytes, &file, static_cast<int>(image.width), static_cast<int>(image.height),
                           channels, pixels.data(), static_cast<int>(image.width) * channels);
    return file;
}

std::string MakeJpeg(const Texels& image)
{
    const std::vector<uint8_t> pixels = Rgba(image, 3);
    std::string file;
    stbi_write_jpg_to_func(AppendBytes, &file, static_cast<int>(image.width), static_cast<int>(image.height), 3,
                           pixels.data(), 100);
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
