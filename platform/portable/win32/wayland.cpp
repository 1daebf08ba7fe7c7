// Wayland through its client library: a round trip for a window's requests,
// and frame callbacks for whether the window is shown.
// The library is the one SDL loaded for its Wayland driver, found at run
// time: a program on X11 needs no Wayland library.
#include "platform/portable/win32/wayland.h"

#include <dlfcn.h>

#include <SDL.h>
#include <SDL_syswm.h>

namespace portable {

namespace {
// The client library's entry points the layer uses, by their C signatures;
// proxies are opaque here.
struct WaylandClient {
    int (*roundTrip)(wl_display*) = nullptr;
    void* (*marshalFlags)(void* proxy, uint32_t opcode, const void* interface, uint32_t version, uint32_t flags,
                          ...) = nullptr;
    int (*addListener)(void* proxy, void (**listener)(void), void* data) = nullptr;
    void (*destroy)(void* proxy) = nullptr;
    uint32_t (*version)(void* proxy) = nullptr;
    const void* callbackInterface = nullptr;
    bool complete = false;
};

template <typename Function>
void Find(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
}

WaylandClient FindWaylandClient()
{
    WaylandClient client;
    void* library = dlopen("libwayland-client.so.0", RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr) return client;
    Find(library, "wl_display_roundtrip", client.roundTrip);
    Find(library, "wl_proxy_marshal_flags", client.marshalFlags);
    Find(library, "wl_proxy_add_listener", client.addListener);
    Find(library, "wl_proxy_destroy", client.destroy);
    Find(library, "wl_proxy_get_version", client.version);
    client.callbackInterface = dlsym(library, "wl_callback_interface");
    client.complete = client.roundTrip != nullptr && client.marshalFlags != nullptr && client.addListener != nullptr
        && client.destroy != nullptr && client.version != nullptr && client.callbackInterface != nullptr;
    dlclose(library); // SDL keeps it loaded
    return client;
}

const WaylandClient& Client()
{
    static const WaylandClient client = FindWaylandClient();
    return client;
}

struct WaylandWindow {
    wl_display* display = nullptr;
    wl_surface* surface = nullptr;
};

WaylandWindow WaylandWindowOf(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_WAYLAND)
        return {};
    return {info.info.wl.display, info.info.wl.surface};
}

constexpr uint32_t kSurfaceFrame = 3; // wl_surface's opcodes
constexpr uint32_t kSurfaceCommit = 6;

void FrameDone(void* data, void* callback, uint32_t)
{
    auto& watch = *static_cast<WaylandFrameWatch*>(data);
    Client().destroy(callback);
    watch.callback = nullptr;
    watch.answeredOnce = true;
    if (static_cast<int32_t>(SDL_GetTicks() - watch.countFromMs) >= 0) ++watch.answeredInARow;
}

// wl_callback_listener: one event, done.
void (*const kFrameListener[])(void) = {reinterpret_cast<void (*)(void)>(&FrameDone)};
} // namespace

void SettleWaylandWindow(SDL_Window* window)
{
    const WaylandWindow wayland = WaylandWindowOf(window);
    if (wayland.display == nullptr || Client().roundTrip == nullptr) return;
    Client().roundTrip(wayland.display);
}

namespace {
void RequestFrame(void* surface, WaylandFrameWatch& watch)
{
    const WaylandClient& client = Client();
    void* callback =
        client.marshalFlags(surface, kSurfaceFrame, client.callbackInterface, client.version(surface), 0, nullptr);
    if (callback == nullptr) return;
    client.addListener(callback, const_cast<void (**)(void)>(kFrameListener), &watch);
    watch.callback = callback;
    watch.requestedAtMs = SDL_GetTicks();
}
} // namespace

void WatchWaylandFrame(SDL_Window* window, WaylandFrameWatch& watch)
{
    if (watch.callback != nullptr) return;
    const WaylandWindow wayland = WaylandWindowOf(window);
    if (wayland.surface != nullptr && Client().complete) RequestFrame(wayland.surface, watch);
}

bool WaylandWindowShown(SDL_Window* window, WaylandFrameWatch& watch, uint32_t overdueMs, bool probing)
{
    const WaylandWindow wayland = WaylandWindowOf(window);
    const WaylandClient& client = Client();
    if (wayland.surface == nullptr || !client.complete) return true;
    if (watch.callback != nullptr && SDL_GetTicks() - watch.requestedAtMs >= overdueMs) {
        client.roundTrip(wayland.display);
        if (watch.callback != nullptr) watch.answeredInARow = 0;
    }
    if (!probing) return !watch.answeredOnce || watch.answeredInARow > 0 || watch.callback == nullptr;
    if (watch.callback == nullptr) {
        RequestFrame(wayland.surface, watch);
        // The surface's state as it is; the callback comes with its next paint.
        client.marshalFlags(wayland.surface, kSurfaceCommit, nullptr, client.version(wayland.surface), 0);
    }
    return watch.answeredInARow >= 2;
}

void EndWaylandFrameWatch(WaylandFrameWatch& watch)
{
    if (watch.callback == nullptr) return;
    // Once SDL's video is gone so is the connection, and the proxy with it.
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) Client().destroy(watch.callback);
    watch.callback = nullptr;
}

} // namespace portable
