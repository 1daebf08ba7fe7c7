// The MSZIP writer, read back by the program's own inflater and block by
// block through the format's framing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/portable/d3dx/xfile/format.h"
#include "platform/portable/d3dx/xfile/source.h"
#include "platform/portable/d3dx/xfile/limits.h"
#include "tools/modelgen/assets.h"
#include "tools/modelgen/mszip.h"
#include "tools/modelgen/x_model_writer.h"

using namespace portable;

namespace {

using modelgen::MszipCompress;
using modelgen::MszipOptions;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kBlock = xformat::kMszipMaxBlock;
const std::string kHeader = "xof 0303bzip0032";

std::string RandomBytes(std::size_t size, std::uint32_t seed)
{
    std::string out(size, '\0');
    for (char& c : out) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    return out;
}

std::string Text(std::size_t size)
{
    std::string out;
    for (std::size_t i = 0; out.size() < size; ++i) out += std::to_string(i * 7919 % 1000) + ".500000;,\n";
    out.resize(size);
    return out;
}

std::uint32_t DeclaredTotal(const Bytes& file) { return xformat::LoadU32(file.data() + xformat::kHeaderSize); }

// The blocks, whose frames must cover the rest of the file exactly.
std::vector<xformat::MszipBlock> Blocks(const Bytes& file)
{
    std::vector<xformat::MszipBlock> blocks;
    std::size_t at = xformat::kHeaderSize + xformat::kMszipTotalSize;
    while (at < file.size()) {
        xformat::MszipBlock block;
        if (!xformat::ReadMszipBlock(file.data() + at, file.size() - at, block)) {
            ADD_FAILURE() << "a broken block frame at " << at;
            break;
        }
        blocks.push_back(block);
        at += block.extent;
    }
    return blocks;
}

// The payload as the reader inflates it, each block with the one before
// it as its dictionary; empty when it fails.
std::string Inflated(const std::uint8_t* body, std::size_t size, HRESULT expected = S_OK)
{
    XInflatedBytes out;
    EXPECT_EQ(InflateMsZip(body, size, out), expected);
    return std::string(out.begin(), out.end());
}

std::string Payload(const Bytes& file)
{
    return Inflated(file.data() + xformat::kHeaderSize, file.size() - xformat::kHeaderSize);
}

// One block inflated with no block before it.
std::string Alone(const xformat::MszipBlock& block, HRESULT expected = S_OK)
{
    std::vector<std::uint8_t> body;
    xformat::AppendU32(body, static_cast<std::uint32_t>(xformat::kHeaderSize + block.size));
    const std::uint8_t* start = block.deflated - xformat::kMszipFrameSize;
    body.insert(body.end(), start, start + block.extent);
    return Inflated(body.data(), body.size(), expected);
}

TEST(Mszip, BlocksInflateBackToThePayload)
{
    struct Case {
        const char* name;
        std::string payload;
        std::size_t blockSize;
    };
    const std::vector<Case> cases = {
        {"empty", "", kBlock},
        {"one byte", "x", kBlock},
        {"just under a block", Text(32767), kBlock},
        {"exactly one block", Text(32768), kBlock},
        {"one block and a byte", Text(32769), kBlock},
        {"text over several blocks", Text(200000), kBlock},
        {"incompressible", RandomBytes(100000, 7), kBlock},
        {"small blocks", Text(5000), 97},
    };
    for (const Case& c : cases) {
        for (const bool chained : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (chained ? ", chained" : ", independent"));
            const Bytes file = MszipCompress(kHeader, c.payload, MszipOptions{chained, c.blockSize});
            EXPECT_EQ(std::string(file.begin(), file.begin() + 16), kHeader);
            EXPECT_EQ(DeclaredTotal(file), kHeader.size() + c.payload.size());
            EXPECT_EQ(Payload(file), c.payload);
            const std::vector<xformat::MszipBlock> blocks = Blocks(file);
            ASSERT_EQ(blocks.size(), (c.payload.size() + c.blockSize - 1) / c.blockSize);
            // Every block but the last is full.
            for (std::size_t i = 0; i + 1 < blocks.size(); ++i) EXPECT_EQ(blocks[i].size, c.blockSize);
        }
    }
}

TEST(Mszip, IndependentBlocksNeedNoDictionary)
{
    const std::string payload = Text(150000);
    const Bytes file = MszipCompress(kHeader, payload, MszipOptions{false});
    std::string alone;
    for (const xformat::MszipBlock& block : Blocks(file)) alone += Alone(block);
    EXPECT_EQ(alone, payload);
}

TEST(Mszip, ChainedBlocksReferToThePreviousBlock)
{
    // The second block repeats most of the first (shifted so that the copies
    // lie within deflate's reach): it can only be small if it copies from the
    // first block, and then it cannot be read on its own.
    const std::string first = RandomBytes(kBlock, 99);
    const std::string second = first.substr(1000) + RandomBytes(1000, 5);
    const std::string payload = first + second;
    const Bytes chained = MszipCompress(kHeader, payload, MszipOptions{true});
    EXPECT_EQ(Payload(chained), payload);
    const std::vector<xformat::MszipBlock> blocks = Blocks(chained);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_GT(blocks[0].deflatedSize, kBlock);
    EXPECT_LT(blocks[1].deflatedSize, 3000u);
    Alone(blocks[1], D3DXFERR_BADFILE);

    const Bytes independent = MszipCompress(kHeader, payload, MszipOptions{false});
    EXPECT_EQ(Payload(independent), payload);
    const std::vector<xformat::MszipBlock> separate = Blocks(independent);
    ASSERT_EQ(separate.size(), 2u);
    EXPECT_GT(separate[1].deflatedSize, kBlock);
    EXPECT_EQ(Alone(separate[1]), second);
}

TEST(Mszip, RefusesWhatItCannotFrame)
{
    EXPECT_THROW(MszipCompress("xof 0303bzip003", "abc", {}), std::invalid_argument);
    for (const std::size_t blockSize : {std::size_t{0}, kBlock + 1})
        EXPECT_THROW(MszipCompress(kHeader, "abc", MszipOptions{false, blockSize}), std::invalid_argument) << blockSize;
    EXPECT_THROW(modelgen::MszipBlock(std::string(kBlock + 1, 'a'), {}), std::invalid_argument);
}

TEST(Mszip, CompressedModelEqualsTheUncompressedBody)
{
    const modelgen::Model model = modelgen::BuildLevel().model;
    for (const auto& [plain, packed] : {std::pair{"text", "tzip32"}, std::pair{"bin64", "bzip64"}}) {
        SCOPED_TRACE(packed);
        const Bytes plainFile = modelgen::WriteModelX(model, *modelgen::ParseXEncoding(plain), {});
        const Bytes packedFile = modelgen::WriteModelX(model, *modelgen::ParseXEncoding(packed), {});
        EXPECT_EQ(std::string(packedFile.begin(), packedFile.begin() + 16),
                  modelgen::XFileHeader(*modelgen::ParseXEncoding(packed)));
        EXPECT_EQ(Payload(packedFile), std::string(plainFile.begin() + 16, plainFile.end()));
        EXPECT_EQ(DeclaredTotal(packedFile), plainFile.size());
        EXPECT_GT(Blocks(packedFile).size(), 1u);
        EXPECT_LT(packedFile.size(), plainFile.size());
    }
}

} // namespace
