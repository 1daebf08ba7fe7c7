#include "app/application.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    Application* application = Application::Instance();
    // A failed start-up is torn down too, so that a changed display mode and
    // the timer resolution are given back at once.
    const int exitCode = application->Initialize(instance) ? application->Run() : 0;
    Application::Destroy();
    return exitCode;
}
