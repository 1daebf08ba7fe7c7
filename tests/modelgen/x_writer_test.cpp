#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "platform/portable/d3dx/xfile/parser.h"
#include "tests/modelgen/x_read_back.h"
#include "tools/modelgen/assets.h"
#include "tools/modelgen/x_encoding.h"
#include "tools/modelgen/x_model_writer.h"
#include "tools/modelgen/x_stream.h"

using namespace portable;

namespace {

using namespace modelgen;
using modelgen_test::ReadBack;
using modelgen_test::ReadBackX;

const Asset& CachedAsset(const std::string& name)
{
    static std::map<std::string, Asset> cache;
    auto it = cache.find(name);
    if (it == cache.end()) it = cache.emplace(name, *BuildModelByName(name)).first;
    return it->second;
}

TEST(XEncoding, NamesHeadersAndParsingAgree)
{
    const std::map<std::string, std::string> expected = {
        {"text", "xof 0303txt 0032"},   {"text64", "xof 0303txt 0064"}, {"bin32", "xof 0303bin 0032"},
        {"bin64", "xof 0303bin 0064"},  {"tzip32", "xof 0303tzip0032"}, {"tzip64", "xof 0303tzip0064"},
        {"bzip32", "xof 0303bzip0032"}, {"bzip64", "xof 0303bzip0064"},
    };
    ASSERT_EQ(AllXEncodings().size(), expected.size());
    for (const XEncoding& encoding : AllXEncodings()) {
        const std::string name = XEncodingName(encoding);
        ASSERT_TRUE(expected.count(name)) << name;
        EXPECT_EQ(XFileHeader(encoding), expected.at(name));
        EXPECT_EQ(XFileHeader(encoding).size(), 16u);
        const auto parsed = ParseXEncoding(name);
        ASSERT_TRUE(parsed.has_value()) << name;
        EXPECT_TRUE(*parsed == encoding) << name;
    }
    for (const char* bad : {"", "txt", "bin", "bin16", "TEXT", "bzip"}) EXPECT_FALSE(ParseXEncoding(bad)) << bad;
}

TEST(XFloatText, ReadsBackExactlyWithoutExponent)
{
    const std::vector<std::pair<float, std::string>> cases = {
        {1.0f, "1.000000"},     {-5.0f, "-5.000000"}, {0.5f, "0.5"},           {0.1f, "0.1"},        {-0.25f, "-0.25"},
        {500.0f, "500.000000"}, {1e-7f, "0.0000001"}, {123456.7f, "123456.7"}, {-0.0f, "-0.000000"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(FormatXFloat(value), text);

    std::uint32_t state = 12345;
    for (int i = 0; i < 20000; ++i) {
        state = state * 1664525u + 1013904223u;
        float value;
        if (i % 2 == 0) {
            value = (static_cast<float>(state >> 8) / 16777216.0f - 0.5f) * 2000.0f;
        } else {
            value = static_cast<float>(state >> 8) / 16777216.0f * 1e-3f;
        }
        const std::string text = FormatXFloat(value);
        ASSERT_EQ(text.find_first_of("eE"), std::string::npos) << text;
        ASSERT_NE(text.find('.'), std::string::npos) << text;
        ASSERT_EQ(std::strtof(text.c_str(), nullptr), value) << text;
    }
}

// Binary tokens spelled out byte by byte.
std::string Token(std::uint16_t code)
{
    std::string bytes;
    xformat::AppendU16(bytes, code);
    return bytes;
}

std::string Counted(std::uint16_t code, std::string_view text)
{
    std::string bytes = Token(code);
    xformat::AppendU32(bytes, static_cast<std::uint32_t>(text.size()));
    return bytes.append(text);
}

std::string Integers(std::uint16_t code, std::initializer_list<std::uint32_t> values)
{
    std::string bytes = Token(code);
    if (code == xformat::kIntegerList) xformat::AppendU32(bytes, static_cast<std::uint32_t>(values.size()));
    for (const std::uint32_t value : values) xformat::AppendU32(bytes, value);
    return bytes;
}

std::string Floats(int bits, std::initializer_list<double> values)
{
    std::string bytes = Token(xformat::kFloatList);
    xformat::AppendU32(bytes, static_cast<std::uint32_t>(values.size()));
    for (const double value : values) {
        const float narrow = static_cast<float>(value);
        if (bits == 64)
            bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
        else
            bytes.append(reinterpret_cast<const char*>(&narrow), sizeof narrow);
    }
    return bytes;
}

std::string GuidToken(std::string_view templateName)
{
    std::string bytes = Token(xformat::kGuid);
    xformat::AppendGuid(bytes, xformat::FindBuiltinTemplate(templateName)->guid);
    return bytes;
}

// A small object with integers, floats, a nested object and a string: a
// mesh of two points and one face.
const double kSampleFloats[6] = {1.5, -2.0, 0.25, 3.0, 4.0, -0.1};

void WriteSample(XStream& s)
{
    BeginObject(s, "Mesh", "Sample");
    WriteDword(s, 2, ';');
    EndLine(s);
    for (const double value : kSampleFloats) WriteFloat(s, value, ';');
    WriteSeparator(s, ';');
    EndLine(s);
    WriteDword(s, 1, ';');
    WriteDword(s, 3, ';');
    WriteDword(s, 0, ',');
    WriteDword(s, 1, ',');
    WriteDword(s, 1, ';');
    WriteSeparator(s, ';');
    EndLine(s);
    BeginObject(s, "TextureFilename");
    WriteString(s, "sample.png", ';');
    EndLine(s);
    EndObject(s);
    EndObject(s);
}

TEST(XBinaryStream, GathersValuesIntoListsOfTheFloatSize)
{
    for (const int bits : {32, 64}) {
        SCOPED_TRACE(bits);
        XStream s = MakeXStream({XFormat::Binary, false, bits});
        WriteSample(s);
        // 64-bit floats keep the double they were given (-0.1 is no float).
        const std::string expected = Counted(xformat::kName, "Mesh") + Counted(xformat::kName, "Sample")
            + Token(xformat::kOBrace) + Integers(xformat::kIntegerList, {2})
            + Floats(bits, {1.5, -2.0, 0.25, 3.0, 4.0, -0.1}) + Integers(xformat::kIntegerList, {1, 3, 0, 1, 1})
            + Counted(xformat::kName, "TextureFilename") + Token(xformat::kOBrace)
            + Counted(xformat::kString, "sample.png") + Token(xformat::kSemicolon) + Token(xformat::kCBrace)
            + Token(xformat::kCBrace);
        EXPECT_EQ(FinishXStream(s), expected);
    }
}

TEST(XTextStream, PunctuatesLikeTheTextEncoding)
{
    XStream s = MakeXStream({XFormat::Text, false, 32});
    WriteSample(s);
    EXPECT_EQ(FinishXStream(s),
              "Mesh Sample {\n"
              " 2;\n"
              " 1.5;-2.000000;0.25;3.000000;4.000000;-0.1;;\n"
              " 1;3;0,1,1;;\n"
              " TextureFilename {\n"
              "  \"sample.png\";\n"
              " }\n"
              "}\n");
}

// The one sequence of calls states the same data in every encoding, as the
// reader reads it.
TEST(XStream, EveryEncodingReadsBackAlike)
{
    for (const XEncoding& encoding : AllXEncodings()) {
        if (encoding.compressed) continue; // the same bodies, compressed
        SCOPED_TRACE(XEncodingName(encoding));
        XStream s = MakeXStream(encoding);
        WriteSample(s);
        const std::string file = XFileHeader(encoding) + FinishXStream(s);
        XDocument document;
        ASSERT_EQ(ParseXFile(file.data(), file.size(), document), S_OK);
        ASSERT_EQ(document.topLevel.size(), 1u);
        const XObject& mesh = document.objects[document.topLevel[0]];
        EXPECT_EQ(mesh.kind, XKind::Mesh);
        EXPECT_EQ(mesh.name, "Sample");
        const std::vector<std::uint32_t> values(document.values.begin() + mesh.valueBegin,
                                                document.values.begin() + mesh.valueEnd);
        ASSERT_EQ(values.size(), 12u);
        EXPECT_EQ(values[0], 2u);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(SlotFloat(values[1 + i]), static_cast<float>(kSampleFloats[i]));
        EXPECT_EQ(std::vector<std::uint32_t>(values.begin() + 7, values.end()),
                  (std::vector<std::uint32_t>{1, 3, 0, 1, 1}));
        ASSERT_NE(mesh.firstChild, kNoObject);
        const XObject& texture = document.objects[mesh.firstChild];
        EXPECT_EQ(texture.kind, XKind::TextureFilename);
        ASSERT_EQ(texture.valueEnd - texture.valueBegin, 1u);
        EXPECT_EQ(document.strings[document.values[texture.valueBegin]], "sample.png");
    }
}

TEST(XTemplates, TextDeclaration)
{
    XStream s = MakeXStream({XFormat::Text, false, 32});
    for (const char* name : {"MeshMaterialList", "Frame"}) WriteTemplate(s, *xformat::FindBuiltinTemplate(name));
    EXPECT_EQ(FinishXStream(s),
              "template MeshMaterialList {\n"
              " <F6F23F42-7686-11CF-8F52-0040333594A3>\n"
              " DWORD nMaterials;\n"
              " DWORD nFaceIndexes;\n"
              " array DWORD faceIndexes[nFaceIndexes];\n"
              " [Material <3D82AB4D-62DA-11CF-AB39-0020AF71E433>]\n"
              "}\n"
              "template Frame {\n"
              " <3D82AB46-62DA-11CF-AB39-0020AF71E433>\n"
              " [...]\n"
              "}\n");
}

TEST(XTemplates, BinaryDeclarations)
{
    const auto name = [](std::string_view text) { return Counted(xformat::kName, text); };
    const auto member = [&](std::uint16_t type, std::string_view field) {
        return Token(type) + name(field) + Token(xformat::kSemicolon);
    };
    const auto array = [&](const std::string& type, std::string_view field, const std::string& dimension) {
        return Token(xformat::kArray) + type + name(field) + Token(xformat::kOBracket) + dimension
            + Token(xformat::kCBracket) + Token(xformat::kSemicolon);
    };
    const std::string open = Token(xformat::kOBracket) + Token(xformat::kDot) + Token(xformat::kDot)
        + Token(xformat::kDot) + Token(xformat::kCBracket);
    const std::string head = Token(xformat::kTemplate);
    const std::string close = Token(xformat::kCBrace);
    const std::string brace = Token(xformat::kOBrace);
    const std::vector<std::pair<std::string_view, std::string>> cases = {
        {"Mesh",
         head + name("Mesh") + brace + GuidToken("Mesh") + member(xformat::kDword, "nVertices")
             + array(name("Vector"), "vertices", name("nVertices")) + member(xformat::kDword, "nFaces")
             + array(name("MeshFace"), "faces", name("nFaces")) + open + close},
        // A fixed dimension is an integer token.
        {"Matrix4x4",
         head + name("Matrix4x4") + brace + GuidToken("Matrix4x4")
             + array(Token(xformat::kFloat), "matrix", Integers(xformat::kInteger, {16})) + close},
        {"MeshMaterialList",
         head + name("MeshMaterialList") + brace + GuidToken("MeshMaterialList") + member(xformat::kDword, "nMaterials")
             + member(xformat::kDword, "nFaceIndexes")
             + array(Token(xformat::kDword), "faceIndexes", name("nFaceIndexes")) + Token(xformat::kOBracket)
             + name("Material") + GuidToken("Material") + Token(xformat::kCBracket) + close},
    };
    for (const auto& [templateName, expected] : cases) {
        XStream s = MakeXStream({XFormat::Binary, false, 32});
        WriteTemplate(s, *xformat::FindBuiltinTemplate(templateName));
        EXPECT_EQ(FinishXStream(s), expected) << templateName;
    }
}

// The reader takes the declarations in both encodings for what they say.
// Renamed, they are the file's own, which the reader keeps.
TEST(XTemplates, DeclarationsReadBackInBothEncodings)
{
    std::vector<std::string> names;
    for (const xformat::Template* t : MeshTemplates()) names.push_back("My" + std::string(t->name));
    for (const XFormat format : {XFormat::Text, XFormat::Binary}) {
        SCOPED_TRACE(format == XFormat::Text ? "text" : "binary");
        const XEncoding encoding{format, false, 32};
        XStream s = MakeXStream(encoding);
        for (std::size_t i = 0; i < names.size(); ++i) {
            xformat::Template renamed = *MeshTemplates()[i];
            renamed.name = names[i];
            WriteTemplate(s, renamed);
        }
        const std::string file = XFileHeader(encoding) + FinishXStream(s);
        XDocument document;
        ASSERT_EQ(ParseXFile(file.data(), file.size(), document), S_OK);
        ASSERT_EQ(document.declaredTemplates.size(), names.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            const xformat::Template& written = *MeshTemplates()[i];
            const XTemplate& read = document.declaredTemplates[i];
            EXPECT_EQ(read.name, names[i]);
            EXPECT_TRUE(read.guid == written.guid) << names[i];
            ASSERT_EQ(read.members.size(), written.members.size()) << names[i];
            for (std::size_t m = 0; m < read.members.size(); ++m) {
                const XMember& member = read.members[m];
                EXPECT_EQ(member.name, written.members[m].name);
                const std::string_view type = member.type == XType::Template
                    ? std::string_view(
                        XTemplateAt(BuiltinXTemplates(), document.declaredTemplates, member.templateIndex).name)
                    : written.members[m].type;
                EXPECT_EQ(type, written.members[m].type) << member.name;
                if (written.members[m].dimension.empty()) {
                    EXPECT_TRUE(member.dims.empty()) << member.name;
                    continue;
                }
                ASSERT_EQ(member.dims.size(), 1u) << member.name;
                const std::string dimension = member.dims[0].fixed ? std::to_string(member.dims[0].value)
                                                                   : read.members[member.dims[0].value].name;
                EXPECT_EQ(dimension, written.members[m].dimension) << member.name;
            }
        }
    }
}

void ExpectSameModel(const Model& read, const Model& model)
{
    EXPECT_EQ(read.name, model.name);
    ASSERT_EQ(read.positions.size(), model.positions.size());
    ASSERT_EQ(read.normals.size(), model.normals.size());
    ASSERT_EQ(read.texcoords.size(), model.texcoords.size());
    for (std::size_t i = 0; i < model.positions.size(); ++i) {
        EXPECT_EQ(read.positions[i].x, model.positions[i].x) << i;
        EXPECT_EQ(read.positions[i].y, model.positions[i].y) << i;
        EXPECT_EQ(read.positions[i].z, model.positions[i].z) << i;
        EXPECT_EQ(read.normals[i].x, model.normals[i].x) << i;
        EXPECT_EQ(read.normals[i].y, model.normals[i].y) << i;
        EXPECT_EQ(read.normals[i].z, model.normals[i].z) << i;
        EXPECT_EQ(read.texcoords[i].u, model.texcoords[i].u) << i;
        EXPECT_EQ(read.texcoords[i].v, model.texcoords[i].v) << i;
    }
    ASSERT_EQ(read.faces.size(), model.faces.size());
    for (std::size_t i = 0; i < model.faces.size(); ++i) {
        ASSERT_EQ(read.faces[i].count, model.faces[i].count) << i;
        for (std::uint32_t k = 0; k < model.faces[i].count; ++k)
            EXPECT_EQ(read.faces[i].index[k], model.faces[i].index[k]) << i;
    }
    EXPECT_EQ(read.faceMaterials, model.faceMaterials);
    ASSERT_EQ(read.materials.size(), model.materials.size());
    for (std::size_t i = 0; i < model.materials.size(); ++i) {
        const Material& a = read.materials[i];
        const Material& b = model.materials[i];
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.texture, b.texture);
        const std::vector<float> readValues = {a.faceColor.r,     a.faceColor.g,     a.faceColor.b,
                                               a.faceColor.a,     a.power,           a.specularColor.r,
                                               a.specularColor.g, a.specularColor.b, a.emissiveColor.r,
                                               a.emissiveColor.g, a.emissiveColor.b};
        const std::vector<float> values = {b.faceColor.r,     b.faceColor.g,     b.faceColor.b,     b.faceColor.a,
                                           b.power,           b.specularColor.r, b.specularColor.g, b.specularColor.b,
                                           b.emissiveColor.r, b.emissiveColor.g, b.emissiveColor.b};
        EXPECT_EQ(readValues, values) << a.name;
    }
}

// What the mesh builder makes of the model: its vertices, a triangle fan
// per face, sorted by material, and the materials.
void ExpectMeshOfModel(const XMeshResult& built, const Model& model)
{
    const MeshData& mesh = built.mesh;
    ASSERT_EQ(mesh.vertices.size(), model.positions.size());
    std::vector<bool> used(model.positions.size());
    for (const Face& face : model.faces)
        for (std::uint32_t k = 0; k < face.count; ++k) used[face.index[k]] = true;
    for (std::size_t i = 0; i < model.positions.size(); ++i) {
        const MeshVertex& v = mesh.vertices[i];
        const Vec3 p = model.positions[i];
        // A vertex no face uses has no normal. The others are normalised
        // again, as D3DX does: their last bits may move.
        const Vec3 n = used[i] ? model.normals[i] : Vec3{};
        EXPECT_TRUE(v.position[0] == p.x && v.position[1] == p.y && v.position[2] == p.z) << i;
        EXPECT_NEAR(v.normal[0], n.x, 1e-6f) << i;
        EXPECT_NEAR(v.normal[1], n.y, 1e-6f) << i;
        EXPECT_NEAR(v.normal[2], n.z, 1e-6f) << i;
        EXPECT_TRUE(v.texcoord[0] == model.texcoords[i].u && v.texcoord[1] == model.texcoords[i].v) << i;
    }
    ASSERT_EQ(mesh.attributes.size(), TriangleCount(model));
    std::vector<std::size_t> triangles(model.materials.size());
    for (std::size_t i = 0; i < model.faces.size(); ++i) triangles[model.faceMaterials[i]] += model.faces[i].count - 2;
    std::vector<std::size_t> builtTriangles(model.materials.size());
    for (const DWORD attribute : mesh.attributes) {
        ASSERT_LT(attribute, builtTriangles.size());
        ++builtTriangles[attribute];
    }
    EXPECT_EQ(builtTriangles, triangles);
    ASSERT_EQ(built.materials.size(), model.materials.size());
    for (std::size_t i = 0; i < model.materials.size(); ++i) {
        const D3DMATERIAL9& material = built.materials[i].material;
        const Material& m = model.materials[i];
        EXPECT_EQ(built.materials[i].hasTexture, !m.texture.empty());
        EXPECT_EQ(built.materials[i].texture, m.texture);
        EXPECT_EQ(material.Diffuse.r, m.faceColor.r);
        EXPECT_EQ(material.Diffuse.a, m.faceColor.a);
        EXPECT_EQ(material.Power, m.power);
        EXPECT_EQ(material.Specular.g, m.specularColor.g);
        EXPECT_EQ(material.Emissive.b, m.emissiveColor.b);
    }
}

// Every encoding of every model, with and without the templates, reads back
// as exactly the model.
class EveryEncoding : public ::testing::TestWithParam<std::tuple<std::string, std::string>> {};

TEST_P(EveryEncoding, ReadsBackAsTheModel)
{
    const auto& [modelName, encodingName] = GetParam();
    const Model& model = CachedAsset(modelName).model;
    const XEncoding encoding = *ParseXEncoding(encodingName);
    std::string bodyWithoutTemplates;
    for (const bool templates : {false, true}) {
        SCOPED_TRACE(templates ? "with templates" : "without templates");
        XWriteOptions options;
        options.templates = templates;
        const ReadBack read = ReadBackX(WriteModelX(model, encoding, options));
        EXPECT_EQ(read.encoding,
                  encoding.format == XFormat::Text
                      ? (encoding.compressed ? XFileEncoding::TextCompressed : XFileEncoding::Text)
                      : (encoding.compressed ? XFileEncoding::BinaryCompressed : XFileEncoding::Binary));
        EXPECT_EQ(read.floatBits, static_cast<unsigned>(encoding.floatBits));
        ExpectSameModel(read.model, model);
        EXPECT_EQ(read.meshName, model.name + "Mesh");
        EXPECT_EQ(read.frameMatrix, (std::vector<float>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
        ASSERT_EQ(read.normalFaces.size(), model.faces.size());
        for (std::size_t i = 0; i < model.faces.size(); ++i)
            EXPECT_TRUE(read.normalFaces[i].count == model.faces[i].count
                        && read.normalFaces[i].index == model.faces[i].index)
                << i;
        ExpectMeshOfModel(read.mesh, model);

        if (!templates) {
            bodyWithoutTemplates = read.body;
            continue;
        }
        // The declarations stand first, each template once, the data after them.
        XStream declarations = MakeXStream(encoding);
        if (encoding.format == XFormat::Text) EndLine(declarations);
        for (const xformat::Template* t : MeshTemplates()) WriteTemplate(declarations, *t);
        const std::string expected =
            FinishXStream(declarations) + bodyWithoutTemplates.substr(encoding.format == XFormat::Text ? 1 : 0);
        EXPECT_TRUE(read.body == expected);
    }
}

std::vector<std::string> EncodingNames()
{
    std::vector<std::string> names;
    for (const XEncoding& e : AllXEncodings()) names.push_back(XEncodingName(e));
    return names;
}

INSTANTIATE_TEST_SUITE_P(Models, EveryEncoding,
                         ::testing::Combine(::testing::ValuesIn(ModelNames()), ::testing::ValuesIn(EncodingNames())),
                         [](const auto& paramInfo) {
                             return std::get<0>(paramInfo.param) + "_" + std::get<1>(paramInfo.param);
                         });

TEST(XModelWriter, FileStartsWithItsHeader)
{
    const Model& model = CachedAsset("crate").model;
    for (const XEncoding& encoding : AllXEncodings()) {
        const std::vector<std::uint8_t> file = WriteModelX(model, encoding, {});
        ASSERT_GE(file.size(), 16u);
        EXPECT_EQ(std::string(file.begin(), file.begin() + 16), XFileHeader(encoding));
    }
}

TEST(XModelWriter, RejectsModelsThatWouldWriteABrokenFile)
{
    Model valid = CachedAsset("crate").model;
    ASSERT_NO_THROW(ValidateModel(valid));
    const std::vector<std::pair<const char*, void (*)(Model&)>> breakages = {
        {"normal count", [](Model& m) { m.normals.pop_back(); }},
        {"texcoord count", [](Model& m) { m.texcoords.push_back({}); }},
        {"face index", [](Model& m) { m.faces[0].index[1] = static_cast<std::uint32_t>(m.positions.size()); }},
        {"quad's fourth index", [](Model& m) { m.faces[0].index[3] = 1000; }},
        {"two-vertex face", [](Model& m) { m.faces[0].count = 2; }},
        {"five-vertex face", [](Model& m) { m.faces[0].count = 5; }},
        {"material index", [](Model& m) { m.faceMaterials[2] = 7; }},
        {"material count", [](Model& m) { m.faceMaterials.pop_back(); }},
        {"no faces",
         [](Model& m) {
             m.faces.clear();
             m.faceMaterials.clear();
         }},
        {"model name", [](Model& m) { m.name = "Two words"; }},
        {"numeric name", [](Model& m) { m.name = "9lives"; }},
        {"material name", [](Model& m) { m.materials[0].name = ""; }},
        {"texture quote", [](Model& m) { m.materials[0].texture = "a\"b.png"; }},
    };
    for (const auto& [what, breakModel] : breakages) {
        Model broken = valid;
        breakModel(broken);
        EXPECT_THROW(ValidateModel(broken), std::invalid_argument) << what;
        EXPECT_THROW(WriteModelX(broken, {}, {}), std::invalid_argument) << what;
    }
}

} // namespace
