// Clearing, scene rules, state calls, Reset, the lifetime of uploaded resources
// and where the driver's threads run.
#include <sched.h>

#include <utility>
#include <vector>

#include "platform/portable/d3d9/gl/raster_threads.h"
#include "platform/portable/d3d9/test_hooks.h"
#include "tests/portable/d3d9/test_support.h"

using namespace portable;

namespace {
using d3dtest::DeviceTest;
using d3dtest::MakeQuads;
using d3dtest::Quad;
using d3dtest::ReadBack;

constexpr D3DCOLOR kGrey = 0xFF808080;
constexpr D3DCOLOR kRed = 0xFFFF0000;

class ClearTest : public DeviceTest, public ::testing::WithParamInterface<D3DCOLOR> {};

TEST_P(ClearTest, FillsTheWholeTargetWithTheColor)
{
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, GetParam(), 1.0f, 0), D3D_OK);
    const d3dtest::Pixels pixels = ReadBack(device);
    ASSERT_EQ(pixels.width, kWidth);
    ASSERT_EQ(pixels.height, kHeight);
    for (D3DCOLOR value : pixels.values) ASSERT_EQ(value, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Colors, ClearTest,
                         ::testing::Values(0xFF808080u, 0xFF000000u, 0xFFFFFFFFu, 0xFF123456u, 0x80FEDCBAu,
                                           0x00000000u));

TEST_F(DeviceTest, ClearWithRectanglesTouchesOnlyThem)
{
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
    const D3DRECT rects[] = {{2, 3, 10, 7}, {60, 60, 100, 100}, {30, 30, 20, 40}}; // last one is empty
    ASSERT_EQ(device->Clear(3, rects, D3DCLEAR_TARGET, kRed, 1.0f, 0), D3D_OK);
    const d3dtest::Pixels pixels = ReadBack(device);
    for (UINT y = 0; y < kHeight; ++y) {
        for (UINT x = 0; x < kWidth; ++x) {
            const bool inside = (x >= 2 && x < 10 && y >= 3 && y < 7) || (x >= 60 && y >= 60);
            ASSERT_EQ(pixels.At(x, y), inside ? kRed : kGrey) << x << "," << y;
        }
    }
}

TEST_F(DeviceTest, ClearingBuffersTheDeviceLacksIsInvalid)
{
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL); // D16 has no stencil

    SDL_Window* other = SDL_CreateWindow("no depth", 0, 0, 32, 32, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    ASSERT_NE(other, nullptr);
    D3DPRESENT_PARAMETERS params = d3dtest::WindowedParams(32, 32);
    params.EnableAutoDepthStencil = FALSE;
    IDirect3DDevice9* withoutDepth = nullptr;
    ASSERT_EQ(CreateDeviceOnSdlWindow(other, &params, &withoutDepth), D3D_OK);
    EXPECT_EQ(withoutDepth->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(withoutDepth->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    withoutDepth->Release();
    SDL_DestroyWindow(other);
}

// The device draws on the window while its framebuffer fits the back buffer
// and into a framebuffer object of its own while it does not; either way the
// back buffer keeps its size and what is drawn.
TEST_F(DeviceTest, TheBackBufferFollowsTheWindowsSize)
{
    const bool startedOnWindow = DrawsOnWindow(device);
    for (int scale : {2, 1}) {
        SDL_SetWindowSize(window, static_cast<int>(kWidth) * scale, static_cast<int>(kHeight) * scale);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        EXPECT_EQ(DrawsOnWindow(device), scale == 1 && startedOnWindow) << "scale " << scale;
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kRed, 1.0f, 0), D3D_OK);
        const d3dtest::Pixels pixels = ReadBack(device);
        ASSERT_EQ(pixels.width, kWidth);
        for (D3DCOLOR value : pixels.values) ASSERT_EQ(value, kRed) << "scale " << scale;
    }
}

TEST_F(DeviceTest, ScenesDoNotNest)
{
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(DeviceTest, StateCallsRejectWhatDirect3DRejects)
{
    D3DMATRIX identity{};
    EXPECT_EQ(device->SetTransform(D3DTS_WORLD, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(1), &identity), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTransform(D3DTS_WORLDMATRIX(3), &identity), D3D_OK);
    EXPECT_EQ(device->SetMaterial(nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(0), 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(500), 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderState(D3DRS_FOGENABLE, FALSE), D3D_OK);
    EXPECT_EQ(device->SetSamplerState(16, D3DSAMP_MINFILTER, D3DTEXF_LINEAR), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetSamplerState(0, static_cast<D3DSAMPLERSTATETYPE>(99), 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetSamplerState(15, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP), D3D_OK);
    EXPECT_EQ(device->SetTexture(16, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTexture(0, nullptr), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    RECT source{0, 0, 8, 8};
    EXPECT_EQ(device->Present(&source, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL); // discard swap effect
}

TEST_F(DeviceTest, ResetRestoresDefaultStatesAndKeepsManagedMeshes)
{
    d3dtest::TestMesh quad = MakeQuads({Quad{-1.0f, 1.0f, 1.0f, -1.0f, 0.5f, kRed}}, D3DFVF_XYZ | D3DFVF_DIFFUSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kGrey, 1.0f, 0);
    Draw(quad);
    EXPECT_EQ(ReadBack(device).At(32, 32), kRed);
    const unsigned vertexArray = quad->gpu.vertexArray;
    ASSERT_NE(vertexArray, 0u);

    D3DPRESENT_PARAMETERS params = d3dtest::WindowedParams(kWidth, kHeight);
    ASSERT_EQ(device->Reset(&params), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);

    // Lighting is on again: no lights, ambient 0, so the quad is black.
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kGrey, 1.0f, 0);
    Draw(quad);
    EXPECT_EQ(ReadBack(device).At(32, 32), 0xFF000000u);
    EXPECT_EQ(quad->gpu.vertexArray, vertexArray) << "the mesh was uploaded again";
}

TEST_F(DeviceTest, ResetCanChangeTheBackBufferSize)
{
    D3DPRESENT_PARAMETERS params = d3dtest::WindowedParams(40, 24);
    ASSERT_EQ(device->Reset(&params), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kRed, 1.0f, 0);
    const d3dtest::Pixels pixels = ReadBack(device);
    EXPECT_EQ(pixels.width, 40u);
    EXPECT_EQ(pixels.height, 24u);

    D3DPRESENT_PARAMETERS bad = params;
    bad.SwapEffect = static_cast<D3DSWAPEFFECT>(9);
    EXPECT_EQ(device->Reset(&bad), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    ASSERT_EQ(device->Reset(&params), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
}

// Whether the driver waits for the vertical blank or the device keeps the
// retraces itself, interval one shows at most one frame a refresh.
TEST_F(DeviceTest, IntervalOnePresentsAtMostOnceARefresh)
{
    D3DPRESENT_PARAMETERS params = d3dtest::WindowedParams(kWidth, kHeight);
    params.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    ASSERT_EQ(device->Reset(&params), D3D_OK);
    SDL_DisplayMode mode{};
    ASSERT_EQ(SDL_GetCurrentDisplayMode(0, &mode), 0);
    const Uint64 periodNs = 1000000000u / static_cast<Uint64>(mode.refresh_rate > 0 ? mode.refresh_rate : 60);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    const Uint64 start = SDL_GetPerformanceCounter();
    constexpr int kFrames = 4;
    for (int frame = 0; frame < kFrames; ++frame)
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    const Uint64 elapsedNs = (SDL_GetPerformanceCounter() - start) * 1000000000u / SDL_GetPerformanceFrequency();
    EXPECT_GE(elapsedNs, (kFrames - 1) * periodNs);
}

TEST_F(DeviceTest, ResourcesOutlivingTheDeviceAreLetGo)
{
    d3dtest::TestMesh quad = MakeQuads({Quad{-1.0f, 1.0f, 1.0f, -1.0f, 0.5f, kRed}}, D3DFVF_XYZ);
    Draw(quad);
    EXPECT_EQ(quad->gpu.owner, device);
    EXPECT_EQ(device->Release(), 0u);
    device = nullptr;
    EXPECT_EQ(quad->gpu.owner, nullptr);
    EXPECT_EQ(quad->gpu.vertexArray, 0u);
    ReleaseGpuObjects(quad->gpu); // what the mesh does when it goes: harmless now
}

TEST_F(DeviceTest, ReleasedObjectsAreUploadedAgainOnNextUse)
{
    d3dtest::TestMesh quad = MakeQuads({Quad{-1.0f, 1.0f, 1.0f, -1.0f, 0.5f, kRed}}, D3DFVF_XYZ | D3DFVF_DIFFUSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    Draw(quad);
    ReleaseGpuObjects(quad->gpu);
    EXPECT_EQ(quad->gpu.owner, nullptr);
    quad->vertices[0].diffuse = quad->vertices[1].diffuse = quad->vertices[2].diffuse = quad->vertices[3].diffuse =
        0xFF00FF00;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kGrey, 1.0f, 0);
    Draw(quad);
    EXPECT_EQ(ReadBack(device).At(32, 32), 0xFF00FF00u);
}

} // namespace

// Under llvmpipe (the test display's driver) each rasterizer thread of the
// device's context keeps the processor of its number.
TEST_F(DeviceTest, TheDriversRasterThreadsKeepAProcessorEach)
{
    const std::vector<int> processors = UsableProcessors();
    ASSERT_FALSE(processors.empty());
    const std::vector<RasterThread> threads = RasterThreads();
    for (const RasterThread& thread : threads) {
        cpu_set_t set;
        CPU_ZERO(&set);
        ASSERT_EQ(sched_getaffinity(thread.tid, sizeof set, &set), 0) << thread.tid;
        ASSERT_LT(static_cast<size_t>(thread.index), processors.size()) << thread.index;
        EXPECT_EQ(CPU_COUNT(&set), 1) << "llvmpipe-" << thread.index;
        EXPECT_TRUE(CPU_ISSET(processors[static_cast<size_t>(thread.index)], &set)) << "llvmpipe-" << thread.index;
    }
    EXPECT_FALSE(threads.empty()) << "no llvmpipe-N threads: not the test display's driver";

    for (const auto& [name, index] : {std::pair<const char*, int>{"llvmpipe-0", 0},
                                      {"llvmpipe-12", 12},
                                      {"llvmpipe-", -1},
                                      {"llvmpipe-1x", -1},
                                      {"llvmpipe--1", -1},
                                      {"gallium_drv", -1},
                                      {"", -1}}) {
        EXPECT_EQ(RasterThreadIndex(name), index) << name;
    }
}
