// The .x reader: encodings, templates, object structure, references.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/portable/d3dx/xfile/limits.h"
#include "tests/portable/d3dx/test_files.h"
#include "tests/portable/d3dx/xfile/encoded_files.h"

using namespace portable;

namespace {

struct Encoding {
    const char* name;
    std::string (*make)(std::string_view text);
    XFileEncoding expected;
};

const Encoding kEncodings[] = {
    {"text", [](std::string_view text) { return std::string(text); }, XFileEncoding::Text},
    {"binary32", [](std::string_view text) { return XTextToBinary(text, 32); }, XFileEncoding::Binary},
    {"binary64", [](std::string_view text) { return XTextToBinary(text, 64); }, XFileEncoding::Binary},
    {"tzip", [](std::string_view text) { return XCompress(text); }, XFileEncoding::TextCompressed},
    {"bzip", [](std::string_view text) { return XCompress(XTextToBinary(text, 32)); }, XFileEncoding::BinaryCompressed},
    // Small blocks: each one inflates against the previous block's output.
    {"tzip-blocks", [](std::string_view text) { return XCompress(text, 97); }, XFileEncoding::TextCompressed},
    {"bzip64-blocks", [](std::string_view text) { return XCompress(XTextToBinary(text, 64), 61); },
     XFileEncoding::BinaryCompressed},
};

class EveryEncoding : public ::testing::TestWithParam<Encoding> {};

TEST_P(EveryEncoding, GivesTheSameMeshAsText)
{
    XMeshResult fromText;
    ASSERT_EQ(LoadXText(kSampleModel, fromText), S_OK);

    const std::string file = GetParam().make(kSampleModel);
    XDocument document;
    ASSERT_EQ(ParseXFile(file.data(), file.size(), document), S_OK);
    EXPECT_EQ(document.source.encoding, GetParam().expected);
    XMeshResult encoded;
    ASSERT_EQ(BuildXMesh(document, D3DXMESH_MANAGED, true, encoded), S_OK);

    EXPECT_EQ(encoded.mesh.fvf, fromText.mesh.fvf);
    ASSERT_EQ(encoded.mesh.vertices.size(), fromText.mesh.vertices.size());
    EXPECT_EQ(std::memcmp(encoded.mesh.vertices.data(), fromText.mesh.vertices.data(),
                          fromText.mesh.vertices.size() * sizeof(MeshVertex)),
              0);
    EXPECT_EQ(encoded.mesh.indices, fromText.mesh.indices);
    EXPECT_EQ(encoded.mesh.attributes, fromText.mesh.attributes);
    ASSERT_EQ(encoded.materials.size(), fromText.materials.size());
    for (size_t i = 0; i < fromText.materials.size(); ++i) {
        EXPECT_EQ(std::memcmp(&encoded.materials[i].material, &fromText.materials[i].material, sizeof(D3DMATERIAL9)),
                  0);
        EXPECT_EQ(encoded.materials[i].texture, fromText.materials[i].texture);
    }
}

INSTANTIATE_TEST_SUITE_P(XFile, EveryEncoding, ::testing::ValuesIn(kEncodings),
                         [](const ::testing::TestParamInfo<Encoding>& param) {
                             std::string name = param.param.name;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

XDocument Parse(std::string_view text)
{
    XDocument document;
    EXPECT_EQ(ParseXFile(text.data(), text.size(), document), S_OK) << text;
    return document;
}

const XObject* FindNamed(const XDocument& document, std::string_view name)
{
    for (const XObject& object : document.objects) {
        if (!object.isReference && object.name == name) return &object;
    }
    return nullptr;
}

std::vector<uint32_t> Values(const XDocument& document, const XObject& object)
{
    return std::vector<uint32_t>(document.values.begin() + object.valueBegin,
                                 document.values.begin() + object.valueEnd);
}

TEST(XFileParser, DeclaredTemplatesLayOutArraysByTheirSizeMembers)
{
    const XDocument document = Parse(R"(xof 0303txt 0032
template Pair { <00000000-0000-0000-0000-000000000001> WORD a; SDWORD b; }
template Grid {
  <00000000-0000-0000-0000-000000000002>
  DWORD rows; DWORD columns; array FLOAT cells[rows][columns]; array Pair pairs[2]; STRING label; [...]
}
Grid G { 2; 3; 1.0, 2.0, 3.0, 4.0, 5.0, 6.0; 1; -2;, 3; 4;; "grid"; }
)");
    ASSERT_EQ(document.declaredTemplates.size(), 2u);
    const XObject* grid = FindNamed(document, "G");
    ASSERT_NE(grid, nullptr);
    const std::vector<uint32_t> values = Values(document, *grid);
    ASSERT_EQ(values.size(), 2u + 6u + 4u + 1u);
    EXPECT_EQ(values[0], 2u);
    EXPECT_EQ(values[1], 3u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(SlotFloat(values[2 + i]), static_cast<float>(i + 1));
    EXPECT_EQ(values[8], 1u);
    EXPECT_EQ(static_cast<int32_t>(values[9]), -2);
    EXPECT_EQ(values[10], 3u);
    EXPECT_EQ(values[11], 4u);
    EXPECT_EQ(document.strings[values[12]], "grid");
}

TEST(XFileParser, FirstDeclarationOfATemplateNameStands)
{
    // A Vector of two floats would shift every vertex; the built-in one is kept.
    XMeshResult result;
    ASSERT_EQ(LoadXText(R"(xof 0303txt 0032
template Vector { <3D82AB5E-62DA-11cf-AB39-0020AF71E433> FLOAT x; FLOAT y; }
Mesh { 3; 1.0;2.0;3.0;, 4.0;5.0;6.0;, 7.0;8.0;9.0;; 1; 3;0,1,2;; }
)",
                        result),
              S_OK);
    ASSERT_EQ(result.mesh.vertices.size(), 3u);
    EXPECT_EQ(result.mesh.vertices[2].position[2], 9.0f);
}

TEST(XFileParser, TemplateNamesIgnoreCaseAndNumbersTakeEveryForm)
{
    XMeshResult result;
    ASSERT_EQ(LoadXText(R"(xof 0303txt 0032
# a comment
MESH {   // a mesh with commas for semicolons
  3, 0,0,0, 1,0,0, 0,1,0,
  1; 3; 0, 1, 2;;;;;
  meshtexturecoords { 3; 0.5; 1e-1; 2.5E+0; -0.0; +1; .5;,}
}
)",
                        result),
              S_OK);
    ASSERT_EQ(result.mesh.vertices.size(), 3u);
    EXPECT_EQ(result.mesh.vertices[1].position[0], 1.0f);
    EXPECT_FLOAT_EQ(result.mesh.vertices[0].texcoord[1], 0.1f);
    EXPECT_EQ(result.mesh.vertices[1].texcoord[0], 2.5f);
    EXPECT_EQ(result.mesh.vertices[2].texcoord[1], 0.5f);
}

// Each value ends in semicolons and then at most one comma, or in a comma.
TEST(XFileParser, ValuesEndInSemicolonsAndOneComma)
{
    const struct {
        const char* faces;
        HRESULT expected;
    } cases[] = {
        {"1;3;0,1,2;;", S_OK},
        {"1;3;0;1;2;;;;,", S_OK},
        {"1,3,0,1,2,", S_OK},
        {"1;3;0 1 2;;", D3DXFERR_PARSEERROR},
        {"1;3;0,,1,2;;", D3DXFERR_PARSEERROR},
        {"1;3;0,;1,2;;", D3DXFERR_PARSEERROR},
        {"1;3;0,1,2", D3DXFERR_PARSEERROR},
    };
    for (const auto& test : cases) {
        XMeshResult result;
        const std::string file =
            std::string("xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; ") + test.faces + " }";
        EXPECT_EQ(LoadXText(file.c_str(), result), test.expected) << test.faces;
    }
}

TEST(XFileParser, NamesMayStartWithDigitsAndHoldDots)
{
    const XDocument document = Parse("xof 0303txt 0032\nFrame 01_Root { Frame Box.001 { } { Box.001 } }\n");
    ASSERT_NE(FindNamed(document, "01_Root"), nullptr);
    ASSERT_NE(FindNamed(document, "Box.001"), nullptr);
}

TEST(XFileParser, ObjectsOfUnknownTemplatesAreSkippedInEveryEncoding)
{
    const std::string_view text = R"(xof 0303txt 0032
Gadget Thing { 1; 2.5; "a } brace"; Nested { { Ref } 3; } # } in a comment
  Deeper { Deepest { 4; } }
}
Mesh M { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; Sprocket { 9; } }
)";
    for (const Encoding& encoding : kEncodings) {
        const std::string file = encoding.make(text);
        XDocument document;
        ASSERT_EQ(ParseXFile(file.data(), file.size(), document), S_OK) << encoding.name;
        ASSERT_EQ(document.topLevel.size(), 1u) << encoding.name;
        const XObject& mesh = document.objects[document.topLevel[0]];
        EXPECT_EQ(mesh.kind, XKind::Mesh);
        EXPECT_EQ(mesh.firstChild, kNoObject) << encoding.name;
    }
}

TEST(XFileParser, ReferencesFindObjectsByNameOrGuidBeforeOrAfterThem)
{
    const XDocument document = Parse(R"(xof 0303txt 0032
Material Early { <12345678-9ABC-DEF0-1122-334455667788> 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
Frame F {
  { Early }
  { Early <12345678-9ABC-DEF0-1122-334455667788> }
  { <12345678-9abc-def0-1122-334455667788> }
  { Late }
}
Material Late { 0.0;0.0;0.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
)");
    const XObject* frame = FindNamed(document, "F");
    const XObject* early = FindNamed(document, "Early");
    const XObject* late = FindNamed(document, "Late");
    ASSERT_NE(frame, nullptr);
    ASSERT_NE(early, nullptr);
    ASSERT_NE(late, nullptr);
    std::vector<const XObject*> targets;
    for (uint32_t child = frame->firstChild; child != kNoObject; child = document.objects[child].nextSibling) {
        const XObject& reference = document.objects[child];
        ASSERT_TRUE(reference.isReference);
        EXPECT_EQ(reference.kind, XKind::Material);
        targets.push_back(&document.objects[reference.target]);
    }
    EXPECT_EQ(targets, (std::vector<const XObject*>{early, early, early, late}));
}

TEST(XFileParser, AnUnresolvedReferenceFails)
{
    const std::string_view text = "xof 0303txt 0032\nFrame F { { Missing } }\n";
    XDocument document;
    EXPECT_EQ(ParseXFile(text.data(), text.size(), document), D3DXFERR_BADDATAREFERENCE);
}

TEST(XFileParser, HeaderFieldsAreChecked)
{
    struct Case {
        std::string header;
        HRESULT expected;
    };
    const Case cases[] = {
        {"xof 0303txt 0032", S_OK},
        {"xof 0302txt 0064", S_OK},
        {"xof 0303bin 0032", S_OK},
        {"XOF 0303txt 0032", D3DXFERR_BADFILETYPE},
        {"xof 0303abc 0032", D3DXFERR_BADFILETYPE},
        {"xof 0203txt 0032", D3DXFERR_BADFILEVERSION},
        {"xof 03a3txt 0032", D3DXFERR_BADFILEVERSION},
        {"xof 0303txt 0016", D3DXFERR_BADFILEFLOATSIZE},
        {"xof 0303txt", D3DXFERR_BADFILETYPE},
    };
    for (const Case& c : cases) {
        XDocument document;
        EXPECT_EQ(ParseXFile(c.header.data(), c.header.size(), document), c.expected) << c.header;
    }
}

TEST(XFileParser, EncodingNamesDescribeTheForm)
{
    EXPECT_EQ(XFileEncodingName(XFileEncoding::Text), "text");
    EXPECT_EQ(XFileEncodingName(XFileEncoding::Binary), "binary");
    EXPECT_EQ(XFileEncodingName(XFileEncoding::TextCompressed), "compressed text");
    EXPECT_EQ(XFileEncodingName(XFileEncoding::BinaryCompressed), "compressed binary");
}

TEST(XFileParser, BuiltinTemplatesAreAllThere)
{
    const XTemplateLibrary& library = BuiltinXTemplates();
    for (std::string_view name : {"Mesh", "Frame", "FrameTransformMatrix", "MeshNormals", "MeshTextureCoords",
                                  "MeshVertexColors", "MeshMaterialList", "Material", "TextureFilename", "SkinWeights",
                                  "XSkinMeshHeader", "AnimationSet", "DeclData", "PMInfo"}) {
        EXPECT_NE(FindXTemplate(library, {}, name), kNoTemplate) << name;
    }
    const XTemplate& mesh = XTemplateAt(library, {}, FindXTemplate(library, {}, "mesh"));
    EXPECT_EQ(mesh.kind, XKind::Mesh);
    const XTemplate& matrix = XTemplateAt(library, {}, FindXTemplate(library, {}, "Matrix4x4"));
    EXPECT_TRUE(matrix.fixedSize);
    EXPECT_EQ(matrix.flatLayout.size(), 16u);
}

} // namespace

namespace {

// Arrays are read a run at a time; in binary a run may cross from one list
// to the next, or meet single integers where floats are due.
TEST(XFileParser, ArraysReadAlikeInEveryEncodingWhateverTheirListsLookLike)
{
    const std::string_view text = R"(xof 0303txt 0032
template Sample {
  <00000000-0000-0000-0000-0000000000A1>
  DWORD n; array Vector points[n]; array MeshFace faces[n]; array WORD small[3]; array IndexedColor colors[2];
}
Sample S { 4; 1;2.5;3;, -4.25;5;6e1;, 7;8;9;, 0.1;0.2;0.3;; 3;0,1,2;, 4;0,1,2,3;, 0;, 1;3;; 1,2,3; 0;1.0;0.5;0.25;1;, 1;0;0;0;0;; }
Mesh M {
  5; 0;0;0;, 1.5;0;0;, 1;1;0;, 0;1;0;, 0.5;0.5;1;;
  3; 4;0,1,2,3;, 3;0,1,4;, 3;1,2,4;;
  MeshNormals { 2; 0;0;1;, 0.0;1;0.0;; 3; 4;0,0,0,0;, 3;1,1,1;, 3;0,1,0;; }
  MeshTextureCoords { 5; 0;0;, 1;0.0;, 1.0;1;, 0;1;, 0.5;0.5;; }
}
)";
    const XDocument expected = Parse(text);
    for (const Encoding& encoding : kEncodings) {
        const std::string file = encoding.make(text);
        XDocument document;
        ASSERT_EQ(ParseXFile(file.data(), file.size(), document), S_OK) << encoding.name;
        ASSERT_EQ(document.objects.size(), expected.objects.size()) << encoding.name;
        for (size_t i = 0; i < expected.objects.size(); ++i) {
            EXPECT_EQ(Values(document, document.objects[i]), Values(expected, expected.objects[i]))
                << encoding.name << ", object " << i;
        }
    }
    const XObject* sample = FindNamed(expected, "S");
    ASSERT_NE(sample, nullptr);
    const std::vector<uint32_t> values = Values(expected, *sample);
    ASSERT_EQ(values.size(), 1u + 12u + (4u + 5u + 1u + 2u) + 3u + 10u);
    EXPECT_EQ(SlotFloat(values[2]), 2.5f);
    EXPECT_EQ(SlotFloat(values[4]), -4.25f);
    EXPECT_EQ(SlotFloat(values[6]), 60.0f);
    EXPECT_EQ(values[13], 3u); // the first face's size
    EXPECT_EQ(values[17], 4u);
    EXPECT_EQ(values[22], 0u); // an empty face
    EXPECT_EQ(values[23], 1u);
    EXPECT_EQ(values[24], 3u);
    EXPECT_EQ(values[27], 3u);
    EXPECT_EQ(SlotFloat(values[29]), 1.0f); // colors: an index, then four floats
    EXPECT_EQ(SlotFloat(values[32]), 1.0f);
}

TEST(XFileParser, ArraysThatRunShortFailAsBefore)
{
    struct Case {
        const char* name;
        const char* text;
        HRESULT expected;
    };
    const Case kCases[] = {
        {"points end early", "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;; }\n", D3DXFERR_PARSEERROR},
        {"a word among floats", "xof 0303txt 0032\nMesh { 2; 0;0;0;, 1;zero;0;; 1; 3;0,1,1;; }\n", D3DXFERR_PARSEERROR},
        {"a face longer than the file", "xof 0303txt 0032\nMesh { 1; 0;0;0;; 1; 99999;0,0,0;; }\n",
         D3DXFERR_BADARRAYSIZE},
        {"a float where an index is due", "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1.5,2;; }\n",
         D3DXFERR_PARSEERROR},
    };
    for (const Case& test : kCases) {
        for (const Encoding& encoding : kEncodings) {
            const std::string file = encoding.make(test.text);
            XDocument document;
            EXPECT_EQ(ParseXFile(file.data(), file.size(), document), test.expected)
                << test.name << ", " << encoding.name;
        }
    }
}

// In binary, a single integer needs its separators (semicolons, then at most
// one comma) and a list takes none after it.
TEST(XFileParser, BinarySeparatorsFollowSingleIntegersOnly)
{
    using modelgen::WriteToken;
    const struct {
        const char* name;
        std::vector<uint16_t> after; // the separators after the count of three vertices
        bool list;
        HRESULT expected;
    } cases[] = {
        {"single;", {xformat::kSemicolon}, false, S_OK},
        {"single;;,", {xformat::kSemicolon, xformat::kSemicolon, xformat::kComma}, false, S_OK},
        {"single", {}, false, D3DXFERR_PARSEERROR},
        {"single,,", {xformat::kComma, xformat::kComma}, false, D3DXFERR_PARSEERROR},
        {"list", {}, true, S_OK},
        {"list;", {xformat::kSemicolon}, true, D3DXFERR_PARSEERROR},
    };
    for (const auto& test : cases) {
        const std::string file = XBinaryFile([&](modelgen::XStream& s) {
            modelgen::WriteName(s, "Mesh");
            WriteToken(s, xformat::kOBrace);
            if (test.list) {
                modelgen::WriteDword(s, 3, ';');
            } else {
                modelgen::WriteInteger(s, 3);
            }
            for (uint16_t token : test.after) WriteToken(s, token);
            for (int i = 0; i < 9; ++i) modelgen::WriteFloat(s, i % 4 == 0 ? 1.0 : 0.0, ';');
            for (uint32_t value : {1u, 3u, 0u, 1u, 2u}) modelgen::WriteDword(s, value, ';');
            WriteToken(s, xformat::kCBrace);
        });
        XDocument document;
        EXPECT_EQ(ParseXFile(file.data(), file.size(), document), test.expected) << test.name;
    }
}

// A count makes room for no more values than the rest of the file could
// hold: 300,000 points (900,000 floats) before a megabyte of filler.
TEST(XFileParser, ACountPastWhatTheFileCanHoldMakesNoRoomForIt)
{
    const std::string binary = XBinaryFile([](modelgen::XStream& s) {
        modelgen::WriteName(s, "Mesh");
        modelgen::WriteToken(s, xformat::kOBrace);
        modelgen::WriteDword(s, 300000, ';');
        modelgen::WriteRaw(s, std::string(1000000, '\0'));
    });
    const std::string text = "xof 0303txt 0032\nMesh { 300000; " + std::string(1000000, ' ');
    // The text has nothing left after the count's separator and blanks.
    for (const auto& [file, expected] :
         {std::pair{binary, D3DXFERR_PARSEERROR}, std::pair{text, D3DXFERR_BADARRAYSIZE}}) {
        XDocument document;
        EXPECT_EQ(ParseXFile(file.data(), file.size(), document), expected);
        EXPECT_LE(document.values.capacity * sizeof(uint32_t), file.size() + 64);
    }
}

} // namespace
