#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "tests/modelgen/x_test_reader.h"
#include "tools/modelgen/assets.h"
#include "tools/modelgen/x_encoding.h"
#include "tools/modelgen/x_model_writer.h"
#include "tools/modelgen/x_stream.h"
#include "tools/modelgen/x_template.h"

namespace {

using namespace modelgen;

const Asset& CachedAsset(const std::string& name) {
    static std::map<std::string, Asset> cache;
    auto it = cache.find(name);
    if (it == cache.end()) it = cache.emplace(name, *BuildModelByName(name)).first;
    return it->second;
}

TEST(XEncoding, NamesHeadersAndParsingAgree) {
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

TEST(XFloatText, ReadsBackExactlyWithoutExponent) {
    const std::vector<std::pair<float, std::string>> cases = {
        {1.0f, "1.000000"},  {-5.0f, "-5.000000"}, {0.5f, "0.5"},         {0.1f, "0.1"},
        {-0.25f, "-0.25"},   {500.0f, "500.000000"}, {1e-7f, "0.0000001"}, {123456.7f, "123456.7"},
        {-0.0f, "-0.000000"},
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

// A small object with integers, floats, a nested object and a string.
void WriteSample(XStream& s) {
    BeginObject(s, "Mesh", "Sample");
    WriteDword(s, 2, ';');
    EndLine(s);
    const float values[6] = {1.5f, -2.0f, 0.25f, 3.0f, 4.0f, -0.125f};
    for (int i = 0; i < 6; ++i) WriteFloat(s, values[i], ';');
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

TEST(XBinaryStream, TokensRoundTrip) {
    for (const int bits : {32, 64}) {
        SCOPED_TRACE(bits);
        XStream s = MakeXStream({XFormat::Binary, false, bits});
        WriteSample(s);
        const std::string body = FinishXStream(s);
        const std::vector<xcheck::RawToken> t = xcheck::ReadBinaryTokens(body, bits);
        ASSERT_EQ(t.size(), 11u);
        EXPECT_EQ(t[0].id, 1);
        EXPECT_EQ(t[0].text, "Mesh");
        EXPECT_EQ(t[1].id, 1);
        EXPECT_EQ(t[1].text, "Sample");
        EXPECT_EQ(t[2].id, 10);
        EXPECT_EQ(t[3].id, 6);
        EXPECT_EQ(t[3].integers, (std::vector<std::uint32_t>{2}));
        EXPECT_EQ(t[4].id, 7);
        EXPECT_EQ(t[4].floats, (std::vector<double>{1.5, -2.0, 0.25, 3.0, 4.0, -0.125}));
        EXPECT_EQ(t[5].id, 6);
        EXPECT_EQ(t[5].integers, (std::vector<std::uint32_t>{1, 3, 0, 1, 1}));
        EXPECT_EQ(t[6].id, 1);
        EXPECT_EQ(t[6].text, "TextureFilename");
        EXPECT_EQ(t[7].id, 10);
        EXPECT_EQ(t[8].id, 2);
        EXPECT_EQ(t[8].text, "sample.png");
        EXPECT_EQ(t[8].terminator, 20);
        EXPECT_EQ(t[9].id, 11);
        EXPECT_EQ(t[10].id, 11);
        // Exact size: names 2+4+n, braces 2, lists 2+4+n*size, string 2+4+n+2.
        const std::size_t floatSize = bits / 8;
        const std::size_t expected = (6 + 4) + (6 + 6) + 2 + (6 + 4) + (6 + 6 * floatSize) + (6 + 20) + (6 + 15) +
                                     2 + (6 + 10 + 2) + 2 + 2;
        EXPECT_EQ(body.size(), expected);
    }
}

TEST(XTextStream, PunctuatesLikeTheTextEncoding) {
    XStream s = MakeXStream({XFormat::Text, false, 32});
    WriteSample(s);
    EXPECT_EQ(FinishXStream(s),
              "Mesh Sample {\n"
              " 2;\n"
              " 1.5;-2.000000;0.25;3.000000;4.000000;-0.125;;\n"
              " 1;3;0,1,1;;\n"
              " TextureFilename {\n"
              "  \"sample.png\";\n"
              " }\n"
              "}\n");
}

TEST(XTemplates, TextDeclaration) {
    XStream s = MakeXStream({XFormat::Text, false, 32});
    for (const XTemplate& t : MeshTemplates())
        if (t.name == "MeshMaterialList" || t.name == "Frame") WriteTemplate(s, t);
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

TEST(XTemplates, BinaryDeclaration) {
    XStream s = MakeXStream({XFormat::Binary, false, 32});
    for (const XTemplate& t : MeshTemplates())
        if (t.name == "Mesh") WriteTemplate(s, t);
    const std::string body = FinishXStream(s);
    std::vector<std::string> seen;
    for (const xcheck::RawToken& t : xcheck::ReadBinaryTokens(body, 32)) {
        std::string text = std::to_string(t.id);
        if (!t.text.empty()) text += ":" + t.text;
        if (!t.guid.empty()) text += ":" + t.guid;
        for (const std::uint32_t v : t.integers) text += ":" + std::to_string(v);
        seen.push_back(text);
    }
    const std::vector<std::string> expected = {
        "31", "1:Mesh", "10", "5:<3D82AB44-62DA-11CF-AB39-0020AF71E433>",
        "41", "1:nVertices", "20",
        "52", "1:Vector", "1:vertices", "14", "1:nVertices", "15", "20",
        "41", "1:nFaces", "20",
        "52", "1:MeshFace", "1:faces", "14", "1:nFaces", "15", "20",
        "14", "18", "18", "18", "15", "11",
    };
    EXPECT_EQ(seen, expected);
}

TEST(XTemplates, FixedArrayDimensionIsAnInteger) {
    XStream s = MakeXStream({XFormat::Binary, false, 32});
    for (const XTemplate& t : MeshTemplates())
        if (t.name == "Matrix4x4") WriteTemplate(s, t);
    const auto tokens = xcheck::ReadBinaryTokens(FinishXStream(s), 32);
    ASSERT_GE(tokens.size(), 10u);
    EXPECT_EQ(tokens[4].id, 52);  // array
    EXPECT_EQ(tokens[5].id, 42);  // FLOAT
    EXPECT_EQ(tokens[7].id, 14);
    EXPECT_EQ(tokens[8].id, 3);
    EXPECT_EQ(tokens[8].integers, (std::vector<std::uint32_t>{16}));
}

// Every encoding of every model reads back as the same mesh, equal to the model.
class EveryEncoding : public ::testing::TestWithParam<std::tuple<std::string, std::string>> {};

TEST_P(EveryEncoding, ReadsBackAsTheModel) {
    const auto& [modelName, encodingName] = GetParam();
    const Model& model = CachedAsset(modelName).model;
    const XEncoding encoding = *ParseXEncoding(encodingName);
    const xcheck::XMesh reference = xcheck::ReadXMesh(WriteModelX(model, *ParseXEncoding("text"), {}));
    for (const bool templates : {false, true}) {
        SCOPED_TRACE(templates ? "with templates" : "without templates");
        XWriteOptions options;
        options.templates = templates;
        xcheck::XMesh mesh = xcheck::ReadXMesh(WriteModelX(model, encoding, options));
        EXPECT_EQ(mesh.templates, templates ? static_cast<int>(MeshTemplates().size()) : 0);
        mesh.templates = 0;
        EXPECT_TRUE(mesh == reference);
    }

    // And the reference holds exactly the model's numbers.
    EXPECT_EQ(reference.frameName, model.name);
    EXPECT_EQ(reference.meshName, model.name + "Mesh");
    ASSERT_EQ(reference.positions.size(), 3 * model.positions.size());
    ASSERT_EQ(reference.texcoords.size(), 2 * model.positions.size());
    for (std::size_t i = 0; i < model.positions.size(); ++i) {
        EXPECT_EQ(reference.positions[3 * i], model.positions[i].x);
        EXPECT_EQ(reference.positions[3 * i + 1], model.positions[i].y);
        EXPECT_EQ(reference.positions[3 * i + 2], model.positions[i].z);
        EXPECT_EQ(reference.normals[3 * i + 1], model.normals[i].y);
        EXPECT_EQ(reference.texcoords[2 * i], model.texcoords[i].u);
        EXPECT_EQ(reference.texcoords[2 * i + 1], model.texcoords[i].v);
    }
    ASSERT_EQ(reference.faces.size(), model.faces.size());
    EXPECT_EQ(reference.normalFaces, reference.faces);
    for (std::size_t i = 0; i < model.faces.size(); ++i) {
        ASSERT_EQ(reference.faces[i].size(), model.faces[i].count);
        for (std::size_t k = 0; k < reference.faces[i].size(); ++k)
            EXPECT_EQ(reference.faces[i][k], model.faces[i].index[k]);
    }
    EXPECT_EQ(reference.faceMaterials, model.faceMaterials);
    ASSERT_EQ(reference.materials.size(), model.materials.size());
    for (std::size_t i = 0; i < model.materials.size(); ++i) {
        const Material& m = model.materials[i];
        EXPECT_EQ(reference.materials[i].name, m.name);
        EXPECT_EQ(reference.materials[i].texture, m.texture);
        const std::vector<double> values = {m.faceColor.r,     m.faceColor.g,     m.faceColor.b,     m.faceColor.a,
                                            m.power,           m.specularColor.r, m.specularColor.g, m.specularColor.b,
                                            m.emissiveColor.r, m.emissiveColor.g, m.emissiveColor.b};
        EXPECT_EQ(reference.materials[i].values, values);
    }
    EXPECT_EQ(reference.frameMatrix,
              (std::vector<double>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
}

std::vector<std::string> EncodingNames() {
    std::vector<std::string> names;
    for (const XEncoding& e : AllXEncodings()) names.push_back(XEncodingName(e));
    return names;
}

INSTANTIATE_TEST_SUITE_P(Models, EveryEncoding,
                         ::testing::Combine(::testing::ValuesIn(ModelNames()), ::testing::ValuesIn(EncodingNames())),
                         [](const auto& paramInfo) { return std::get<0>(paramInfo.param) + "_" + std::get<1>(paramInfo.param); });

TEST(XModelWriter, FileStartsWithItsHeader) {
    const Model& model = CachedAsset("crate").model;
    for (const XEncoding& encoding : AllXEncodings()) {
        const std::vector<std::uint8_t> file = WriteModelX(model, encoding, {});
        ASSERT_GE(file.size(), 16u);
        EXPECT_EQ(std::string(file.begin(), file.begin() + 16), XFileHeader(encoding));
    }
}

TEST(XModelWriter, RejectsModelsThatWouldWriteABrokenFile) {
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
        {"no faces", [](Model& m) { m.faces.clear(); m.faceMaterials.clear(); }},
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

}  // namespace
