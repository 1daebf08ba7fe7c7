// The portable Direct3D 9 device: an OpenGL 3.3 core context on the device
// window, drawing on the window or into a back buffer of its own. Shared by
// the layer's Direct3D and D3DX files; nothing above the platform boundary
// includes this.
#pragma once

#include <unordered_map>

#include "platform/portable/d3d9/gl/back_buffer.h"
#include "platform/portable/d3d9/gl/device_states.h"
#include "platform/portable/d3d9/gl/fixed_function.h"
#include "platform/portable/d3d9/managed_resources.h"
#include "platform/portable/d3d9/frame_delay.h"
#include "platform/portable/d3d9/retrace.h"
#include "platform/portable/win32/com_object.h"
#include "platform/portable/win32/wayland.h"

struct SDL_Window;

namespace portable {

// The window a device draws on: one made by CreateWindowExW, or, for the
// platform's own tests, an SDL window given directly (by its SDL id).
struct DeviceWindow {
    HWND handle = nullptr;
    unsigned sdlWindowId = 0;
};

SDL_Window* SdlWindowOf(const DeviceWindow& window); // null once the window is gone

struct WindowPresence {
    bool visible = false;    // shown, not minimised, and drawn by the compositor
    bool foreground = false; // visible and holding the input focus
};

struct Device final : RefCounted<IDirect3DDevice9> {
    ComRef<IDirect3D9> parent;
    DeviceWindow window;
    int display = 0;
    void* context = nullptr; // SDL_GLContext
    int windowAlphaBits = 0; // of the window's own framebuffer
    int windowDepthBits = 0;
    int windowStencilBits = 0;
    D3DPRESENT_PARAMETERS params{};
    bool fullscreenActive = false; // the display is in the device's mode
    bool lost = false;             // needs a Reset before it draws again
    bool hadForeground = false;    // the window has held the focus since the last Reset
    bool minimisePending = false;  // lost with its window perhaps still in view
    unsigned lostAtMs = 0;         // SDL_GetTicks() at the loss
    WaylandFrameWatch frameWatch;  // whether a Wayland compositor shows the window
    bool inScene = false;
    RetraceClock retrace;         // kept here when the driver cannot wait for the display's
    FrameDelay frameDelay;        // when the next frame starts, with the retraces kept here
    int defaultPoolResources = 0; // live D3DPOOL_DEFAULT resources; Reset refuses while any exist

    GlBackBuffer backBuffer;
    FixedFunctionProgram program;
    FixedFunctionProgram alphaTestProgram; // made when a draw first needs it
    unsigned sampler = 0;                  // sampler object for stage 0
    DeviceStates states{};
    // The data of the bound portable textures. Binding holds no reference, as
    // in Direct3D; the device knows the data, so a texture's end unbinds it.
    TextureData* textureData[kSamplerCount] = {};
    bool glStateValid = false; // false: render and sampler states must be applied again

    // Managed resources the device has taken on, and whether their objects exist.
    enum class Upload { pending, ready, unusable };
    std::unordered_map<GpuObjects*, Upload> uploads;

    // Frees the device's objects and gives the display its mode back.
    ~Device() override;

    HRESULT TestCooperativeLevel() override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* presentParameters) override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                    const RGNDATA* dirtyRegion) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
};

// Creates a device on a window whose SDL window was made with SDL_WINDOW_OPENGL.
HRESULT CreateDeviceOnWindow(IDirect3D9* parent, const DeviceWindow& window, int display, D3DPRESENT_PARAMETERS& params,
                             IDirect3DDevice9** device);

Device* AsDevice(IDirect3DDevice9* device);
// Makes the device's context current; false when its window is gone.
bool MakeDeviceCurrent(Device& device);
// The window's framebuffer now: its size in pixels and its alpha, depth and stencil bits.
GlWindowTarget WindowTargetOf(const Device& device);
// Marks the OpenGL state as changed behind the device's back (text drawing, clears).
inline void InvalidateGlState(Device& device) { device.glStateValid = false; }
// Unbinds every texture and sets the default states (CreateDevice and Reset).
void ResetDeviceState(Device& device);

// Checks the window: a full-screen device is lost when its window is hidden or
// minimised, or loses the focus it had. It then gives the display its mode
// back, and minimises the window if it is still in view a moment later.
void UpdateDeviceLoss(Device& device);

} // namespace portable
