#include "app/application.h"

#include "app/clock.h"
#include "assets/mesh.h"
#include "scene/scene.h"
#include "support/log.h"

namespace {
Application* g_application = nullptr;
}

Application* Application::Instance()
{
    if (g_application == nullptr) g_application = new Application;
    return g_application;
}

void Application::Destroy()
{
    delete g_application;
    g_application = nullptr;
}

Application::Application()
{
    windowClassName = L"D3DWINDOWCLASS";
    windowTitle = L"D3D Window";
    keyStates.fill(0);
    Log::Instance()->Write(L"Log created.");
}

Application::~Application()
{
    for (auto& entry : meshCache) {
        delete entry.second;
        entry.second = nullptr;
    }
    delete scene;
    scene = nullptr;
    if (font != nullptr) {
        font->Release();
        font = nullptr;
    }
    if (device != nullptr) {
        device->Release();
        device = nullptr;
    }
    if (direct3d != nullptr) {
        direct3d->Release();
        direct3d = nullptr;
    }
    Clock::Destroy();
    if (Log* log = Log::Existing()) log->Close();
}

bool Application::Initialize(HINSTANCE instanceHandle)
{
    instance = instanceHandle;
    LoadSettings();
    return CreateMainWindow() && RegisterRawMouse() && CreateDirect3D() && CreateOverlayFont() && PreloadMeshes()
        && BuildScene();
}
