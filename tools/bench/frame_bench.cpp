// CPU time of one frame's system work on the native build: the player
// controls, the scene update and the frame's drawing calls, with the real
// portable platform and the shipped models. The thread's CPU time is what
// counts; the rasteriser's own threads are not the program's work.
// Run from the repository root inside a display offering 800x600 at 60 Hz
// (tools/bench/run-benchmarks.sh does). WholeFrame also counts the heap
// allocations the main thread makes per frame (malloc and everything on it).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <dlfcn.h>
#include <execinfo.h>

#include <benchmark/benchmark.h>

#include "app/application.h"
#include "scene/scene.h"

// Every allocation of the process goes through these. While a measurement
// asks for it, the main thread's are counted, and told apart: the OpenGL
// driver's own (Mesa compiling and managing its state on the calling thread)
// and the program's, everything else.
extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* block, size_t size);

namespace {
thread_local bool t_counting = false;
uint64_t g_programAllocations = 0;
uint64_t g_driverAllocations = 0;

bool IsDriver(const char* module)
{
    return std::strstr(module, "/dri/") != nullptr || std::strstr(module, "libLLVM") != nullptr
        || std::strstr(module, "libgallium") != nullptr || std::strstr(module, "libGLX") != nullptr
        || std::strstr(module, "libglapi") != nullptr;
}

// Whose allocation this is: the driver's when the calls lead from the driver
// (through X11 or the C library, say) before they lead from the program.
void CountAllocation()
{
    t_counting = false;
    void* frames[16];
    const int count = backtrace(frames, 16);
    bool driver = false;
    for (int i = 2; i < count; ++i) {
        Dl_info info{};
        if (dladdr(frames[i], &info) == 0 || info.dli_fname == nullptr) continue;
        if (IsDriver(info.dli_fname)) {
            driver = true;
            break;
        }
        if (std::strstr(info.dli_fname, "frame_bench") != nullptr) break;
    }
    ++(driver ? g_driverAllocations : g_programAllocations);
    t_counting = true;
}
} // namespace

extern "C" void* malloc(size_t size)
{
    if (t_counting) CountAllocation();
    return __libc_malloc(size);
}

extern "C" void* calloc(size_t count, size_t size)
{
    if (t_counting) CountAllocation();
    return __libc_calloc(count, size);
}

extern "C" void* realloc(void* block, size_t size)
{
    if (t_counting) CountAllocation();
    return __libc_realloc(block, size);
}

namespace {
Application* Started()
{
    static Application* application = [] {
        Application* started = Application::Instance();
        if (!started->Initialize(nullptr)) {
            std::fprintf(stderr, "frame_bench: start-up failed; see log.txt\n");
            std::exit(1);
        }
        return started;
    }();
    return application;
}

// Keys held while measuring: walking forward and sideways exercises the controls.
void HoldKeys(Application& application)
{
    application.keyStates.fill(0);
    application.keyStates['W'] = 1;
    application.keyStates['D'] = 1;
}

void ControlsAndUpdate(benchmark::State& state)
{
    Application& application = *Started();
    HoldKeys(application);
    for (auto _ : state) {
        application.ApplyPlayerControls();
        application.scene->Update(16);
        Look(*application.scene->camera, 0.001f, 0.0f);
    }
}
BENCHMARK(ControlsAndUpdate);

void SceneDrawSubmission(benchmark::State& state)
{
    Application& application = *Started();
    for (auto _ : state) {
        application.device->BeginScene();
        application.scene->Draw();
        application.device->EndScene();
        // Hand the queued work to the driver now and then, as a frame's Present would.
        if (state.iterations() % 8 == 0) application.device->Present(nullptr, nullptr, nullptr, nullptr);
    }
}
BENCHMARK(SceneDrawSubmission);

void WholeFrame(benchmark::State& state)
{
    Application& application = *Started();
    HoldKeys(application);
    // Steady state: the first frames upload the models and compile shaders.
    for (int frame = 0; frame < 120; ++frame) {
        application.ApplyPlayerControls();
        application.scene->Update(16);
        application.RenderFrame();
    }
    g_programAllocations = 0;
    g_driverAllocations = 0;
    t_counting = true;
    for (auto _ : state) {
        application.ApplyPlayerControls();
        application.scene->Update(16);
        application.RenderFrame();
    }
    t_counting = false;
    state.counters["program allocs/frame"] =
        benchmark::Counter(static_cast<double>(g_programAllocations), benchmark::Counter::kAvgIterations);
    state.counters["driver allocs/frame"] =
        benchmark::Counter(static_cast<double>(g_driverAllocations), benchmark::Counter::kAvgIterations);
    application.keyStates.fill(0);
}
BENCHMARK(WholeFrame);
} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Application::Destroy();
    return 0;
}
