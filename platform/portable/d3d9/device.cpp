// The device: creation and release, its window, Present, loss and Reset,
// scenes and clears, and the states it keeps for the next draw.
#include "platform/portable/d3d9/device.h"

#include <algorithm>
#include <memory>

#include <SDL.h>

#include "platform/portable/d3d9/adapter.h"
#include "platform/portable/d3d9/managed_uploads.h"
#include "platform/portable/d3d9/present_params.h"
#include "platform/portable/d3d9/gl/api.h"
#include "platform/portable/d3d9/gl/raster_threads.h"
#include "platform/portable/win32/api_guard.h"
#include "platform/portable/win32/frame_stamps.h"
#include "platform/portable/win32/heap_policy.h"
#include "platform/portable/win32/window_table.h"
#include "platform/portable/win32/x11.h"

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
    if (!CreateFixedFunctionProgram(device.program, false)) return false;
    gl.GenSamplers(1, &device.sampler);
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    return true;
}

// Presentation as the parameters ask. A driver that cannot wait for the
// vertical blank presents at once; then the device keeps the retraces itself.
void StartPresentation(Device& device, const D3DPRESENT_PARAMETERS& completed)
{
    const int intervals = SwapIntervalOf(completed.PresentationInterval);
    device.retrace = RetraceClock{};
    RestartFrameDelay(device.frameDelay);
    if (SDL_GL_SetSwapInterval(intervals) == 0 || intervals == 0) return;
    unsigned refreshHz = completed.FullScreen_RefreshRateInHz;
    SDL_DisplayMode mode{};
    if (refreshHz == 0 && SDL_GetCurrentDisplayMode(device.display, &mode) == 0) {
        refreshHz = static_cast<unsigned>(std::max(mode.refresh_rate, 0));
    }
    StartRetraceClock(device.retrace, refreshHz, intervals);
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
    SpreadRasterThreads();
    if (!completed.Windowed) {
        const HRESULT entered = EnterFullscreen(*device);
        if (FAILED(entered)) return entered;
    }
    StartPresentation(*device, completed);
    ResetDeviceState(*device);

    device->parent = ComRef<IDirect3D9>::Share(parent);
    params = completed;
    *result = device;
    return D3D_OK;
}

// A compositor that has not asked for a frame for this long does not show the
// window; a shown one asks at its refresh rate.
constexpr uint32_t kFrameOverdueMs = 250;
constexpr uint32_t kSettleAfterLossMs = 500;

WindowPresence PresenceOf(Device& device)
{
    WindowPresence presence;
    const DeviceWindow& window = device.window;
    SDL_Window* sdlWindow = SdlWindowOf(window);
    if (sdlWindow == nullptr) return presence;
    const Uint32 flags = SDL_GetWindowFlags(sdlWindow);
    // A lost device draws nothing: then the compositor is asked for frames.
    const bool drawn = WaylandWindowShown(sdlWindow, device.frameWatch, kFrameOverdueMs, device.lost);
    presence.visible =
        drawn && (flags & SDL_WINDOW_SHOWN) != 0 && (flags & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED)) == 0;
    if (window.handle != nullptr) {
        presence.foreground = drawn && WindowIsForeground(window.handle);
    } else {
        presence.foreground = presence.visible && (flags & SDL_WINDOW_INPUT_FOCUS) != 0;
    }
    return presence;
}

// How long a window may stay in view after losing the focus before it is
// minimised: a workspace switch takes it out of view within that time.
constexpr Uint32 kMinimiseAfterMs = 200;

// A window left in view behind the program that took the focus is minimised,
// as Windows does. One taken out of view meanwhile (minimised, its workspace
// hidden) is left as it is, so that it is there again when the user comes
// back to it, and so is one the user brought back.
void MinimiseIfLeftInView(Device& device, const WindowPresence& presence)
{
    if (!device.minimisePending) return;
    if (!presence.visible || presence.foreground) {
        device.minimisePending = false;
        return;
    }
    if (SDL_GetTicks() - device.lostAtMs < kMinimiseAfterMs) return;
    device.minimisePending = false;
    SDL_Window* window = SdlWindowOf(device.window);
    // A workspace hidden by mutter or kwin leaves its windows iconic, not minimised.
    if (window != nullptr && X11WindowInView(window)) SDL_MinimizeWindow(window);
}

// A lost full-screen device stays lost until its window is active again;
// being visible is not enough (tiling window managers never minimise it).
bool MayReset(Device& device) { return !device.lost || device.params.Windowed || PresenceOf(device).foreground; }

constexpr DWORD kTexture0 = D3DTS_TEXTURE0;
constexpr DWORD kWorld0 = 256;
constexpr DWORD kLastWorld = 511;
// Displacement-map and vertex-texture samplers: accepted, never sampled here.
constexpr DWORD kFirstSpecialSampler = 256;
constexpr DWORD kLastSpecialSampler = 260;

bool IsSpecialSampler(DWORD sampler) { return sampler >= kFirstSpecialSampler && sampler <= kLastSpecialSampler; }
} // namespace

// The window behind a device is found anew on every use, so a destroyed
// window is noticed instead of used.
SDL_Window* SdlWindowOf(const DeviceWindow& window)
{
    if (window.handle != nullptr) return SdlWindowOf(window.handle);
    if (window.sdlWindowId == 0 || SDL_WasInit(SDL_INIT_VIDEO) == 0) return nullptr;
    return SDL_GetWindowFromID(window.sdlWindowId);
}

Device* AsDevice(IDirect3DDevice9* device) { return static_cast<Device*>(device); }

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

HRESULT CreateDeviceOnWindow(IDirect3D9* parent, const DeviceWindow& window, int display, D3DPRESENT_PARAMETERS& params,
                             IDirect3DDevice9** result)
{
    if (result == nullptr) return D3DERR_INVALIDCALL;
    *result = nullptr;

    SDL_Window* sdlWindow = SdlWindowOf(window);
    D3DPRESENT_PARAMETERS completed{};
    const HRESULT prepared = PreparePresentParameters(params, sdlWindow, display, completed);
    if (FAILED(prepared)) return prepared;

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
        DestroyFixedFunctionProgram(alphaTestProgram);
        if (sampler != 0) gl.DeleteSamplers(1, &sampler);
        DestroyGlBackBuffer(backBuffer);
    }
    LeaveFullscreen(*this);
    EndWaylandFrameWatch(frameWatch);
    if (context != nullptr) {
        if (current) SDL_GL_MakeCurrent(SdlWindowOf(window), nullptr);
        SDL_GL_DeleteContext(context);
    }
}

void UpdateDeviceLoss(Device& device)
{
    if (device.params.Windowed) return;
    const WindowPresence presence = PresenceOf(device);
    if (device.lost) {
        MinimiseIfLeftInView(device, presence);
        return;
    }
    if (presence.foreground) {
        device.hadForeground = true;
        return;
    }
    // Focus is an event, not a state: a window that has not had it yet (it
    // arrives after the window is shown) loses nothing.
    if (presence.visible && !device.hadForeground) return;
    device.lost = true;
    device.hadForeground = false;
    device.minimisePending = presence.visible;
    device.lostAtMs = SDL_GetTicks();
    // mutter answers a hidden window's frames while it settles out of full
    // screen: those answers do not bring it back.
    device.frameWatch.answeredInARow = 0;
    device.frameWatch.countFromMs = device.lostAtMs + kSettleAfterLossMs;
    LeaveFullscreen(device);
}

HRESULT Device::Present(const RECT* sourceRect, const RECT* destRect, HWND, const RGNDATA*)
{
    return GuardedHresult([&]() -> HRESULT {
        UpdateDeviceLoss(*this);
        if (lost) return D3DERR_DEVICELOST;
        StampFrame(FrameStamp::PresentCalled);
        if ((sourceRect != nullptr || destRect != nullptr) && params.SwapEffect != D3DSWAPEFFECT_COPY) {
            return D3DERR_INVALIDCALL;
        }
        if (!MakeDeviceCurrent(*this)) return D3DERR_INVALIDCALL;

        SDL_Window* sdlWindow = SdlWindowOf(window);
        BlitGlBackBuffer(backBuffer, WindowTargetOf(*this));
        if (retrace.periodNs > 0) {
            // The frame is finished first, so that it shows at the retrace itself.
            gl.Finish();
            const int64_t finished = MonotonicNowNs();
            StampFrame(FrameStamp::Finished);
            RecordFrameDrawn(frameDelay, finished, retrace.periodNs);
            WaitUntil(TakeNextRetrace(retrace, finished));
            StampFrame(FrameStamp::RetraceWaited);
        }
        WatchWaylandFrame(sdlWindow, frameWatch);
        SDL_GL_SwapWindow(sdlWindow);
        StampFrame(FrameStamp::Swapped);
        // The window may have changed size meanwhile (a mode switch, the user).
        FollowGlWindow(backBuffer, WindowTargetOf(*this));
        InvalidateGlState(*this);
        if (retrace.periodNs > 0) {
            WaitUntil(LatestStartNs(frameDelay, retrace, MonotonicNowNs()));
            ReleaseFrame(frameDelay, MonotonicNowNs());
        }
        return D3D_OK;
    });
}

HRESULT Device::TestCooperativeLevel()
{
    UpdateDeviceLoss(*this);
    if (!lost) return D3D_OK;
    return MayReset(*this) ? D3DERR_DEVICENOTRESET : D3DERR_DEVICELOST;
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* presentParameters)
{
    return GuardedHresult([&]() -> HRESULT {
        if (presentParameters == nullptr) return D3DERR_INVALIDCALL;
        UpdateDeviceLoss(*this);
        if (!MayReset(*this)) return D3DERR_DEVICELOST;

        // From here a failed Reset leaves the device waiting for another one.
        if (defaultPoolResources > 0) {
            lost = true;
            return D3DERR_INVALIDCALL;
        }
        SDL_Window* sdlWindow = MakeDeviceCurrent(*this) ? SdlWindowOf(window) : nullptr;
        D3DPRESENT_PARAMETERS completed{};
        const HRESULT prepared = PreparePresentParameters(*presentParameters, sdlWindow, display, completed);
        if (FAILED(prepared)) {
            lost = true;
            return prepared;
        }

        params = completed;
        if (completed.Windowed) {
            LeaveFullscreen(*this);
        } else {
            const HRESULT entered = EnterFullscreen(*this);
            if (FAILED(entered)) {
                lost = true;
                return entered;
            }
        }
        // Made once the window is in the mode, so that a back buffer of its size is drawn on it.
        DestroyGlBackBuffer(backBuffer);
        const bool made = CreateGlBackBuffer(backBuffer, completed, WindowTargetOf(*this));
        // A device may be reset many times: the buffers it freed go back to the system.
        ReturnFreeHeapToSystem();
        if (!made) {
            LeaveFullscreen(*this);
            lost = true;
            return D3DERR_OUTOFVIDEOMEMORY;
        }
        StartPresentation(*this, completed);

        ResetDeviceState(*this);
        lost = false;
        hadForeground = false;
        minimisePending = false;
        *presentParameters = completed;
        return D3D_OK;
    });
}

HRESULT Device::BeginScene()
{
    if (inScene) return D3DERR_INVALIDCALL;
    inScene = true;
    return D3D_OK;
}

HRESULT Device::EndScene()
{
    if (!inScene) return D3DERR_INVALIDCALL;
    inScene = false;
    return D3D_OK;
}

HRESULT Device::Clear(DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil)
{
    StampFrame(FrameStamp::FrameStart);
    if ((flags & D3DCLEAR_ZBUFFER) != 0 && !backBuffer.hasDepth) return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_STENCIL) != 0 && !backBuffer.hasStencil) return D3DERR_INVALIDCALL;
    if (lost || !MakeDeviceCurrent(*this) || !backBuffer.Ready()) return D3D_OK;

    GLbitfield mask = 0;
    if ((flags & D3DCLEAR_TARGET) != 0) {
        const D3DCOLORVALUE value = ColorValueOf(color);
        gl.ClearColor(value.r, value.g, value.b, value.a);
        gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if ((flags & D3DCLEAR_ZBUFFER) != 0) {
        gl.ClearDepth(std::clamp(z, 0.0f, 1.0f));
        gl.DepthMask(GL_TRUE);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if ((flags & D3DCLEAR_STENCIL) != 0) {
        gl.ClearStencil(static_cast<GLint>(stencil & 0xFF));
        gl.StencilMask(0xFF);
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    InvalidateGlState(*this);
    if (mask == 0) return D3D_OK;

    gl.BindFramebuffer(GL_FRAMEBUFFER, backBuffer.framebuffer);
    const LONG width = static_cast<LONG>(backBuffer.width);
    const LONG height = static_cast<LONG>(backBuffer.height);
    if (rectCount == 0 || rects == nullptr) {
        gl.Disable(GL_SCISSOR_TEST);
        gl.Clear(mask);
        return D3D_OK;
    }
    gl.Enable(GL_SCISSOR_TEST);
    for (DWORD i = 0; i < rectCount; ++i) {
        const LONG left = std::max<LONG>(rects[i].x1, 0);
        const LONG top = std::max<LONG>(rects[i].y1, 0);
        const LONG right = std::min(rects[i].x2, width);
        const LONG bottom = std::min(rects[i].y2, height);
        if (left >= right || top >= bottom) continue;
        gl.Scissor(left, height - bottom, right - left, bottom - top);
        gl.Clear(mask);
    }
    return D3D_OK;
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix)
{
    if (matrix == nullptr) return D3DERR_INVALIDCALL;
    const DWORD which = static_cast<DWORD>(state);
    if (which == D3DTS_VIEW) {
        states.view = *matrix;
    } else if (which == D3DTS_PROJECTION) {
        states.projection = *matrix;
    } else if (which == kWorld0) {
        states.world = *matrix;
    } else if (which >= kTexture0 && which < kTexture0 + kTextureTransformCount) {
        states.textureTransforms[which - kTexture0] = *matrix;
    } else if (which <= kWorld0 || which > kLastWorld) {
        return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL9* material)
{
    if (material == nullptr) return D3DERR_INVALIDCALL;
    states.material = *material;
    return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value)
{
    const DWORD which = static_cast<DWORD>(state);
    if (which == 0 || which >= kRenderStateCount) return D3DERR_INVALIDCALL;
    if (states.render[which] != value) {
        states.render[which] = value;
        InvalidateGlState(*this);
    }
    return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD samplerIndex, D3DSAMPLERSTATETYPE type, DWORD value)
{
    const DWORD which = static_cast<DWORD>(type);
    if (which == 0 || which >= kSamplerStateCount) return D3DERR_INVALIDCALL;
    if (IsSpecialSampler(samplerIndex)) return D3D_OK;
    if (samplerIndex >= kSamplerCount) return D3DERR_INVALIDCALL;
    if (states.sampler[samplerIndex][which] != value) {
        states.sampler[samplerIndex][which] = value;
        if (samplerIndex == 0) InvalidateGlState(*this);
    }
    return D3D_OK;
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture)
{
    if (IsSpecialSampler(stage)) return D3D_OK;
    if (stage >= kSamplerCount) return D3DERR_INVALIDCALL;
    TextureData* data = texture != nullptr ? TextureDataOf(texture) : nullptr;
    // Known to the device from now on, so that the texture's end unbinds it.
    if (data != nullptr) {
        const HRESULT claimed = GuardedHresult([&] {
            ClaimGpuObjects(*this, data->gpu);
            return D3D_OK;
        });
        if (FAILED(claimed)) return claimed;
    }
    textureData[stage] = data;
    return D3D_OK;
}

} // namespace portable
