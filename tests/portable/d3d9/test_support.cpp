#include "tests/portable/d3d9/test_support.h"

#include <cstdlib>

#include "platform/portable/d3d9/test_hooks.h"

namespace portable {

namespace d3dtest {

bool StartVideo(std::string& error)
{
    const char* display = std::getenv("DISPLAY");
    const std::string advice = std::string(" (DISPLAY=") + (display != nullptr ? display : "unset")
        + "); run these tests under xvfb-run, as CTest does";
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = std::string("no display for the device tests: ") + SDL_GetError() + advice;
        return false;
    }
    // SDL falls back to drivers without a screen; these tests need display modes and windows.
    const std::string driver = SDL_GetCurrentVideoDriver();
    if (driver != "x11" && driver != "wayland") {
        error = "no display server for the device tests: SDL chose its '" + driver + "' video driver" + advice;
        return false;
    }
    return true;
}

D3DPRESENT_PARAMETERS WindowedParams(UINT width, UINT height)
{
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = width;
    params.BackBufferHeight = height;
    params.BackBufferFormat = D3DFMT_A8R8G8B8;
    params.BackBufferCount = 1;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.Windowed = TRUE;
    params.EnableAutoDepthStencil = TRUE;
    params.AutoDepthStencilFormat = D3DFMT_D16;
    params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return params;
}

D3DPRESENT_PARAMETERS FullscreenParams()
{
    SDL_DisplayMode mode{};
    SDL_GetCurrentDisplayMode(0, &mode);
    D3DPRESENT_PARAMETERS params = WindowedParams(static_cast<UINT>(mode.w), static_cast<UINT>(mode.h));
    params.Windowed = FALSE;
    params.FullScreen_RefreshRateInHz = mode.refresh_rate > 0 ? static_cast<UINT>(mode.refresh_rate) : 0;
    params.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    return params;
}

Pixels ReadBack(IDirect3DDevice9* device)
{
    Pixels pixels;
    EXPECT_TRUE(ReadBackBuffer(device, pixels.values, pixels.width, pixels.height));
    return pixels;
}

void MeshRelease::operator()(MeshData* mesh) const
{
    ReleaseGpuObjects(mesh->gpu);
    delete mesh;
}

TestMesh MakeQuads(const std::vector<Quad>& quads, DWORD fvf)
{
    TestMesh made(new MeshData);
    MeshData& mesh = *made;
    mesh.fvf = fvf;
    for (const Quad& q : quads) {
        const auto base = static_cast<uint32_t>(mesh.vertices.size());
        const float corners[4][4] = {
            {q.left, q.top, 0.0f, 0.0f},
            {q.right, q.top, 1.0f, 0.0f},
            {q.right, q.bottom, 1.0f, 1.0f},
            {q.left, q.bottom, 0.0f, 1.0f},
        };
        for (const auto& c : corners) {
            MeshVertex v{};
            v.position[0] = c[0];
            v.position[1] = c[1];
            v.position[2] = q.z;
            v.normal[2] = -1.0f;
            v.texcoord[0] = c[2];
            v.texcoord[1] = c[3];
            v.diffuse = q.color;
            mesh.vertices.push_back(v);
        }
        // top-left, top-right, bottom-right: clockwise on screen.
        for (uint32_t index : {0u, 1u, 2u, 0u, 2u, 3u}) mesh.indices.push_back(base + index);
    }
    const auto faces = static_cast<DWORD>(mesh.indices.size() / 3);
    mesh.attributes.assign(faces, 0);
    mesh.attributeTable.push_back(SubsetRange{0, 0, faces, 0, static_cast<DWORD>(mesh.vertices.size())});
    return made;
}

TestMesh MakeTriangle(const float (&corners)[3][2], float z, D3DCOLOR color)
{
    TestMesh made(new MeshData);
    MeshData& mesh = *made;
    mesh.fvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
    for (const auto& c : corners) {
        MeshVertex v{};
        v.position[0] = c[0];
        v.position[1] = c[1];
        v.position[2] = z;
        v.diffuse = color;
        mesh.vertices.push_back(v);
    }
    mesh.indices = {0, 1, 2};
    mesh.attributes = {0};
    mesh.attributeTable.push_back(SubsetRange{0, 0, 1, 0, 3});
    return made;
}

int Channel(D3DCOLOR color, int shift) { return static_cast<int>((color >> shift) & 0xFF); }

::testing::AssertionResult ColorNear(D3DCOLOR actual, D3DCOLOR expected, int tolerance)
{
    for (int shift : {16, 8, 0}) {
        if (std::abs(Channel(actual, shift) - Channel(expected, shift)) > tolerance) {
            char text[96];
            std::snprintf(text, sizeof text, "color %08X, expected %08X (±%d per channel)",
                          static_cast<unsigned>(actual), static_cast<unsigned>(expected), tolerance);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}

void DeviceTest::SetUp()
{
    std::string error;
    ASSERT_TRUE(StartVideo(error)) << error;
    // The device draws on the window when its framebuffer has the bits the
    // back buffer needs (DEVICE_TEST_TARGET=window), else into its own.
    const char* target = std::getenv("DEVICE_TEST_TARGET");
    const bool onWindow = target != nullptr && std::string(target) == "window";
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, onWindow ? 8 : 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, onWindow ? 24 : 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, onWindow ? 8 : 0);
    window = SDL_CreateWindow("device test", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    D3DPRESENT_PARAMETERS params = WindowedParams(kWidth, kHeight);
    ASSERT_EQ(CreateDeviceOnSdlWindow(window, &params, &device), D3D_OK);
    ASSERT_EQ(DrawsOnWindow(device), onWindow);
}

void DeviceTest::TearDown()
{
    if (device != nullptr) {
        EXPECT_EQ(device->Release(), 0u);
    }
    if (window != nullptr) SDL_DestroyWindow(window);
}

void DeviceTest::Draw(const TestMesh& mesh)
{
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(DrawMeshSubset(device, *mesh, 0), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
}

} // namespace d3dtest

} // namespace portable
