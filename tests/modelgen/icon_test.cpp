// The program's icon files: the .ico directory as Windows reads it, and the
// committed packaging/icons matching the generator.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/modelgen/test_files.h"
#include "tools/modelgen/icon.h"
#include "tools/modelgen/ico_writer.h"

namespace {

using namespace modelgen;
using modelgen_test::ReadBytes;

std::uint32_t Read(const std::vector<std::uint8_t>& bytes, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes.at(at + static_cast<std::size_t>(i));
    return value;
}

// Each entry names its size, and its bytes lie inside the file one after
// another: a PNG for 256 pixels, else a bitmap of twice the height (colour and mask).
TEST(IcoWriter, EntriesPointAtTheirImages)
{
    std::vector<Image> images;
    for (const int size : {16, 48, 256}) images.push_back(MakeImage(size, size));
    const std::vector<std::uint8_t> ico = EncodeIco(images);
    ASSERT_EQ(Read(ico, 0, 4), 0x10000u);
    ASSERT_EQ(Read(ico, 4, 2), images.size());
    std::size_t expectedOffset = 6 + 16 * images.size();
    for (std::size_t i = 0; i < images.size(); ++i) {
        const std::size_t entry = 6 + 16 * i;
        const int size = images[i].width;
        SCOPED_TRACE(size);
        EXPECT_EQ(Read(ico, entry, 1), static_cast<std::uint32_t>(size % 256));
        EXPECT_EQ(Read(ico, entry + 1, 1), static_cast<std::uint32_t>(size % 256));
        const std::uint32_t bytes = Read(ico, entry + 8, 4);
        const std::uint32_t offset = Read(ico, entry + 12, 4);
        EXPECT_EQ(offset, expectedOffset);
        expectedOffset += bytes;
        if (size == 256) {
            EXPECT_EQ(Read(ico, offset, 4), 0x474e5089u); // \x89PNG
        } else {
            EXPECT_EQ(Read(ico, offset, 4), 40u);
            EXPECT_EQ(Read(ico, offset + 8, 4), static_cast<std::uint32_t>(2 * size));
            const std::uint32_t maskRow = (static_cast<std::uint32_t>(size) + 31) / 32 * 4;
            EXPECT_EQ(bytes,
                      40 + static_cast<std::uint32_t>(size * size * 4) + maskRow * static_cast<std::uint32_t>(size));
        }
    }
    EXPECT_EQ(expectedOffset, ico.size());
    EXPECT_THROW(EncodeIco({MakeImage(16, 8)}), std::invalid_argument);
}

TEST(CommittedIcons, MatchTheGenerator)
{
    const std::filesystem::path icons = std::filesystem::path(MODELGEN_SOURCE_DIR) / "packaging" / "icons";
    const std::string regenerate = "; regenerate with: modelgen --icons --out packaging/icons";
    for (const int size : IconPngSizes()) {
        const std::string name = "walkthrough-" + std::to_string(size) + ".png";
        const modelgen_test::DecodedImage image = modelgen_test::DecodeImage(ReadBytes(icons / name));
        EXPECT_EQ(image.width, size) << name;
        EXPECT_TRUE(image.rgb == MakeIcon(size).rgb) << name << " is stale" << regenerate;
    }
    std::vector<Image> images;
    for (const int size : IconIcoSizes()) images.push_back(MakeIcon(size));
    EXPECT_TRUE(ReadBytes(icons / "walkthrough.ico") == EncodeIco(images)) << "walkthrough.ico is stale" << regenerate;
}

} // namespace
