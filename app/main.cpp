#include "app/application.h"

namespace {
// What a start-up that failed returns; its reason is in the log.
constexpr int kStartUpFailed = 1;
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    Application* application = Application::Instance();
    // A failed start-up is torn down too, so that a changed display mode and
    // the timer resolution are given back at once.
    const int exitCode = application->Initialize(instance) ? application->Run() : kStartUpFailed;
    Application::Destroy();
    return exitCode;
}
