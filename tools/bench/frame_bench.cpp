// CPU time of one frame's system work on the native build: the player
// controls, the scene update and the frame's drawing calls, with the real
// portable platform and the shipped models. The thread's CPU time is what
// counts; the rasteriser's own threads are not the program's work.
// Run from the repository root inside a display offering 800x600 at 60 Hz
// (tools/bench/run-benchmarks.sh does).
#include <cstdio>
#include <cstdlib>

#include <benchmark/benchmark.h>

#include "app/application.h"
#include "scene/scene.h"

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
    for (auto _ : state) {
        application.ApplyPlayerControls();
        application.scene->Update(16);
        application.RenderFrame();
    }
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
