// Full-screen display modes on X11, switched by the layer itself through
// XRandR. SDL's own switch waits up to 100 ms each time for the window
// manager to move the window; here the window manager is asked and not
// waited for. SDL's record of the current mode does not follow these
// switches, so the layer keeps its own: which mode it set, and the one to
// give back.
#pragma once

#include <SDL_video.h>

namespace portable {

// True when the window is on an X display whose modes the layer can switch
// (XRandR 1.2 or later); false elsewhere (Wayland), where SDL switches.
bool X11CanSwitchModes(SDL_Window* window);
// Shows the mode of that size and rate (SDL's rounding of XRandR's rates) on
// the monitor at the display's position, and keeps the mode it had to give
// back. False when the monitor has no such mode or the server refused it.
bool X11SetDisplayMode(SDL_Window* window, int display, const SDL_DisplayMode& mode);
// Gives the monitor back the mode it had before the layer switched it; does
// nothing when the layer holds no mode. Safe at exit, after SDL is gone.
void X11RestoreDisplayMode();
// The mode the layer has set and holds: false when it holds none.
bool X11HeldDisplayMode(SDL_DisplayMode& mode);
// Asks the window manager to show the window full screen (or not), placing
// it over the display's area first for a display without one.
void X11RequestFullscreen(SDL_Window* window, bool fullscreen, int x, int y, int width, int height);

} // namespace portable
