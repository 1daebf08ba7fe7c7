// Wayland through its client library: a round trip for a window's requests.
#include "platform/portable/win32/wayland.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <wayland-client.h>

namespace portable {

void SettleWaylandWindow(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_WAYLAND
        || info.info.wl.display == nullptr)
        return;
    wl_display_roundtrip(info.info.wl.display);
}

} // namespace portable
