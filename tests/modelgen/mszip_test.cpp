#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/modelgen/x_test_reader.h"
#include "tools/modelgen/assets.h"
#include "tools/modelgen/mszip.h"
#include "tools/modelgen/x_model_writer.h"

namespace {

using modelgen::MszipCompress;
using modelgen::MszipOptions;

const std::string kHeader = "xof 0303bzip0032";

std::string RandomBytes(std::size_t size, std::uint32_t seed) {
    std::string out(size, '\0');
    for (char& c : out) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    return out;
}

std::string Text(std::size_t size) {
    std::string out;
    for (std::size_t i = 0; out.size() < size; ++i) out += std::to_string(i * 7919 % 1000) + ".500000;,\n";
    out.resize(size);
    return out;
}

struct Case {
    const char* name;
    std::string payload;
};

TEST(Mszip, BlocksInflateBackToThePayload) {
    const std::vector<Case> cases = {
        {"empty", ""},
        {"one byte", "x"},
        {"just under a block", Text(32767)},
        {"exactly one block", Text(32768)},
        {"one block and a byte", Text(32769)},
        {"text over several blocks", Text(200000)},
        {"incompressible", RandomBytes(100000, 7)},
    };
    for (const Case& c : cases) {
        for (const bool chained : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (chained ? ", chained" : ", independent"));
            const std::vector<std::uint8_t> file = MszipCompress(kHeader, c.payload, MszipOptions{chained});
            const xcheck::MszipFile read = xcheck::ReadMszip(file, true);
            EXPECT_EQ(read.header, kHeader);
            EXPECT_EQ(read.declaredTotal, kHeader.size() + c.payload.size());
            EXPECT_EQ(read.payload, c.payload);
            const std::size_t blocks = (c.payload.size() + modelgen::kMszipBlockSize - 1) / modelgen::kMszipBlockSize;
            ASSERT_EQ(read.blocks.size(), blocks);
            std::size_t fileSize = 20;
            for (std::size_t i = 0; i < read.blocks.size(); ++i) {
                EXPECT_LE(read.blocks[i].uncompressedSize, modelgen::kMszipBlockSize);
                // Every block but the last is full.
                if (i + 1 < read.blocks.size()) {
                    EXPECT_EQ(read.blocks[i].uncompressedSize, modelgen::kMszipBlockSize);
                }
                fileSize += 4 + read.blocks[i].compressedSize;
            }
            EXPECT_EQ(fileSize, file.size());
        }
    }
}

TEST(Mszip, IndependentBlocksNeedNoDictionary) {
    const std::string payload = Text(150000);
    const auto file = MszipCompress(kHeader, payload, MszipOptions{false});
    EXPECT_EQ(xcheck::ReadMszip(file, false).payload, payload);
}

TEST(Mszip, ChainedBlocksReferToThePreviousBlock) {
    // The second block repeats most of the first (shifted so that the copies
    // lie within deflate's reach): it can only be small if it copies from the
    // first block, and then it cannot be read on its own.
    const std::string first = RandomBytes(modelgen::kMszipBlockSize, 99);
    const std::string second = first.substr(1000) + RandomBytes(1000, 5);
    const std::string payload = first + second;
    const auto chained = MszipCompress(kHeader, payload, MszipOptions{true});
    const xcheck::MszipFile read = xcheck::ReadMszip(chained, true);
    EXPECT_EQ(read.payload, payload);
    ASSERT_EQ(read.blocks.size(), 2u);
    EXPECT_GT(read.blocks[0].compressedSize, modelgen::kMszipBlockSize);
    EXPECT_LT(read.blocks[1].compressedSize, 3000u);
    EXPECT_THROW(xcheck::ReadMszip(chained, false), std::runtime_error);

    const auto independent = MszipCompress(kHeader, payload, MszipOptions{false});
    const xcheck::MszipFile alone = xcheck::ReadMszip(independent, false);
    EXPECT_EQ(alone.payload, payload);
    EXPECT_GT(alone.blocks[1].compressedSize, modelgen::kMszipBlockSize);
}

TEST(Mszip, HeaderMustBeSixteenBytes) {
    EXPECT_THROW(MszipCompress("xof 0303bzip003", "abc", {}), std::invalid_argument);
}

TEST(Mszip, CompressedModelEqualsTheUncompressedBody) {
    const modelgen::Model model = modelgen::BuildLevel().model;
    for (const auto& [plain, packed] : {std::pair{"text", "tzip32"}, std::pair{"bin64", "bzip64"}}) {
        SCOPED_TRACE(packed);
        const auto plainFile = modelgen::WriteModelX(model, *modelgen::ParseXEncoding(plain), {});
        const auto packedFile = modelgen::WriteModelX(model, *modelgen::ParseXEncoding(packed), {});
        const xcheck::MszipFile read = xcheck::ReadMszip(packedFile, false);
        EXPECT_EQ(read.header, modelgen::XFileHeader(*modelgen::ParseXEncoding(packed)));
        EXPECT_EQ(read.payload, std::string(plainFile.begin() + 16, plainFile.end()));
        EXPECT_EQ(read.declaredTotal, plainFile.size());
        EXPECT_GT(read.blocks.size(), 1u);
        EXPECT_LT(packedFile.size(), plainFile.size());
    }
}

}  // namespace
