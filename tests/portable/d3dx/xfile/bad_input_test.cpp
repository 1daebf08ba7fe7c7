// Damaged and hostile .x files: every one gives a failure code, none crashes
// or hangs.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/portable/d3dx/xfile/limits.h"
#include "tests/portable/d3dx/test_files.h"
#include "tests/portable/d3dx/xfile/encoded_files.h"

using namespace portable;

namespace {

HRESULT Outcome(const std::string& file)
{
    XMeshResult result;
    return LoadXText(file, result);
}

std::string Text(std::string_view body) { return "xof 0303txt 0032\n" + std::string(body); }

const std::string kTriangle = "3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;";
const std::string kMaterial = "Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }";

std::string Nested(const std::string& open, const std::string& close, int depth, const std::string& inner)
{
    std::string text;
    for (int i = 0; i < depth; ++i) text += open;
    text += inner;
    for (int i = 0; i < depth; ++i) text += close;
    return text;
}

// Frames that each refer to the previous one twice: 2^depth copies of the mesh.
std::string ReferenceBomb(int depth)
{
    std::string text = "Mesh M0 { " + kTriangle + " }\n";
    for (int i = 1; i <= depth; ++i) {
        const std::string previous = (i == 1 ? "M0" : "F" + std::to_string(i - 1));
        text += "Frame F" + std::to_string(i) + " { { " + previous + " } { " + previous + " } }\n";
    }
    return text;
}

std::string DeepTemplates(int depth)
{
    std::string text = "template T0 { <00000000-0000-0000-0000-000000000000> DWORD v; }\n";
    for (int i = 1; i <= depth; ++i) {
        char guid[64];
        std::snprintf(guid, sizeof guid, "<%08X-0000-0000-0000-000000000000>", i);
        text += "template T" + std::to_string(i) + " { " + guid + " T" + std::to_string(i - 1) + " inner; }\n";
    }
    return text;
}

// A mesh whose first list claims `count` integers and holds one.
std::string BinaryMeshWithListCount(uint32_t count)
{
    return XBinaryFile([count](modelgen::XStream& s) {
        modelgen::WriteName(s, "Mesh");
        modelgen::WriteToken(s, xformat::kOBrace);
        modelgen::WriteToken(s, xformat::kIntegerList);
        modelgen::WriteRaw(s, XU32(count) + XU32(3));
    });
}

std::string Compressed(std::string_view text) { return XCompress(text); }

struct BadCase {
    const char* name;
    std::string file;
    HRESULT expected; // S_OK here: any failure
};

std::vector<BadCase> BadCases()
{
    // The compressed file's total, then its first block: output size, packed size, "CK", deflate data.
    constexpr size_t kTotal = xformat::kHeaderSize;
    constexpr size_t kBlock = kTotal + xformat::kMszipTotalSize;
    std::string badSignature = Compressed(Text("Mesh { " + kTriangle + " }"));
    badSignature[kBlock + 4] = 'X';
    std::string badDeflate = Compressed(Text("Mesh { " + kTriangle + " }"));
    for (size_t i = kBlock + xformat::kMszipFrameSize; i < badDeflate.size(); ++i) {
        badDeflate[i] = static_cast<char>(0xff);
    }
    std::string hugeTotal = Compressed(Text("Mesh { " + kTriangle + " }"));
    hugeTotal.replace(kTotal, 4, XU32(0xffffffffu));
    std::string wrongTotal = Compressed(Text("Mesh { " + kTriangle + " }"));
    wrongTotal[kTotal] = static_cast<char>(wrongTotal[kTotal] + 1);
    std::string zeroBlock = Compressed(Text("Mesh { " + kTriangle + " }"));
    zeroBlock[kBlock] = zeroBlock[kBlock + 1] = 0;
    std::string longBlock = Compressed(Text("Mesh { " + kTriangle + " }"));
    longBlock[kBlock + 2] = longBlock[kBlock + 3] = static_cast<char>(0x7f);

    const std::string unknownToken = XBinaryFile([](modelgen::XStream& s) { modelgen::WriteToken(s, 99); });
    const std::string longName = XBinaryFile([](modelgen::XStream& s) {
        modelgen::WriteToken(s, xformat::kName);
        modelgen::WriteRaw(s, XU32(0xfffffff0u) + "Mesh");
    });

    return {
        {"NoObjects", Text(""), E_FAIL},
        {"OnlyAHeader", "xof 0303txt 0032", E_FAIL},
        {"NotAnXFile", "Hello, this is not a model at all.\n", D3DXFERR_BADFILETYPE},
        {"Empty", "", D3DXFERR_BADFILETYPE},
        {"UnclosedMesh", Text("Mesh { " + kTriangle), D3DXFERR_PARSEERROR},
        {"TooFewVertices", Text("Mesh { 4; 0.0;0.0;0.0;, 1.0;0.0;0.0;; 1; 3;0,1,2;; }"), S_OK},
        {"TooFewFaceIndices", Text("Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 4;0,1,2;; }"), S_OK},
        {"IndexOutOfRange", Text("Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,3;; }"), E_FAIL},
        {"FaceOfTwoCorners", Text("Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 2;0,1;; }"), E_FAIL},
        {"NormalFacesMiscounted",
         Text("Mesh { " + kTriangle + " MeshNormals { 1; 0.0;0.0;1.0;; 2; 3;0,0,0;, 3;0,0,0;; } }"), E_FAIL},
        {"NormalFaceSizeWrong", Text("Mesh { " + kTriangle + " MeshNormals { 1; 0.0;0.0;1.0;; 1; 4;0,0,0,0;; } }"),
         E_FAIL},
        {"NormalIndexOutOfRange", Text("Mesh { " + kTriangle + " MeshNormals { 1; 0.0;0.0;1.0;; 1; 3;0,1,0;; } }"),
         E_FAIL},
        {"TexCoordsMiscounted", Text("Mesh { " + kTriangle + " MeshTextureCoords { 2; 0.0;0.0;, 1.0;1.0;; } }"),
         E_FAIL},
        {"ColorIndexOutOfRange", Text("Mesh { " + kTriangle + " MeshVertexColors { 1; 3; 1.0;1.0;1.0;1.0;;; } }"),
         E_FAIL},
        {"MaterialIndexOutOfRange", Text("Mesh { " + kTriangle + " MeshMaterialList { 1; 1; 1;; " + kMaterial + " } }"),
         E_FAIL},
        {"TooFewMaterials", Text("Mesh { " + kTriangle + " MeshMaterialList { 2; 1; 0;; " + kMaterial + " } }"),
         E_FAIL},
        {"TooManyMaterials",
         Text("Mesh { " + kTriangle + " MeshMaterialList { 1; 1; 0;; " + kMaterial + kMaterial + " } }"), E_FAIL},
        {"HugeVertexCount", Text("Mesh { 4294967295; 0.0;0.0;0.0;; 1; 3;0,0,0;; }"), D3DXFERR_BADARRAYSIZE},
        {"HugeFaceCount", Text("Mesh { 1; 0.0;0.0;0.0;; 4000000000; 3;0,0,0;; }"), D3DXFERR_BADARRAYSIZE},
        {"HugeArrayProduct",
         Text("template Sheet { <00000000-0000-0000-0000-0000000000AA> DWORD a; DWORD b; array DWORD c[a][b]; }\n"
              "Sheet { 65536; 65536; 1; }"),
         D3DXFERR_BADARRAYSIZE},
        {"HugeBinaryList", BinaryMeshWithListCount(0x40000000u), S_OK},
        {"LongBinaryName", longName, D3DXFERR_PARSEERROR},
        {"UnknownBinaryToken", unknownToken, D3DXFERR_PARSEERROR},
        {"SelfReferringFrame", Text("Frame A { Mesh { " + kTriangle + " } { A } }"), E_FAIL},
        {"CyclicFrames", Text("Frame A { Frame B { { A } } }"), E_FAIL},
        {"ReferenceBomb", Text(ReferenceBomb(40)), E_OUTOFMEMORY},
        {"DeeplyNestedFrames", Text(Nested("Frame { ", "} ", 5000, "Mesh { " + kTriangle + " }")), D3DXFERR_PARSEERROR},
        {"DeeplyNestedTemplates", Text(DeepTemplates(200)), D3DXFERR_PARSEERROR},
        {"UnterminatedString",
         Text("Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; "
              "TextureFilename { \"open.bmp; } }"),
         D3DXFERR_PARSEERROR},
        {"UnterminatedTemplate", Text("template Open { <00000000-0000-0000-0000-000000000001> DWORD a;"),
         D3DXFERR_PARSEERROR},
        {"BadGuid", Text("template G { <0000000-0000-0000-0000-000000000001> DWORD a; }"), D3DXFERR_PARSEERROR},
        {"MemberOfUnknownTemplate", Text("template G { <00000000-0000-0000-0000-000000000001> Nowhere n; }"),
         D3DXFERR_PARSEERROR},
        {"SizeMemberNotADword",
         Text("template G { <00000000-0000-0000-0000-000000000001> FLOAT n; array DWORD v[n]; }"), D3DXFERR_PARSEERROR},
        {"FloatWhereIntegerBelongs", Text("Mesh { 3.5; 0.0;0.0;0.0;; 1; 3;0,0,0;; }"), D3DXFERR_PARSEERROR},
        {"GarbageNumber", Text("Mesh { 3; 0.0;0.0;0.0x;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }"),
         D3DXFERR_PARSEERROR},
        {"StrayCloseBrace", Text("}"), D3DXFERR_PARSEERROR},
        {"BadBlockSignature", badSignature, D3DXFERR_BADFILE},
        {"BadDeflateData", badDeflate, D3DXFERR_BADFILE},
        {"HugeDeclaredSize", hugeTotal, DXFILEERR_BADALLOC},
        {"WrongDeclaredSize", wrongTotal, D3DXFERR_BADFILE},
        {"EmptyBlock", zeroBlock, D3DXFERR_BADFILE},
        {"BlockPastTheEnd", longBlock, D3DXFERR_BADFILE},
    };
}

TEST(XFileBadInput, EachCaseFails)
{
    for (const BadCase& c : BadCases()) {
        const HRESULT result = Outcome(c.file);
        EXPECT_TRUE(FAILED(result)) << c.name;
        if (c.expected != S_OK) {
            EXPECT_EQ(result, c.expected) << c.name << " gave " << std::hex << result;
        }
    }
}

TEST(XFileBadInput, ArraysOfEmptyTemplatesTakeNoTime)
{
    // Four billion elements of nothing: parsed at once, no mesh in it.
    EXPECT_EQ(Outcome(Text("template Nothing { <00000000-0000-0000-0000-0000000000E0> }\n"
                           "template Holder { <00000000-0000-0000-0000-0000000000E1> DWORD n; array Nothing v[n]; }\n"
                           "Holder { 4000000000; }\n")),
              E_FAIL);
}

TEST(XFileBadInput, EveryTruncationOfTheSampleFailsCleanly)
{
    struct Form {
        const char* name;
        std::string file;
    };
    const Form forms[] = {
        {"text", std::string(kSampleModel)},
        {"binary", XTextToBinary(kSampleModel)},
        {"bzip", XCompress(XTextToBinary(kSampleModel), 200)},
    };
    for (const Form& form : forms) {
        XMeshResult whole;
        ASSERT_EQ(LoadXText(form.file, whole), S_OK) << form.name;
        // The mesh sits in the last top-level object: any cut inside it loses the mesh.
        size_t lastBrace = form.file.size();
        if (std::string_view(form.name) == "text") lastBrace = form.file.rfind('}');
        for (size_t length = 0; length < form.file.size(); ++length) {
            const HRESULT result = Outcome(form.file.substr(0, length));
            if (length <= lastBrace) {
                EXPECT_TRUE(FAILED(result)) << form.name << " cut at " << length;
            }
        }
    }
}

TEST(XFileBadInput, RandomBytesAfterAHeaderFail)
{
    std::mt19937 random(20240611);
    for (const char* header : {"xof 0303txt 0032", "xof 0303bin 0032", "xof 0303bin 0064"}) {
        for (int round = 0; round < 200; ++round) {
            std::string file = header;
            const size_t length = random() % 512;
            for (size_t i = 0; i < length; ++i) file.push_back(static_cast<char>(random() & 0xff));
            EXPECT_TRUE(FAILED(Outcome(file))) << header << " round " << round;
        }
    }
}

// What a loaded mesh must hold whatever the file said.
void ExpectConsistent(const XMeshResult& result)
{
    const MeshData& mesh = result.mesh;
    ASSERT_EQ(mesh.indices.size(), 3 * mesh.attributes.size());
    for (uint32_t index : mesh.indices) ASSERT_LT(index, mesh.vertices.size());
    for (size_t f = 0; f < mesh.attributes.size(); ++f) {
        ASSERT_LT(mesh.attributes[f], result.materials.size());
        if (f > 0) {
            ASSERT_LE(mesh.attributes[f - 1], mesh.attributes[f]);
        }
    }
    size_t covered = 0;
    for (const SubsetRange& range : mesh.attributeTable) {
        ASSERT_EQ(range.FaceStart, covered);
        covered += range.FaceCount;
        ASSERT_LE(static_cast<size_t>(range.VertexStart) + range.VertexCount, mesh.vertices.size());
    }
    ASSERT_EQ(covered, mesh.attributes.size());
}

TEST(XFileBadInput, FlippedBytesOfAValidFileGiveAFailureOrASoundMesh)
{
    std::mt19937 random(7);
    for (const std::string& valid : {XTextToBinary(kSampleModel), std::string(kSampleModel)}) {
        for (int round = 0; round < 1500; ++round) {
            std::string file = valid;
            for (int flips = 0; flips < 3; ++flips) {
                file[16 + random() % (file.size() - 16)] = static_cast<char>(random());
            }
            XMeshResult result;
            if (SUCCEEDED(LoadXText(file, result))) ExpectConsistent(result);
        }
    }
}

} // namespace
