// Device creation, reference counting and destruction.
#include <memory>

#include <SDL.h>

#include "platform/portable/d3d9/device.h"
#include "platform/portable/d3d9/display_modes.h"
#include "platform/portable/d3d9/present_params.h"
#include "platform/portable/d3d9/gl/api.h"

namespace portable {

namespace {
void* CreateCoreContext(SDL_Window* window)
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    return SDL_GL_CreateContext(window);
}

bool CreateGlObjects(Device& device)
{
    if (!LoadGlApi()) return false;
    // The window's own framebuffer; bound, since its bits are asked of the framebuffer bound.
    gl.BindFramebuffer(GL_FRAMEBUFFER, 0);
    SDL_GL_GetAttribute(SDL_GL_ALPHA_SIZE, &device.windowAlphaBits);
    SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &device.windowDepthBits);
    SDL_GL_GetAttribute(SDL_GL_STENCIL_SIZE, &device.windowStencilBits);
    if (!CreateGlBackBuffer(device.backBuffer, device.params, WindowTargetOf(device))) {
        return false;
    }
    if (!CreateFixedFunctionProgram(device.program)) return false;
    gl.GenSamplers(1, &device.sampler);
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    return true;
}

// Everything that follows the device's allocation; the caller destroys a
// device that this fails on.
HRESULT FinishDevice(Device* device, IDirect3D9* parent, SDL_Window* sdlWindow, D3DPRESENT_PARAMETERS& params,
                     const D3DPRESENT_PARAMETERS& completed, IDirect3DDevice9** result)
{
    device->context = CreateCoreContext(sdlWindow);
    if (device->context == nullptr) {
        SDL_LogError(SDL_LOG_CATEGORY_RENDER, "no OpenGL 3.3 core context: %s", SDL_GetError());
        return D3DERR_NOTAVAILABLE;
    }
    if (!MakeDeviceCurrent(*device) || !CreateGlObjects(*device)) return D3DERR_NOTAVAILABLE;
    if (!completed.Windowed) {
        const HRESULT entered = EnterFullscreen(*device);
        if (FAILED(entered)) return entered;
    }
    // A display that cannot wait for the vertical blank presents at once.
    SDL_GL_SetSwapInterval(SwapIntervalOf(completed.PresentationInterval));
    ResetDeviceState(*device);

    device->parent = ComRef<IDirect3D9>::Share(parent);
    params = completed;
    *result = device;
    return D3D_OK;
}
} // namespace

Device* AsDevice(IDirect3DDevice9* device)
{
    return static_cast<Device*>(device);
}

bool MakeDeviceCurrent(Device& device)
{
    if (device.context == nullptr) return false;
    SDL_Window* window = SdlWindowOf(device.window);
    if (window == nullptr) return false;
    if (SDL_GL_GetCurrentContext() == device.context && SDL_GL_GetCurrentWindow() == window) return true;
    return SDL_GL_MakeCurrent(window, device.context) == 0;
}

GlWindowTarget WindowTargetOf(const Device& device)
{
    GlWindowTarget target;
    if (SDL_Window* window = SdlWindowOf(device.window)) SDL_GL_GetDrawableSize(window, &target.width, &target.height);
    target.alphaBits = device.windowAlphaBits;
    target.depthBits = device.windowDepthBits;
    target.stencilBits = device.windowStencilBits;
    return target;
}

void ResetDeviceState(Device& device)
{
    for (DWORD stage = 0; stage < kSamplerCount; ++stage) {
        device.textureData[stage] = nullptr;
    }
    SetDefaultDeviceStates(device.states, device.params.EnableAutoDepthStencil != FALSE);
    device.inScene = false;
    InvalidateGlState(device);
}

HRESULT CreateDeviceOnWindow(IDirect3D9* parent, const DeviceWindow& window, int display,
                             D3DPRESENT_PARAMETERS& params, IDirect3DDevice9** result)
{
    if (result == nullptr) return D3DERR_INVALIDCALL;
    *result = nullptr;

    const HRESULT valid = ValidatePresentParameters(params);
    if (FAILED(valid)) return valid;
    SDL_Window* sdlWindow = SdlWindowOf(window);
    if (sdlWindow == nullptr) return D3DERR_INVALIDCALL;

    int windowWidth = 0, windowHeight = 0;
    SDL_GetWindowSize(sdlWindow, &windowWidth, &windowHeight);
    D3DPRESENT_PARAMETERS completed = params;
    CompletePresentParameters(completed, static_cast<UINT>(windowWidth), static_cast<UINT>(windowHeight));
    SDL_DisplayMode mode{};
    if (!completed.Windowed
        && !FindSdlDisplayMode(display, completed.BackBufferWidth, completed.BackBufferHeight,
                               completed.FullScreen_RefreshRateInHz, mode)) {
        return D3DERR_NOTAVAILABLE;
    }

    auto device = std::make_unique<Device>();
    device->window = window;
    device->display = display;
    device->params = completed;
    const HRESULT made = FinishDevice(device.get(), parent, sdlWindow, params, completed, result);
    if (SUCCEEDED(made)) device.release();
    return made;
}

Device::~Device()
{
    const bool current = MakeDeviceCurrent(*this);
    ReleaseAllUploads(*this);
    if (current) {
        DestroyFixedFunctionProgram(program);
        if (sampler != 0) gl.DeleteSamplers(1, &sampler);
        DestroyGlBackBuffer(backBuffer);
    }
    LeaveFullscreen(*this);
    if (context != nullptr) {
        if (current) SDL_GL_MakeCurrent(SdlWindowOf(window), nullptr);
        SDL_GL_DeleteContext(context);
    }
}

} // namespace portable
