#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "tests/modelgen/test_files.h"
#include "tools/modelgen/png_writer.h"

namespace {

using modelgen::Image;

std::uint32_t BigEndian(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) | (std::uint32_t{b[at + 2]} << 8)
        | b[at + 3];
}

struct Chunk {
    std::string type;
    std::vector<std::uint8_t> data;
    bool crcOk = false;
};

std::vector<Chunk> Chunks(const std::vector<std::uint8_t>& png)
{
    std::vector<Chunk> chunks;
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const std::uint32_t length = BigEndian(png, at);
        if (at + 12 + length > png.size()) break;
        Chunk chunk;
        chunk.type.assign(png.begin() + static_cast<std::ptrdiff_t>(at + 4),
                          png.begin() + static_cast<std::ptrdiff_t>(at + 8));
        chunk.data.assign(png.begin() + static_cast<std::ptrdiff_t>(at + 8),
                          png.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
        const uLong crc = crc32(0L, png.data() + at + 4, length + 4);
        chunk.crcOk = crc == BigEndian(png, at + 8 + length);
        chunks.push_back(chunk);
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size()) << "bytes after the last chunk";
    return chunks;
}

Image Pattern(int width, int height, int kind)
{
    Image image = modelgen::MakeImage(width, height);
    std::uint32_t seed = 1;
    for (std::size_t i = 0; i < image.rgb.size(); ++i) {
        const int x = static_cast<int>(i / 3) % width;
        const int y = static_cast<int>(i / 3) / width;
        seed = seed * 1664525u + 1013904223u;
        switch (kind) {
        case 0: image.rgb[i] = static_cast<std::uint8_t>(seed >> 24); break;            // noise
        case 1: image.rgb[i] = static_cast<std::uint8_t>(x * 3 + y * 5 + i % 3); break; // gradients
        default: image.rgb[i] = ((x / 4 + y / 4) % 2) ? 255 : 0; break;                 // checks
        }
    }
    return image;
}

TEST(Png, DecodesToTheSamePixels)
{
    const std::vector<std::pair<int, int>> sizes = {{1, 1}, {3, 2}, {7, 13}, {64, 64}, {256, 256}, {300, 17}};
    for (const auto& [w, h] : sizes) {
        for (int kind = 0; kind < 3; ++kind) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " pattern " + std::to_string(kind));
            const Image image = Pattern(w, h, kind);
            const std::vector<std::uint8_t> png = modelgen::EncodePng(image);
            const modelgen_test::DecodedImage decoded = modelgen_test::DecodeImage(png);
            ASSERT_FALSE(decoded.rgb.empty());
            EXPECT_EQ(decoded.width, w);
            EXPECT_EQ(decoded.height, h);
            EXPECT_EQ(decoded.channels, 3);
            EXPECT_TRUE(decoded.rgb == image.rgb);
        }
    }
}

TEST(Png, ChunksAreWellFormed)
{
    const std::vector<std::uint8_t> png = modelgen::EncodePng(Pattern(33, 20, 1));
    const std::vector<std::uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_GE(png.size(), 8u);
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), png.begin()));
    const std::vector<Chunk> chunks = Chunks(png);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[1].type, "IDAT");
    EXPECT_EQ(chunks[2].type, "IEND");
    for (const Chunk& c : chunks) EXPECT_TRUE(c.crcOk) << c.type;
    ASSERT_EQ(chunks[0].data.size(), 13u);
    EXPECT_EQ(BigEndian(chunks[0].data, 0), 33u);
    EXPECT_EQ(BigEndian(chunks[0].data, 4), 20u);
    EXPECT_EQ(chunks[0].data[8], 8); // bit depth
    EXPECT_EQ(chunks[0].data[9], 2); // RGB
    EXPECT_TRUE(chunks[2].data.empty());

    // The image data is a zlib stream of filtered rows, each led by a
    // filter type from 0 to 4.
    std::vector<std::uint8_t> raw(20 * (33 * 3 + 1));
    uLongf rawSize = static_cast<uLongf>(raw.size());
    ASSERT_EQ(uncompress(raw.data(), &rawSize, chunks[1].data.data(), static_cast<uLong>(chunks[1].data.size())), Z_OK);
    ASSERT_EQ(rawSize, raw.size());
    for (int y = 0; y < 20; ++y) EXPECT_LE(raw[static_cast<std::size_t>(y) * (33 * 3 + 1)], 4);
}

TEST(Png, RejectsInconsistentImages)
{
    Image image = modelgen::MakeImage(4, 4);
    image.rgb.pop_back();
    EXPECT_THROW(modelgen::EncodePng(image), std::invalid_argument);
    EXPECT_THROW(modelgen::EncodePng(Image{}), std::invalid_argument);
}

} // namespace
