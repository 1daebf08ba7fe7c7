// The one process-wide record of the program: window, input, settings,
// Direct3D objects, models, scene and frame timing.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "assets/mesh_cache.h"
#include "platform/platform.h"

struct Scene;

// One byte per virtual-key code, 1 while the key is down.
using KeyStates = std::array<uint8_t, 256>;

// Where the last absolute raw mouse record of a device put the pointer, in pixels.
struct AbsolutePointer {
    bool known = false;
    HANDLE device = nullptr;
    int32_t x = 0;
    int32_t y = 0;
};

struct Application {
    bool deviceLost = false;
    KeyStates keyStates{};
    MeshCache meshCache;
    Scene* scene = nullptr;
    std::wstring windowTitle;
    std::wstring windowClassName;
    HINSTANCE instance = nullptr;
    HWND window = nullptr;
    IDirect3D9* direct3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS presentParams{};
    ID3DXFont* font = nullptr;
    uint32_t width = 800;
    uint32_t height = 600;
    uint32_t refreshRate = 60;
    uint32_t lastUpdateTime = 0;
    uint32_t nextFrameTime = 0;
    uint32_t frameInterval = 0;
    float fps = 0.0f;
    uint32_t frameCount = 0;
    uint32_t lastFpsSampleTime = 0;
    AbsolutePointer absolutePointer{};

    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The process-wide application, created on first use.
    static Application* Instance();
    // Destroys the process-wide application, if any, and clears the pointer.
    static void Destroy();

    // Start-up: every step in order; false at the first step that fails.
    bool Initialize(HINSTANCE instanceHandle);

    // Settings.
    void LoadSettings();

    // Window and input.
    bool CreateMainWindow();
    bool RegisterRawMouse();
    LRESULT HandleMessage(HWND windowHandle, UINT message, WPARAM wParam, LPARAM lParam);
    void OnRawMouseRecord(HANDLE source, const RAWMOUSE& mouse);
    void OnRawMouse(int32_t dx, int32_t dy);

    // Device, display mode and overlay font.
    bool CreateDirect3D();
    bool FindDisplayMode(D3DDISPLAYMODE& mode);
    bool CreateOverlayFont();

    // Models.
    bool LoadMesh(const std::wstring& path);
    bool PreloadMeshes();
    Mesh* GetMesh(const std::wstring& path);

    // Scene.
    bool BuildScene();
    void ApplyPlayerControls();

    // Message loop and frames.
    void StartFrameTiming();
    int Run();
    void Tick();
    void RenderFrame();
    void RecoverDevice();
};

LRESULT CALLBACK WindowProc(HWND windowHandle, UINT message, WPARAM wParam, LPARAM lParam);
