// Small files that ask for gigabytes: each fails with the code D3DX gives,
// and what the reader holds on the way stays far below what was asked. And
// what resizing an image holds.
#include <gtest/gtest.h>

#include <string>

#include "platform/portable/d3dx/image/resample.h"
#include "platform/portable/d3dx/xfile/limits.h"
#include "tests/portable/allocation_failure.h"
#include "tests/portable/d3dx/test_files.h"
#include "tests/portable/d3dx/xfile/encoded_files.h"

using namespace portable;

namespace {

// Blocks that look whole but hold no deflate data, after a total of `claimed` bytes.
std::string ClaimOverDamagedBlocks(uint32_t claimed, size_t blocks)
{
    std::string file = xformat::HeaderText({xformat::Encoding::TextCompressed, 32});
    xformat::AppendU32(file, static_cast<uint32_t>(claimed + xformat::kHeaderSize));
    for (size_t i = 0; i < blocks; ++i) {
        xformat::AppendMszipFrame(file, xformat::kMszipMaxBlock, 26);
        file += std::string(26, '\xff');
    }
    return file;
}

const std::string kMaterial = "Material M { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }\n";
const std::string kTriangle = "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";

std::string Repeat(std::string_view text, size_t times)
{
    std::string out;
    for (size_t i = 0; i < times; ++i) out += text;
    return out;
}

struct Hostile {
    const char* name;
    std::string file;
    HRESULT expected;
};

std::vector<Hostile> HostileFiles()
{
    const std::string threePoints = "3; 0;0;0;, 1;0;0;, 0;1;0;; ";
    const std::string strings =
        "template Strings { <00000000-0000-0000-0000-0000000000AB> DWORD n; array STRING s[n]; }\n";
    return {
        // 1.6 GB of spaces after a triangle, all of it there, in 2 MB.
        {"BodyOfGigabytes", XCompressRun("tzip", kTriangle, " ", size_t{1600} << 20, ""), DXFILEERR_BADALLOC},
        // 250 MB announced (within the limit) over blocks that inflate to nothing.
        {"TotalOverDamagedBlocks", ClaimOverDamagedBlocks(250u << 20, 8192), D3DXFERR_BADFILE},
        {"MillionsOfReferences", XCompressRun("tzip", kMaterial + "Frame F {\n", "{M}\n", 4u << 20, "}\n" + kTriangle),
         E_FAIL},
        {"MillionsOfStrings",
         XCompressRun("tzip", strings + "Strings { " + std::to_string((16u << 20) + 1) + "; ", "\"\", ", 16u << 20,
                      "\"\"; }\n" + kTriangle),
         E_FAIL},
        // One mesh placed 14 times: past the vertex limit, then past the face
        // limit, while the file is large enough for that many elements.
        {"AMeshPlacedPastTheVertexLimit",
         XCompressRun("tzip", "Mesh M { 600000; ", "0;0;0;, ", 599999,
                      "0;0;0;; 1; 3;0,1,2;; }\nFrame F { " + Repeat("{M} ", 14) + "}\n"),
         E_OUTOFMEMORY},
        {"AMeshPlacedPastTheFaceLimit",
         XCompressRun("tzip", "Mesh M { " + threePoints + "600000; ", "3;0,1,2;", 599999,
                      "3;0,1,2;; }\nFrame F { " + Repeat("{M} ", 14) + "}\n"),
         E_OUTOFMEMORY},
        // A texture name of a megabyte given to 200 materials.
        {"ATextureNameRepeated",
         XCompressRun("tzip", "Material Mat { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"", "a", 1u << 20,
                      "\"; } }\nMesh { " + threePoints + "1; 3;0,1,2;; MeshMaterialList { 200; 1; 0;; "
                          + Repeat("{Mat} ", 200) + "} }\n"),
         E_OUTOFMEMORY},
    };
}

TEST(XFileLimits, FilesAskingForGigabytesFailWithinBoundedMemory)
{
    // The limits let a failing load hold up to about 130 MB here (a million
    // data objects and their inflated file); without them, each of these
    // takes from 200 MB to 1.6 GB.
    constexpr size_t kBound = size_t{192} << 20;
    for (const Hostile& hostile : HostileFiles()) {
        EXPECT_LT(hostile.file.size(), size_t{4} << 20) << hostile.name;
        HRESULT result = S_OK;
        const size_t peak = PeakAllocatedBytes([&] {
            XMeshResult built;
            result = LoadXText(hostile.file, built);
        });
        EXPECT_EQ(result, hostile.expected) << hostile.name << " gave " << std::hex << result;
        EXPECT_LT(peak, kBound) << hostile.name;
    }
}

// A frame or a mesh placed many times goes through its children each time:
// past the limit on children gone through, the build stops.
TEST(XFileLimits, PlacingGoesThroughChildrenUpToALimit)
{
    const std::string children = Repeat("{M}\n", 2100);
    const std::string placings = Repeat("{G}\n", 2100);
    const std::string frames = kMaterial + kTriangle + "Frame G {\n" + children + "}\nFrame F {\n" + placings + "}\n";
    const std::string meshes = kMaterial + "Mesh G { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n" + children
        + "}\nFrame F {\n" + placings + "}\n";
    for (const std::string& body : {frames, meshes}) {
        XMeshResult built;
        EXPECT_EQ(LoadXText("xof 0303txt 0032\n" + body, built), E_OUTOFMEMORY);
    }
    // Half as many placings stay within it.
    XMeshResult built;
    EXPECT_EQ(LoadXText("xof 0303txt 0032\n" + kMaterial + "Mesh G { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
                            + children + "}\nFrame F {\n" + Repeat("{G}\n", 900) + "}\n",
                        built),
              S_OK);
}

// A file just over a power of two grows to the next: resizing holds the
// result and a few rows, never a float copy of the whole image.
TEST(TextureLimits, ResizingHoldsTheResultAndAFewRows)
{
    const uint32_t width = 257, height = 256, targetWidth = 512, targetHeight = 512;
    const std::vector<uint8_t> source(size_t{width} * height * 4, 0x80);
    const size_t result = size_t{targetWidth} * targetHeight * 4;
    std::vector<uint8_t> resized;
    const size_t peak =
        PeakAllocatedBytes([&] { resized = Resample(source, width, height, targetWidth, targetHeight); });
    EXPECT_EQ(resized.size(), result);
    EXPECT_LT(peak, result + 16 * size_t{targetWidth} * 4 * sizeof(float));
}

} // namespace
