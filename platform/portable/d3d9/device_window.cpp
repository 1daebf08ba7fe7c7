// The window behind a device: found anew on every use, so a destroyed window
// is noticed instead of used.
#include <SDL.h>

#include "platform/portable/d3d9/device.h"
#include "platform/portable/win32/window_internal.h"

namespace portable {

SDL_Window* SdlWindowOf(const DeviceWindow& window)
{
    if (window.handle != nullptr) return SdlWindowOf(window.handle);
    if (window.sdlWindowId == 0 || SDL_WasInit(SDL_INIT_VIDEO) == 0) return nullptr;
    return SDL_GetWindowFromID(window.sdlWindowId);
}

WindowPresence PresenceOf(const DeviceWindow& window)
{
    WindowPresence presence;
    SDL_Window* sdlWindow = SdlWindowOf(window);
    if (sdlWindow == nullptr) return presence;
    const Uint32 flags = SDL_GetWindowFlags(sdlWindow);
    presence.visible = (flags & SDL_WINDOW_SHOWN) != 0 && (flags & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED)) == 0;
    if (window.handle != nullptr) {
        presence.foreground = WindowIsForeground(window.handle);
    } else {
        presence.foreground = presence.visible && (flags & SDL_WINDOW_INPUT_FOCUS) != 0;
    }
    return presence;
}

} // namespace portable
