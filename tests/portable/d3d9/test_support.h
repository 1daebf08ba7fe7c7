// Shared pieces of the device tests: an OpenGL window under the test display,
// devices on it, geometry and pixel reading.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/portable/d3d9/managed_resources.h"

namespace portable {

namespace d3dtest {

// Starts SDL video; on failure the message says why (no display).
bool StartVideo(std::string& error);

D3DPRESENT_PARAMETERS WindowedParams(UINT width, UINT height);
// Full screen in the display's current mode.
D3DPRESENT_PARAMETERS FullscreenParams();

struct Pixels {
    std::vector<D3DCOLOR> values;
    UINT width = 0;
    UINT height = 0;
    D3DCOLOR At(UINT x, UINT y) const { return values[static_cast<size_t>(y) * width + x]; }
};
Pixels ReadBack(IDirect3DDevice9* device);

// One triangle list in whatever space the transforms expect; each quad is two
// triangles clockwise on screen when y points up and x right.
struct Quad {
    float left, top, right, bottom, z;
    D3DCOLOR color;
};
// Mesh data that lets the device go of it when destroyed, as a D3DX mesh does.
struct MeshRelease {
    void operator()(MeshData* mesh) const;
};
using TestMesh = std::unique_ptr<MeshData, MeshRelease>;

TestMesh MakeQuads(const std::vector<Quad>& quads, DWORD fvf);
// A single triangle with its corners in the given order.
TestMesh MakeTriangle(const float (&corners)[3][2], float z, D3DCOLOR color);

int Channel(D3DCOLOR color, int shift);
// Each of R, G, B within tolerance.
::testing::AssertionResult ColorNear(D3DCOLOR actual, D3DCOLOR expected, int tolerance);

// A window and a windowed device of the given size; every test starts from a fresh one.
class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void Draw(const TestMesh& mesh); // BeginScene, subset 0, EndScene

    static constexpr UINT kWidth = 64;
    static constexpr UINT kHeight = 64;
    SDL_Window* window = nullptr;
    IDirect3DDevice9* device = nullptr;
};

} // namespace d3dtest

} // namespace portable
