// The message loop and the paced frame tick.
#include "app/application.h"
#include "app/clock.h"
#include "scene/scene.h"

namespace {
// Pacing for a display that reports 0 Hz; the overlay still shows what it reported.
constexpr uint32_t kFallbackRefreshRate = 60;
} // namespace

void Application::StartFrameTiming()
{
    frameInterval = 1000 / (refreshRate != 0 ? refreshRate : kFallbackRefreshRate);
    const uint32_t now = Clock::Instance()->NowMs();
    lastUpdateTime = now;
    nextFrameTime = now + frameInterval;
}

int Application::Run()
{
    MSG msg{};
    // Mouse motion from before the scene existed is dropped. Wine reports the
    // pointer's position as the first motion when the window appears under it.
    while (PeekMessageW(&msg, nullptr, WM_INPUT, WM_INPUT, PM_REMOVE)) {
    }
    msg = MSG{};
    while (true) {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        } else {
            Tick();
        }
        if (msg.message == WM_QUIT) break;
    }
    return static_cast<int>(msg.wParam);
}

void Application::Tick()
{
    const uint32_t now = Clock::Instance()->NowMs();

    const float elapsedSeconds = static_cast<float>(now - lastFpsSampleTime) / 1000.0f;
    if (elapsedSeconds > 1.0f) {
        fps = static_cast<float>(frameCount) / elapsedSeconds;
        lastFpsSampleTime = now;
        frameCount = 0;
    }

    if (!IsLater(now, nextFrameTime)) {
        // Nothing is due: hand the rest of the time slice to any thread that
        // is ready (the driver's own), without waiting.
        Sleep(0);
        return;
    }

    ++frameCount;
    ApplyPlayerControls();
    if (scene != nullptr) scene->Update(now - lastUpdateTime);
    RenderFrame();

    nextFrameTime += frameInterval;
    lastUpdateTime = now;
    if (IsLater(now, nextFrameTime)) nextFrameTime = now + frameInterval;
}
