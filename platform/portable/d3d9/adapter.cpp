// Direct3DCreate9 and the Direct3D object, the display modes of its adapters,
// and full screen: the mode is switched on CreateDevice and Reset and given
// back on loss, on release and, for a device never released, when the
// process exits. On X11 the layer switches the mode itself and asks the
// window manager for full screen without waiting on it; elsewhere (Wayland)
// SDL does both.
#include "platform/portable/d3d9/adapter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <tuple>

#include "platform/portable/d3d9/device.h"
#include "platform/portable/win32/api_guard.h"
#include "platform/portable/win32/wayland.h"
#include "platform/portable/win32/video.h"
#include "platform/portable/win32/window_table.h"
#include "platform/portable/win32/x11.h"

namespace portable {

namespace {
// True color modes are the ones Direct3D reports as X8R8G8B8.
bool IsTrueColor(Uint32 format) { return format == SDL_PIXELFORMAT_UNKNOWN || SDL_BITSPERPIXEL(format) >= 24; }

// The display's mode at index, when it is one Direct3D lists: true color, of some size.
bool ListedMode(int display, int index, SDL_DisplayMode& mode)
{
    return SDL_GetDisplayMode(display, index, &mode) == 0 && IsTrueColor(mode.format) && mode.w > 0 && mode.h > 0;
}

// A display that does not say its rate is taken to refresh at 60 Hz, as
// nearly every display does.
constexpr UINT kUnknownRate = 60;

// The refresh rate as Direct3D gives it.
UINT RateOf(const SDL_DisplayMode& mode)
{
    return mode.refresh_rate > 0 ? static_cast<UINT>(mode.refresh_rate) : kUnknownRate;
}

// On Wayland, and on Xwayland (whose outputs SDL names after it), every mode
// is the monitor's own scaled, shown at the monitor's rate whatever rate it is
// listed with. Each size is offered at 60 Hz too, the rate programs ask for,
// and a request matches on its size.
bool EmulatesModes(int display)
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver != nullptr && std::strcmp(driver, "wayland") == 0) return true;
    const char* name = SDL_GetDisplayName(display);
    return name != nullptr && std::strncmp(name, "XWAYLAND", 8) == 0;
}

auto Key(const D3DDISPLAYMODE& mode) { return std::make_tuple(mode.Width, mode.Height, mode.RefreshRate); }

// The order Wine's Direct3D lists modes in: sizes ascending, and the rates of
// one size from the highest down, so the mode lines read the same on both builds.
bool ListsBefore(const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b)
{
    return std::make_tuple(a.Width, a.Height, b.RefreshRate) < std::make_tuple(b.Width, b.Height, a.RefreshRate);
}

// SDL ids of the windows that SDL holds in a device's mode.
std::vector<Uint32>& SdlFullscreenWindows()
{
    static std::vector<Uint32> windows;
    return windows;
}

void RestoreModesAtExit()
{
    X11RestoreDisplayMode();
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    for (Uint32 id : SdlFullscreenWindows()) {
        if (SDL_Window* window = SDL_GetWindowFromID(id)) {
            SettleWaylandWindow(window);
            SDL_SetWindowFullscreen(window, 0);
        }
    }
    SdlFullscreenWindows().clear();
}

void RestoreAtExit()
{
    // The list exists before the exit handler is registered, so it outlives the handler's run.
    SdlFullscreenWindows();
    static const bool registered = std::atexit(RestoreModesAtExit) == 0;
    (void)registered;
}

void Track(Uint32 id)
{
    std::vector<Uint32>& windows = SdlFullscreenWindows();
    if (std::find(windows.begin(), windows.end(), id) == windows.end()) windows.push_back(id);
}

void Untrack(Uint32 id)
{
    std::vector<Uint32>& windows = SdlFullscreenWindows();
    windows.erase(std::remove(windows.begin(), windows.end(), id), windows.end());
}

bool SameMode(const SDL_DisplayMode& mode, const SDL_DisplayMode& wanted)
{
    return mode.w == wanted.w && mode.h == wanted.h
        && (wanted.refresh_rate == 0 || mode.refresh_rate == wanted.refresh_rate);
}

HRESULT EnterWithX11(SDL_Window* window, int display, const SDL_DisplayMode& mode)
{
    if (!X11SetDisplayMode(window, display, mode)) return D3DERR_NOTAVAILABLE;
    SDL_Rect bounds{};
    SDL_GetDisplayBounds(display, &bounds);
    X11RequestFullscreen(window, true, bounds.x, bounds.y, mode.w, mode.h);
    return D3D_OK;
}

// No Wayland program may set the display's mode: SDL offers modes there that
// it emulates by scaling the window, and the one it applies to the window is
// the mode.
HRESULT EnterWithSdl(SDL_Window* window, const SDL_DisplayMode& mode)
{
    if (SDL_SetWindowDisplayMode(window, &mode) != 0) return D3DERR_NOTAVAILABLE;
    if (SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0) return D3DERR_NOTAVAILABLE;
    Track(SDL_GetWindowID(window));
    SDL_DisplayMode applied{};
    const Uint32 flags = SDL_GetWindowFlags(window);
    const bool visible = (flags & SDL_WINDOW_SHOWN) != 0 && (flags & SDL_WINDOW_MINIMIZED) == 0;
    // A hidden window gets the mode when it is shown; a visible one has it now.
    if (visible && (SDL_GetWindowDisplayMode(window, &applied) != 0 || !SameMode(applied, mode))) {
        SDL_SetWindowFullscreen(window, 0);
        Untrack(SDL_GetWindowID(window));
        return D3DERR_NOTAVAILABLE;
    }
    return D3D_OK;
}
} // namespace

void SortDisplayModes(std::vector<D3DDISPLAYMODE>& modes)
{
    std::stable_sort(modes.begin(), modes.end(), ListsBefore);
    modes.erase(std::unique(modes.begin(), modes.end(),
                            [](const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) { return Key(a) == Key(b); }),
                modes.end());
}

std::vector<D3DDISPLAYMODE> ListDisplayModes(int display)
{
    std::vector<D3DDISPLAYMODE> modes;
    const int count = SDL_GetNumDisplayModes(display);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode sdlMode{};
        if (!ListedMode(display, i, sdlMode)) continue;
        D3DDISPLAYMODE mode{};
        mode.Width = static_cast<UINT>(sdlMode.w);
        mode.Height = static_cast<UINT>(sdlMode.h);
        mode.RefreshRate = RateOf(sdlMode);
        mode.Format = D3DFMT_X8R8G8B8;
        modes.push_back(mode);
        if (EmulatesModes(display) && mode.RefreshRate != kUnknownRate) {
            mode.RefreshRate = kUnknownRate;
            modes.push_back(mode);
        }
    }
    SortDisplayModes(modes);
    return modes;
}

bool FindSdlDisplayMode(int display, UINT width, UINT height, UINT refreshRate, SDL_DisplayMode& found)
{
    bool any = false;
    const bool anyRate = refreshRate == 0 || EmulatesModes(display);
    const int count = SDL_GetNumDisplayModes(display);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode sdlMode{};
        if (!ListedMode(display, i, sdlMode)) continue;
        if (static_cast<UINT>(sdlMode.w) != width || static_cast<UINT>(sdlMode.h) != height) continue;
        if (!anyRate && RateOf(sdlMode) != refreshRate) continue;
        if (!any || sdlMode.refresh_rate > found.refresh_rate) found = sdlMode;
        any = true;
        if (!anyRate) break;
    }
    return any;
}

HRESULT EnterFullscreen(Device& device)
{
    SDL_Window* window = SdlWindowOf(device.window);
    if (window == nullptr) return D3DERR_INVALIDCALL;

    SDL_DisplayMode mode{};
    if (!FindSdlDisplayMode(device.display, device.params.BackBufferWidth, device.params.BackBufferHeight,
                            device.params.FullScreen_RefreshRateInHz, mode)) {
        return D3DERR_NOTAVAILABLE;
    }
    if (SDL_GetWindowDisplayIndex(window) != device.display) {
        SDL_SetWindowPosition(window, SDL_WINDOWPOS_UNDEFINED_DISPLAY(device.display),
                              SDL_WINDOWPOS_UNDEFINED_DISPLAY(device.display));
    }
    RestoreAtExit();
    const HRESULT entered =
        X11CanSwitchModes(window) ? EnterWithX11(window, device.display, mode) : EnterWithSdl(window, mode);
    if (FAILED(entered)) return entered;
    device.fullscreenActive = true;
    SDL_RaiseWindow(window);
    return D3D_OK;
}

void LeaveFullscreen(Device& device)
{
    if (!device.fullscreenActive) return;
    device.fullscreenActive = false;
    SDL_Window* window = SdlWindowOf(device.window);
    if (window == nullptr) {
        X11RestoreDisplayMode();
        return;
    }
    if (X11CanSwitchModes(window)) {
        X11RestoreDisplayMode();
        X11RequestFullscreen(window, false, 0, 0, 0, 0);
        return;
    }
    SettleWaylandWindow(window);
    SDL_SetWindowFullscreen(window, 0);
    Untrack(SDL_GetWindowID(window));
}

} // namespace portable

using namespace portable;

namespace {
bool IsAdapter(UINT adapter)
{
    const int displays = SDL_GetNumVideoDisplays();
    return displays > 0 && adapter < static_cast<UINT>(displays);
}

struct Direct3D final : RefCounted<IDirect3D9> {
    UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override
    {
        if (format != D3DFMT_X8R8G8B8 || !IsAdapter(adapter)) return 0;
        return GuardedCall<UINT>(0, 0,
                                 [&] { return static_cast<UINT>(ListDisplayModes(static_cast<int>(adapter)).size()); });
    }

    HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT index, D3DDISPLAYMODE* mode) override
    {
        // A format without modes has no mode at any index.
        if (mode == nullptr || !IsAdapter(adapter) || format != D3DFMT_X8R8G8B8) return D3DERR_INVALIDCALL;
        return GuardedHresult([&] {
            const std::vector<D3DDISPLAYMODE> modes = ListDisplayModes(static_cast<int>(adapter));
            if (index >= modes.size()) return D3DERR_INVALIDCALL;
            *mode = modes[index];
            return D3D_OK;
        });
    }

    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) override
    {
        if (device == nullptr) return D3DERR_INVALIDCALL;
        *device = nullptr;
        if (params == nullptr || !IsAdapter(adapter)) return D3DERR_INVALIDCALL;
        if (deviceType == D3DDEVTYPE_REF || deviceType == D3DDEVTYPE_SW) return D3DERR_NOTAVAILABLE;
        if (deviceType != D3DDEVTYPE_HAL) return D3DERR_INVALIDCALL;

        const DWORD processing = behaviorFlags
            & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING
               | D3DCREATE_MIXED_VERTEXPROCESSING);
        if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING && processing != D3DCREATE_HARDWARE_VERTEXPROCESSING
            && processing != D3DCREATE_MIXED_VERTEXPROCESSING) {
            return D3DERR_INVALIDCALL;
        }

        // Full screen needs a focus window; the device window defaults to it.
        if (!params->Windowed && focusWindow == nullptr) return D3DERR_INVALIDCALL;
        HWND deviceWindow = params->hDeviceWindow != nullptr ? params->hDeviceWindow : focusWindow;
        if (deviceWindow == nullptr || SdlWindowOf(deviceWindow) == nullptr) return D3DERR_INVALIDCALL;

        DeviceWindow window;
        window.handle = deviceWindow;
        return GuardedHresult(
            [&] { return CreateDeviceOnWindow(this, window, static_cast<int>(adapter), *params, device); });
    }
};
} // namespace

IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion)
{
    if (sdkVersion != D3D_SDK_VERSION) return nullptr;
    if (!InitVideo()) return nullptr;
    return new (std::nothrow) Direct3D;
}
