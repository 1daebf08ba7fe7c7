// Writes a catalogue of .x files for the comparison of the .x reader with the
// real D3DX: frames and their matrices in every position, meshes with and
// without each channel, materials and their lists in every arrangement, face
// shapes, declared templates, comments and separators, text and binary; and
// each model cut, emptied and damaged.
//   xfile_samples OUTPUT_DIR
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tools/modelgen/x_encoding.h"
#include "tools/modelgen/x_model_writer.h"
#include "tools/modelgen/x_stream.h"

using namespace modelgen;

namespace {

enum class Normals { None, PerVertex, PerFace };
enum class Indices { Exact, Fewer, More, Single };
enum class MaterialObjects { Exact, Fewer, More, ByName, Mixed };

struct MeshShape {
    std::string name = {};
    int corners = 3; // of every polygon; 0 cycles 3, 4, 5
    int polygons = 2;
    float x = 0.0f; // where the polygons start
    Normals normals = Normals::None;
    bool texcoords = false;
    bool colors = false;
    int materials = 0; // in the material list; 0 for no list
    Indices indices = Indices::Exact;
    MaterialObjects objects = MaterialObjects::Exact;
    bool textured = false;
    bool effect = false; // an EffectInstance in the first material
    int badIndex = -1;   // a face corner given this vertex index
    bool noVertices = false;
    bool noFaces = false;
};

int CornersOf(const MeshShape& mesh, int polygon) { return mesh.corners != 0 ? mesh.corners : 3 + polygon % 3; }

// A convex polygon's corner on a quarter-unit grid, counter-clockwise.
void Corner(int corners, int k, float& x, float& y)
{
    const double angle = 6.283185307179586 * k / corners;
    x = static_cast<float>(std::round(4.0 * std::cos(angle)) / 4.0);
    y = static_cast<float>(std::round(4.0 * std::sin(angle)) / 4.0);
}

void Floats(XStream& s, std::initializer_list<float> values, char last)
{
    size_t i = 0;
    for (const float value : values) WriteFloat(s, value, ++i < values.size() ? ';' : last);
}

void ListEnd(XStream& s, size_t i, size_t count)
{
    WriteSeparator(s, i + 1 < count ? ',' : ';');
    EndLine(s);
}

void Reference(XStream& s, const std::string& name)
{
    if (s.format == XFormat::Binary) {
        WriteToken(s, xformat::kOBrace);
        WriteName(s, name);
        WriteToken(s, xformat::kCBrace);
        return;
    }
    EndLine(s);
    s.out += "{" + name + "}\n";
    s.atLineStart = true;
}

void Matrix(XStream& s, const float (&m)[16])
{
    BeginObject(s, "FrameTransformMatrix");
    for (int i = 0; i < 16; ++i) WriteFloat(s, m[i], i < 15 ? ',' : ';');
    WriteSeparator(s, ';');
    EndObject(s);
}

void Translation(XStream& s, float x, float y, float z)
{
    const float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
    Matrix(s, m);
}

void Material(XStream& s, const std::string& name, int i, bool textured, bool effect)
{
    BeginObject(s, "Material", name);
    Floats(s, {0.25f * (i % 4), 0.5f, 1.0f - 0.25f * (i % 4), 1.0f}, ';');
    WriteSeparator(s, ';');
    WriteFloat(s, 2.0f + i, ';');
    Floats(s, {0.5f, 0.5f, 0.75f}, ';');
    WriteSeparator(s, ';');
    Floats(s, {0.0f, 0.125f * i, 0.0f}, ';');
    WriteSeparator(s, ';');
    if (textured) {
        BeginObject(s, "TextureFilename");
        WriteString(s, "texture" + std::to_string(i) + ".bmp", ';');
        EndObject(s);
    }
    if (effect) {
        BeginObject(s, "EffectInstance");
        WriteString(s, "shade.fx", ';');
        BeginObject(s, "EffectParamFloats");
        WriteString(s, "Tint", ';');
        WriteDword(s, 2, ';');
        WriteFloat(s, 0.5f, ',');
        WriteFloat(s, 0.25f, ';');
        WriteSeparator(s, ';');
        EndObject(s);
        BeginObject(s, "EffectParamDWord");
        WriteString(s, "Passes", ';');
        WriteDword(s, 3, ';');
        EndObject(s);
        EndObject(s);
    }
    EndObject(s);
}

void MaterialList(XStream& s, const MeshShape& mesh)
{
    BeginObject(s, "MeshMaterialList");
    WriteDword(s, static_cast<uint32_t>(mesh.materials), ';');
    size_t count = static_cast<size_t>(mesh.polygons);
    if (mesh.indices == Indices::Fewer) count -= 1;
    if (mesh.indices == Indices::More) count += 2;
    if (mesh.indices == Indices::Single) count = 1;
    WriteDword(s, static_cast<uint32_t>(count), ';');
    for (size_t i = 0; i < count; ++i)
        WriteDword(s, static_cast<uint32_t>((i + 1) % mesh.materials), i + 1 < count ? ',' : ';');
    WriteSeparator(s, ';');
    EndLine(s);
    int objects = mesh.materials;
    if (mesh.objects == MaterialObjects::Fewer) objects -= 1;
    if (mesh.objects == MaterialObjects::More) objects += 1;
    for (int i = 0; i < objects; ++i) {
        const bool byName =
            mesh.objects == MaterialObjects::ByName || (mesh.objects == MaterialObjects::Mixed && i % 2 == 0);
        if (byName) {
            Reference(s, "Shared" + std::to_string(i));
        } else {
            Material(s, "", i, mesh.textured, mesh.effect && i == 0);
        }
    }
    EndObject(s);
}

void Mesh(XStream& s, const MeshShape& mesh)
{
    std::vector<int> first; // each polygon's first vertex
    int vertices = 0;
    for (int p = 0; p < mesh.polygons; ++p) {
        first.push_back(vertices);
        vertices += CornersOf(mesh, p);
    }
    if (mesh.noVertices) vertices = 0;
    BeginObject(s, "Mesh", mesh.name);
    WriteDword(s, static_cast<uint32_t>(vertices), ';');
    EndLine(s);
    for (int p = 0, v = 0; p < mesh.polygons && v < vertices; ++p) {
        for (int k = 0; k < CornersOf(mesh, p); ++k, ++v) {
            float x, y;
            Corner(CornersOf(mesh, p), k, x, y);
            Floats(s, {mesh.x + 2.0f * p + x, y, 0.5f * p}, ';');
            ListEnd(s, static_cast<size_t>(v), static_cast<size_t>(vertices));
        }
    }
    if (vertices == 0) WriteSeparator(s, ';');
    const int polygons = mesh.noFaces ? 0 : mesh.polygons;
    const auto faces = [&](bool perFace) {
        WriteDword(s, static_cast<uint32_t>(polygons), ';');
        EndLine(s);
        for (int p = 0; p < polygons; ++p) {
            const int corners = CornersOf(mesh, p);
            WriteDword(s, static_cast<uint32_t>(corners), ';');
            for (int k = 0; k < corners; ++k) {
                int index = perFace ? p : first[static_cast<size_t>(p)] + k;
                if (!perFace && p == polygons - 1 && k == 1 && mesh.badIndex >= 0) index = mesh.badIndex;
                WriteDword(s, static_cast<uint32_t>(index), k + 1 < corners ? ',' : ';');
            }
            ListEnd(s, static_cast<size_t>(p), static_cast<size_t>(polygons));
        }
        if (polygons == 0) WriteSeparator(s, ';');
    };
    faces(false);
    if (mesh.normals != Normals::None) {
        BeginObject(s, "MeshNormals");
        const bool perFace = mesh.normals == Normals::PerFace;
        const int count = perFace ? polygons : vertices;
        WriteDword(s, static_cast<uint32_t>(count), ';');
        for (int n = 0; n < count; ++n) {
            // Tilted a little each, so that a transform shows on them.
            Floats(s, {0.0f, 0.75f - 0.25f * (n % 4), 0.8f}, ';');
            ListEnd(s, static_cast<size_t>(n), static_cast<size_t>(count));
        }
        if (count == 0) WriteSeparator(s, ';');
        faces(perFace);
        EndObject(s);
    }
    if (mesh.texcoords) {
        BeginObject(s, "MeshTextureCoords");
        WriteDword(s, static_cast<uint32_t>(vertices), ';');
        for (int v = 0; v < vertices; ++v) {
            Floats(s, {0.125f * (v % 8), 0.25f * (v / 8)}, ';');
            ListEnd(s, static_cast<size_t>(v), static_cast<size_t>(vertices));
        }
        EndObject(s);
    }
    if (mesh.colors) {
        BeginObject(s, "MeshVertexColors");
        WriteDword(s, static_cast<uint32_t>(vertices), ';');
        for (int v = 0; v < vertices; ++v) {
            WriteDword(s, static_cast<uint32_t>(v), ';');
            Floats(s, {0.25f * (v % 5), 1.0f, 0.5f, 0.75f}, ';');
            WriteSeparator(s, ';');
            ListEnd(s, static_cast<size_t>(v), static_cast<size_t>(vertices));
        }
        EndObject(s);
    }
    if (mesh.materials > 0) MaterialList(s, mesh);
    EndObject(s);
}

using Body = std::function<void(XStream&)>;

struct Sample {
    std::string name = {};
    Body body;
};

std::vector<Sample> Models()
{
    std::vector<Sample> models;
    const auto add = [&](std::string name, Body body) { models.push_back({std::move(name), std::move(body)}); };
    const auto mesh = [](MeshShape shape) { return [shape](XStream& s) { Mesh(s, shape); }; };

    // Face shapes and channels of one top-level mesh.
    for (int corners : {3, 4, 5, 6, 0}) {
        add("shape" + std::to_string(corners), mesh({.corners = corners, .polygons = 3}));
    }
    add("normals-per-vertex", mesh({.corners = 4, .normals = Normals::PerVertex}));
    add("normals-per-face", mesh({.corners = 0, .polygons = 3, .normals = Normals::PerFace}));
    add("texcoords", mesh({.corners = 4, .texcoords = true}));
    add("colors", mesh({.corners = 3, .colors = true}));
    add("all-channels",
        mesh({.corners = 0,
              .polygons = 4,
              .normals = Normals::PerFace,
              .texcoords = true,
              .colors = true,
              .materials = 2,
              .textured = true}));

    // Materials and material lists.
    for (int count : {1, 2, 3}) {
        add("materials" + std::to_string(count), mesh({.corners = 4, .polygons = 4, .materials = count}));
    }
    const std::pair<const char*, Indices> indices[] = {
        {"fewer", Indices::Fewer}, {"more", Indices::More}, {"single", Indices::Single}};
    for (const auto& [label, kind] : indices) {
        add(std::string("indices-") + label, mesh({.corners = 3, .polygons = 4, .materials = 2, .indices = kind}));
    }
    const std::pair<const char*, MaterialObjects> objects[] = {{"fewer", MaterialObjects::Fewer},
                                                               {"more", MaterialObjects::More},
                                                               {"by-name", MaterialObjects::ByName},
                                                               {"mixed", MaterialObjects::Mixed}};
    for (const auto& [label, kind] : objects) {
        add(std::string("material-objects-") + label, [kind](XStream& s) {
            for (int i = 0; i < 3; ++i) Material(s, "Shared" + std::to_string(i), 10 + i, i == 1, false);
            Mesh(s, {.corners = 4, .polygons = 3, .materials = 3, .objects = kind});
        });
    }
    add("materials-textured", mesh({.corners = 3, .polygons = 3, .materials = 3, .textured = true}));
    add("effect-instance", mesh({.corners = 3, .polygons = 2, .materials = 2, .effect = true}));
    add("shared-material-two-meshes", [](XStream& s) {
        Material(s, "Shared0", 7, true, false);
        Mesh(s, {.materials = 1, .objects = MaterialObjects::ByName});
        Mesh(s, {.x = 10.0f, .materials = 1, .objects = MaterialObjects::ByName});
    });
    add("meshes-with-and-without-materials", [](XStream& s) {
        Mesh(s, {.corners = 4});
        Mesh(s, {.x = 10.0f, .materials = 2});
        Mesh(s, {.x = 20.0f, .normals = Normals::PerVertex});
    });

    // Frames and their matrices, on meshes without normals (Wine's D3DX
    // moves normals by the frames' translations) and with triangles before
    // the last mesh (Wine's moves a later mesh's indices by the earlier
    // meshes' corners of triangles, not by their vertices).
    const MeshShape a{.corners = 3, .polygons = 3};
    const MeshShape b{.corners = 3, .x = 5.0f, .texcoords = true};
    add("frame-matrix-before", [=](XStream& s) {
        BeginObject(s, "Frame", "F");
        Translation(s, 1, 2, 3);
        Mesh(s, a);
        EndObject(s);
    });
    add("frame-matrix-after", [=](XStream& s) {
        BeginObject(s, "Frame", "F");
        Mesh(s, a);
        Translation(s, 1, 2, 3);
        EndObject(s);
    });
    add("frame-matrix-between", [=](XStream& s) {
        BeginObject(s, "Frame", "F");
        Mesh(s, a);
        Translation(s, 0, 0, 2);
        Mesh(s, b);
        EndObject(s);
    });
    add("frame-matrices-several", [=](XStream& s) {
        BeginObject(s, "Frame", "F");
        Translation(s, 0, 0, 2);
        const float rotation[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        Matrix(s, rotation);
        Mesh(s, a);
        Translation(s, 3, 0, 0);
        Mesh(s, b);
        EndObject(s);
    });
    add("frames-nested-translations", [=](XStream& s) {
        BeginObject(s, "Frame", "Outer");
        Translation(s, 1, 0, 0);
        Mesh(s, a);
        BeginObject(s, "Frame", "Inner");
        Translation(s, 0, 2, 0);
        Mesh(s, b);
        EndObject(s);
        EndObject(s);
    });
    add("frame-matrices-several-translations", [=](XStream& s) {
        BeginObject(s, "Frame", "F");
        Translation(s, 0, 0, 2);
        Translation(s, 1, 0, 0);
        Mesh(s, a);
        Translation(s, 3, 0, 0);
        Mesh(s, b);
        EndObject(s);
    });
    add("frame-normals", [](XStream& s) {
        BeginObject(s, "Frame", "F");
        const float turn[16] = {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 2, 3, 4, 1};
        Matrix(s, turn);
        Mesh(s, {.corners = 4, .normals = Normals::PerVertex});
        EndObject(s);
    });
    add("mesh-after-quads", [](XStream& s) {
        Mesh(s, {.corners = 4});
        Mesh(s, {.corners = 3, .x = 5.0f});
    });
    add("mesh-after-split-vertices", [](XStream& s) {
        Mesh(s, {.corners = 4, .normals = Normals::PerFace});
        Mesh(s, {.corners = 3, .x = 5.0f});
    });
    add("frames-nested", [=](XStream& s) {
        BeginObject(s, "Frame", "Outer");
        const float scale[16] = {2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0.5f, 0, 0, 1, 0, 1};
        Matrix(s, scale);
        Mesh(s, a);
        BeginObject(s, "Frame", "Inner");
        const float rotation[16] = {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 4, 0, 0, 1};
        Matrix(s, rotation);
        Mesh(s, b);
        BeginObject(s, "Frame", "Innermost");
        Mesh(s, {.corners = 5, .x = -6.0f, .normals = Normals::PerVertex});
        EndObject(s);
        EndObject(s);
        Translation(s, 0, -3, 0);
        Mesh(s, {.corners = 3, .x = 9.0f, .materials = 1});
        EndObject(s);
    });
    add("frame-without-matrix", [=](XStream& s) {
        BeginObject(s, "Frame", "F");
        Mesh(s, a);
        EndObject(s);
    });
    add("frame-empty-and-top-level-mesh", [=](XStream& s) {
        BeginObject(s, "Frame", "F");
        Translation(s, 1, 1, 1);
        EndObject(s);
        Mesh(s, b);
    });
    add("mesh-referenced-from-frame", [=](XStream& s) {
        MeshShape named = a;
        named.name = "Box";
        Mesh(s, named);
        BeginObject(s, "Frame", "F");
        Translation(s, 0, 5, 0);
        Reference(s, "Box");
        EndObject(s);
    });
    add("frames-siblings", [=](XStream& s) {
        for (int i = 0; i < 3; ++i) {
            BeginObject(s, "Frame", "F" + std::to_string(i));
            Translation(s, 0, static_cast<float>(i), 0);
            Mesh(s, {.corners = i < 2 ? 3 : 5, .x = 3.0f * i, .materials = i + 1});
            EndObject(s);
        }
    });

    // Meshes with nothing in them, and broken ones.
    add("mesh-no-vertices", mesh({.noVertices = true, .noFaces = true}));
    add("mesh-no-faces", mesh({.noFaces = true}));
    add("mesh-empty-beside-mesh", [](XStream& s) {
        Mesh(s, {.noVertices = true, .noFaces = true});
        Mesh(s, {.corners = 4});
    });
    add("index-out-of-range", mesh({.corners = 3, .badIndex = 6}));
    add("index-far-out-of-range", mesh({.corners = 4, .badIndex = 70000}));
    add("no-objects", [](XStream&) {});
    return models;
}

// Text variants of a text body: comments, and the separators written otherwise.
std::string Commented(const std::string& text)
{
    std::string out;
    size_t line = 0;
    for (const char c : text) {
        if (c == '\n') out += ++line % 2 == 0 ? " // a comment" : " # another";
        out.push_back(c);
    }
    return "// leading comment\n" + out;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

std::string Written(const Sample& model, const XEncoding& encoding, bool templates)
{
    XStream s = MakeXStream(encoding);
    if (encoding.format == XFormat::Text) EndLine(s);
    if (templates) {
        for (const xformat::Template* t : MeshTemplates()) WriteTemplate(s, *t);
        for (const char* name : {"IndexedColor", "MeshVertexColors"})
            WriteTemplate(s, *xformat::FindBuiltinTemplate(name));
    }
    model.body(s);
    return FinishXStream(s);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: xfile_samples OUTPUT_DIR\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    size_t written = 0;
    const auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(out / (name + ".x"), std::ios::binary) << bytes;
        ++written;
    };
    const XEncoding text{XFormat::Text, false, 32};
    const XEncoding binary{XFormat::Binary, false, 32};
    const std::string textHeader = XFileHeader(text), binaryHeader = XFileHeader(binary);

    for (const Sample& model : Models()) {
        const std::string body = Written(model, text, false);
        write(model.name, textHeader + body);
        write(model.name + "-templates", textHeader + Written(model, text, true));
        write(model.name + "-bin", binaryHeader + Written(model, binary, false));
        write(model.name + "-bin-templates", binaryHeader + Written(model, binary, true));
        write(model.name + "-comments", textHeader + Commented(body));
        write(model.name + "-commas", textHeader + Replaced(body, ";", ","));
        write(model.name + "-semicolons", textHeader + Replaced(body, ",", ";"));
        write(model.name + "-spaces", textHeader + Replaced(Replaced(body, ";", " "), ",", " "));
        write(model.name + "-single-separators", textHeader + Replaced(body, ";;", ";"));
    }

    // One model of every part, cut after each object's start and end and
    // inside a number; the binary one at every few bytes.
    const std::vector<Sample> models = Models();
    const Sample& whole =
        *std::find_if(models.begin(), models.end(), [](const Sample& m) { return m.name == "all-channels"; });
    const std::string body = Written(whole, text, true);
    size_t cuts = 0;
    for (size_t at = 0; at < body.size(); ++at) {
        if (body[at] == '{' || body[at] == '}' || (body[at] == '.' && at % 7 == 0)) {
            write("cut-text-" + std::to_string(at), textHeader + body.substr(0, at + 1));
            ++cuts;
        }
    }
    const std::string binaryBody = Written(whole, binary, true);
    for (size_t at = 0; at < binaryBody.size(); at += 1 + binaryBody.size() / 40) {
        write("cut-bin-" + std::to_string(at), binaryHeader + binaryBody.substr(0, at));
    }

    // Headers and files that are not .x files at all.
    const std::string mesh = Written(models[0], text, false);
    const std::pair<const char*, std::string> damaged[] = {
        {"empty-file", ""},
        {"header-only", textHeader},
        {"header-cut", textHeader.substr(0, 9)},
        {"junk-header", "this is no .x file at all" + mesh},
        {"junk-magic", "xoF 0303txt 0032" + mesh},
        {"version-0302", "xof 0302txt 0032" + mesh},
        {"version-0304", "xof 0304txt 0032" + mesh},
        {"version-junk", "xof 03a3txt 0032" + mesh},
        {"format-unknown", "xof 0303abc 0032" + mesh},
        {"float-size-16", "xof 0303txt 0016" + mesh},
        {"float-size-junk", "xof 0303txt 00x2" + mesh},
        {"float-size-64-text", "xof 0303txt 0064" + mesh},
        {"junk-after-header", textHeader + "@@@@" + mesh},
        {"junk-after-mesh", textHeader + mesh + "}}}"},
        {"unknown-template", textHeader + "Unknown { 1; }\n" + mesh},
        {"unclosed-brace", textHeader + Replaced(mesh, "}", "")},
        {"binary-junk", binaryHeader + std::string("\x07\x00\xff\xff\xff\xff", 6)},
    };
    for (const auto& [name, bytes] : damaged) write(name, bytes);

    // A binary triangle whose integers come as lists or single tokens, with
    // and without separator tokens after them.
    enum class Ints { List, ListThenSemicolon, ListThenComma, Singles, SinglesBare, SinglesDoubleComma };
    const std::pair<const char*, Ints> binaryForms[] = {{"list", Ints::List},
                                                        {"list-semicolon", Ints::ListThenSemicolon},
                                                        {"list-comma", Ints::ListThenComma},
                                                        {"singles", Ints::Singles},
                                                        {"singles-bare", Ints::SinglesBare},
                                                        {"singles-double-comma", Ints::SinglesDoubleComma}};
    for (const auto& [label, form] : binaryForms) {
        XStream s = MakeXStream(binary);
        const auto integers = [&, form = form](std::initializer_list<uint32_t> values) {
            if (form == Ints::List || form == Ints::ListThenSemicolon || form == Ints::ListThenComma) {
                const auto word = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
                WriteToken(s, xformat::kIntegerList);
                WriteRaw(s, word(static_cast<uint32_t>(values.size())));
                for (uint32_t v : values) WriteRaw(s, word(v));
                if (form == Ints::ListThenSemicolon) WriteToken(s, xformat::kSemicolon);
                if (form == Ints::ListThenComma) WriteToken(s, xformat::kComma);
                return;
            }
            for (uint32_t v : values) {
                WriteInteger(s, v);
                if (form != Ints::SinglesBare)
                    WriteToken(s, form == Ints::Singles ? xformat::kSemicolon : xformat::kComma);
                if (form == Ints::SinglesDoubleComma) WriteToken(s, xformat::kComma);
            }
        };
        WriteName(s, "Mesh");
        WriteToken(s, xformat::kOBrace);
        integers({3});
        for (float v : {0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f}) WriteFloat(s, v, ';');
        integers({1, 3, 0, 1, 2});
        WriteToken(s, xformat::kCBrace);
        write(std::string("binary-integers-") + label, binaryHeader + FinishXStream(s));
    }
    std::printf("%zu files (%zu cuts of the text model)\n", written, cuts);
    return 0;
}
