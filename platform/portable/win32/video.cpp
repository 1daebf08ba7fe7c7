#include "platform/portable/win32/video.h"

#include <cstdio>
#include <cstdlib>

#include <SDL.h>

#include "platform/portable/win32/x11.h"

namespace {
void ShutDownSdl() { SDL_Quit(); }
} // namespace

namespace portable {

// SDL's video subsystem, started on first use and shut down at exit, which
// also closes every window and gives back a changed display mode.
bool InitVideo()
{
    static bool failed = false;
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) return true;
    if (failed) return false;
    // Closing a window asks the program to close it (WM_CLOSE); the quit
    // event stays for signals and session ends.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // Only drivers that show windows on a desktop, X11 first, unless the user
    // chose one (SDL_VIDEODRIVER): without a display SDL would fall back to its
    // off-screen driver, where a window is made that nobody can see.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,wayland");
    // The device decides what a full-screen window does when it loses the
    // focus; SDL would minimise it at once, also when its workspace is being
    // hidden, and some window managers then leave it minimised on return.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    CatchX11Errors();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL video: %s\n", SDL_GetError());
        failed = true;
        return false;
    }
    WatchX11Windows();
    static bool registered = false;
    if (!registered) {
        registered = true;
        std::atexit(ShutDownSdl);
    }
    return true;
}

} // namespace portable
