// Load speed of the portable D3DX readers: a grid model in each .x encoding,
// many small meshes in one file, and a texture decoded with its mip chain. Prints figures; asserts nothing.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/portable/d3dx/image/texture.h"
#include "platform/portable/d3dx/xfile/mesh_builder.h"
#include "platform/portable/d3dx/xfile/parser.h"
#include "tests/portable/d3dx/image/test_files.h"
#include "tests/portable/d3dx/xfile/encoded_files.h"

using namespace portable;

namespace {

// A side x side grid of quads with normals, texture coordinates and one material.
std::string GridModel(int side)
{
    std::string text = "xof 0303txt 0032\nFrame Root {\n FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, "
                       "0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }\n Mesh Grid {\n";
    const int vertices = side * side;
    const int quads = (side - 1) * (side - 1);
    auto number = [](double value) { return std::to_string(value); };
    text += std::to_string(vertices) + ";\n";
    for (int i = 0; i < vertices; ++i) {
        text += number(i % side * 0.5) + ";" + number((i * 7919 % 1000) / 1000.0) + ";" + number(i / side * 0.5) + ";";
        text += i + 1 < vertices ? ",\n" : ";\n";
    }
    std::string faces = std::to_string(quads) + ";\n";
    for (int y = 0; y + 1 < side; ++y) {
        for (int x = 0; x + 1 < side; ++x) {
            const int a = y * side + x;
            faces += "4;" + std::to_string(a) + "," + std::to_string(a + 1) + "," + std::to_string(a + side + 1) + ","
                + std::to_string(a + side) + ";";
            faces += (y + 2 < side || x + 2 < side) ? ",\n" : ";\n";
        }
    }
    text += faces;
    text += "MeshNormals { " + std::to_string(vertices) + ";\n";
    for (int i = 0; i < vertices; ++i) text += std::string("0.0;1.0;0.0;") + (i + 1 < vertices ? "," : ";");
    text += "\n" + faces + "}\n";
    text += "MeshTextureCoords { " + std::to_string(vertices) + ";\n";
    for (int i = 0; i < vertices; ++i) {
        text += number(i % side / double(side)) + ";" + number(i / side / double(side)) + ";";
        text += i + 1 < vertices ? "," : ";";
    }
    text += "\n}\nMeshMaterialList { 1; 1; 0;; Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; "
            "TextureFilename { \"grid.png\"; } } }\n }\n}\n";
    return text;
}

enum Form { kText, kBinary, kCompressedBinary };

// One load, as D3DXLoadMeshFromX makes it from the file's bytes.
bool Load(const std::string& file, XMeshResult& result)
{
    XDocument document;
    return SUCCEEDED(ParseXFile(file.data(), file.size(), document))
        && SUCCEEDED(BuildXMesh(document, D3DXMESH_MANAGED, true, result));
}

void LoadModel(benchmark::State& state)
{
    const std::string text = GridModel(static_cast<int>(state.range(0)));
    std::string file = text;
    if (state.range(1) == kBinary) file = XTextToBinary(text);
    if (state.range(1) == kCompressedBinary) file = XCompress(XTextToBinary(text));
    for (auto _ : state) {
        XMeshResult result;
        if (!Load(file, result)) {
            state.SkipWithError("the model does not load");
            break;
        }
        benchmark::DoNotOptimize(result.mesh.vertices.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(file.size()));
    state.counters["file_bytes"] = static_cast<double>(file.size());
}
BENCHMARK(LoadModel)
    ->ArgsProduct({{32, 320}, {kText, kBinary, kCompressedBinary}})
    ->ArgNames({"side", "form"})
    ->Unit(benchmark::kMillisecond);

// Many small meshes merged into one: the cost must grow with the total size,
// not with the number of meshes times it.
void LoadManyMeshes(benchmark::State& state)
{
    std::string file = "xof 0303txt 0032\n";
    for (int64_t i = 0; i < state.range(0); ++i) {
        file += "Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 20;";
        for (int f = 0; f < 20; ++f) file += f + 1 < 20 ? " 3;0,1,2;," : " 3;0,1,2;;";
        file += " }\n";
    }
    for (auto _ : state) {
        XMeshResult result;
        if (!Load(file, result)) {
            state.SkipWithError("the model does not load");
            break;
        }
        benchmark::DoNotOptimize(result.mesh.indices.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(LoadManyMeshes)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);

void LoadTexture(benchmark::State& state)
{
    const uint32_t side = static_cast<uint32_t>(state.range(0));
    const std::string file = MakePng(Pattern(side, side), 3);
    for (auto _ : state) {
        TextureData texture;
        D3DXIMAGE_INFO info{};
        if (FAILED(LoadTextureData(reinterpret_cast<const uint8_t*>(file.data()), file.size(), TextureRequest{},
                                   kMaxTextureSide, texture, info))) {
            state.SkipWithError("the texture does not load");
            break;
        }
        benchmark::DoNotOptimize(texture.levels.data());
    }
}
BENCHMARK(LoadTexture)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
