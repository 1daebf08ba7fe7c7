// Wayland through its client library: a round trip for a window's requests.
// The library is the one SDL loaded for its Wayland driver, found at run
// time: a program on X11 needs no Wayland library.
#include "platform/portable/win32/wayland.h"

#include <dlfcn.h>

#include <SDL.h>
#include <SDL_syswm.h>

namespace portable {

namespace {
using RoundTrip = int (*)(wl_display*);

RoundTrip FindRoundTrip()
{
    void* library = dlopen("libwayland-client.so.0", RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr) return nullptr;
    auto* function = reinterpret_cast<RoundTrip>(dlsym(library, "wl_display_roundtrip"));
    dlclose(library); // SDL keeps it loaded
    return function;
}
} // namespace

void SettleWaylandWindow(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_WAYLAND
        || info.info.wl.display == nullptr)
        return;
    static const RoundTrip roundTrip = FindRoundTrip();
    if (roundTrip != nullptr) roundTrip(info.info.wl.display);
}

} // namespace portable
