// Frames the portable device draws without pacing: a simple lit, textured
// scene (ground, sky box, crates) plus the four overlay lines, presented with
// vsync off. Reports frames per second and the drawing thread's CPU time per
// frame (and the whole process's, which includes the rasteriser's threads).
// Run under a display, e.g. xvfb-run -a -s "-screen 0 1024x768x24" ./d3d_frame_bench
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/portable/d3d9/test_hooks.h"
#include "scene/render_states.h"
#include "platform/portable/d3d9/managed_resources.h"
#include "tests/portable/d3d9/test_support.h"

using namespace portable;

namespace {
constexpr int kCrates = 24;

struct Scene {
    SDL_Window* window = nullptr;
    IDirect3DDevice9* device = nullptr;
    ID3DXFont* font = nullptr;
    IDirect3DTexture9* texture = nullptr;
    MeshData ground;
    MeshData box; // crates, and the sky box from inside
};

void AddFace(MeshData& mesh, const float (&corners)[4][3], D3DCOLOR color)
{
    const auto base = static_cast<uint32_t>(mesh.vertices.size());
    const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 4; ++i) {
        MeshVertex v{};
        for (int k = 0; k < 3; ++k) v.position[k] = corners[i][k];
        v.texcoord[0] = uv[i][0];
        v.texcoord[1] = uv[i][1];
        v.diffuse = color;
        mesh.vertices.push_back(v);
    }
    for (uint32_t index : {0u, 1u, 2u, 0u, 2u, 3u}) mesh.indices.push_back(base + index);
}

void FinishMesh(MeshData& mesh, DWORD fvf)
{
    mesh.fvf = fvf;
    const auto faces = static_cast<DWORD>(mesh.indices.size() / 3);
    mesh.attributes.assign(faces, 0);
    mesh.attributeTable = {SubsetRange{0, 0, faces, 0, static_cast<DWORD>(mesh.vertices.size())}};
}

// A 64 x 64 grid of quads on y = 0.
void BuildGround(MeshData& mesh)
{
    const int cells = 64;
    const float size = 8.0f;
    for (int z = 0; z < cells; ++z) {
        for (int x = 0; x < cells; ++x) {
            const float x0 = (x - cells / 2) * size, z0 = (z - cells / 2) * size;
            const float corners[4][3] = {
                {x0, 0, z0 + size}, {x0 + size, 0, z0 + size}, {x0 + size, 0, z0}, {x0, 0, z0}};
            AddFace(mesh, corners, 0xFFFFFFFF);
        }
    }
    FinishMesh(mesh, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
}

// A unit cube, faces clockwise from outside.
void BuildBox(MeshData& mesh)
{
    const float faces[6][4][3] = {
        {{-1, 1, -1}, {1, 1, -1}, {1, -1, -1}, {-1, -1, -1}}, {{1, 1, 1}, {-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}},
        {{-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}}, {{1, 1, -1}, {1, 1, 1}, {1, -1, 1}, {1, -1, -1}},
        {{-1, 1, 1}, {1, 1, 1}, {1, 1, -1}, {-1, 1, -1}},     {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}},
    };
    for (const auto& face : faces) AddFace(mesh, face, 0xFFFFFFFF);
    FinishMesh(mesh, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
}

std::filesystem::path WriteCheckerTexture()
{
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("d3d_frame_bench_" + std::to_string(::getpid()) + ".tga");
    const int size = 256;
    unsigned char header[18] = {};
    header[2] = 2;
    header[12] = size & 0xFF;
    header[13] = size >> 8;
    header[14] = size & 0xFF;
    header[15] = size >> 8;
    header[16] = 32;
    header[17] = 0x28;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return {};
    std::fwrite(header, 1, sizeof header, file);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const unsigned char shade = ((x / 32 + y / 32) % 2 != 0) ? 200 : 120;
            const unsigned char bgra[4] = {static_cast<unsigned char>(shade / 2), shade, shade, 255};
            std::fwrite(bgra, 1, 4, file);
        }
    }
    std::fclose(file);
    return path;
}

bool OpenScene(Scene& scene, UINT width, UINT height, std::string& error)
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = std::string("no display: ") + SDL_GetError();
        return false;
    }
    scene.window = SDL_CreateWindow("bench", 0, 0, static_cast<int>(width), static_cast<int>(height),
                                    SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    if (scene.window == nullptr) {
        error = SDL_GetError();
        return false;
    }
    D3DPRESENT_PARAMETERS params = d3dtest::WindowedParams(width, height); // pacing off
    if (FAILED(CreateDeviceOnSdlWindow(scene.window, &params, &scene.device))) {
        error = "device creation failed";
        return false;
    }
    if (FAILED(D3DXCreateFontW(scene.device, -18, 0, FW_DONTCARE, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Arial", &scene.font))) {
        error = "font creation failed";
        return false;
    }
    const std::filesystem::path texturePath = WriteCheckerTexture();
    const std::wstring widePath(texturePath.native().begin(), texturePath.native().end());
    const HRESULT loaded = D3DXCreateTextureFromFileExW(scene.device, widePath.c_str(), D3DX_DEFAULT, D3DX_DEFAULT,
                                                        D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                                        D3DX_DEFAULT, 0, nullptr, nullptr, &scene.texture);
    std::error_code ignored;
    std::filesystem::remove(texturePath, ignored);
    if (FAILED(loaded)) {
        error = "texture creation failed";
        return false;
    }
    BuildGround(scene.ground);
    BuildBox(scene.box);
    return true;
}

void CloseScene(Scene& scene)
{
    ReleaseGpuObjects(scene.ground.gpu);
    ReleaseGpuObjects(scene.box.gpu);
    if (scene.texture != nullptr) scene.texture->Release();
    if (scene.font != nullptr) scene.font->Release();
    if (scene.device != nullptr) scene.device->Release();
    if (scene.window != nullptr) SDL_DestroyWindow(scene.window);
    scene = Scene{};
}

void DrawBox(IDirect3DDevice9* device, MeshData& box, float x, float y, float z, float scale, float yaw)
{
    D3DXMATRIX scaling, rotation, translation, world;
    D3DXMatrixIdentity(&scaling);
    scaling._11 = scaling._22 = scaling._33 = scale;
    D3DXMatrixRotationYawPitchRoll(&rotation, yaw, 0.0f, 0.0f);
    D3DXMatrixTranslation(&translation, x, y, z);
    D3DXMatrixMultiply(&world, &scaling, &rotation);
    D3DXMatrixMultiply(&world, &world, &translation);
    device->SetTransform(D3DTS_WORLD, &world);
    DrawMeshSubset(device, box, 0);
}

// One frame in the order the program draws it.
void DrawFrame(Scene& scene, UINT width, UINT height, int frame, bool withScene)
{
    IDirect3DDevice9* device = scene.device;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF808080, 1.0f, 0);
    device->BeginScene();
    if (withScene) {
        D3DXMATRIX view, projection, identity;
        const float angle = static_cast<float>(frame) * 0.01f;
        const D3DXVECTOR3 eye(std::sin(angle) * 60.0f, 25.0f, std::cos(angle) * -60.0f), at(0, 5, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&projection, 3.14159265f / 4.0f, float(width) / float(height), 1.0f, 1000.0f);
        device->SetTransform(D3DTS_VIEW, &view);
        device->SetTransform(D3DTS_PROJECTION, &projection);
        SetSkyStates(device);
        device->SetTexture(0, scene.texture);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW); // the sky box is seen from inside
        DrawBox(device, scene.box, eye.x, eye.y, eye.z, 400.0f, 0.0f);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);

        D3DMATERIAL9 material{};
        material.Diffuse = material.Ambient = D3DCOLORVALUE{0.9f, 0.85f, 0.8f, 1.0f};
        SetEntityStates(device);
        device->SetMaterial(&material);
        D3DXMatrixIdentity(&identity);
        device->SetTransform(D3DTS_WORLD, &identity);
        DrawMeshSubset(device, scene.ground, 0);
        for (int i = 0; i < kCrates; ++i) {
            const float a = static_cast<float>(i) * 0.7f;
            DrawBox(device, scene.box, std::cos(a) * (10.0f + i * 2.0f), 2.0f, std::sin(a) * (10.0f + i * 2.0f), 2.0f,
                    a);
        }
    }

    const wchar_t* lines[4] = {L"Press 'Esc' to quit.", L"Press W, A, S, D, PgUp and PgDn to move.",
                               L"800 x 600 @ 60 Hz", L"FPS: 59.9401"};
    const int tops[4] = {10, 30, 55, 75};
    const D3DCOLOR colors[4] = {0xFFFFFF00, 0xFFFFFF00, 0xFFFFFFFF, 0xFFFFFFFF};
    for (int i = 0; i < 4; ++i) {
        RECT rect{10, tops[i], 200, tops[i] + 20};
        scene.font->DrawTextW(nullptr, lines[i], -1, &rect, DT_NOCLIP, colors[i]);
    }
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

void RunFrames(benchmark::State& state, bool withScene)
{
    const auto width = static_cast<UINT>(state.range(0));
    const auto height = static_cast<UINT>(state.range(1));
    Scene scene;
    std::string error;
    if (!OpenScene(scene, width, height, error)) {
        CloseScene(scene);
        state.SkipWithError(error.c_str());
        return;
    }
    int frame = 0;
    DrawFrame(scene, width, height, frame++, withScene); // uploads and glyphs before timing
    for (auto _ : state) DrawFrame(scene, width, height, frame++, withScene);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    CloseScene(scene);
}

void SceneWithOverlay(benchmark::State& state) { RunFrames(state, true); }

void OverlayOnly(benchmark::State& state) { RunFrames(state, false); }
} // namespace

BENCHMARK(SceneWithOverlay)->Args({800, 600})->Args({1024, 768})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SceneWithOverlay)->Args({800, 600})->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(OverlayOnly)->Args({800, 600})->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
