// What the layer does on X11 itself, through Xlib and XRandR.
#pragma once

#include <cstdint>

#include <SDL_video.h>

union SDL_Event;
struct SDL_Window;

namespace portable {

// Full-screen display modes on X11, switched by the layer itself through
// XRandR. SDL's own switch waits up to 100 ms each time for the window
// manager to move the window; here the window manager is asked and not
// waited for. SDL's record of the current mode does not follow these
// switches, so the layer keeps its own: which mode it set, and the one to
// give back.
// True when the window is on an X display whose modes the layer can switch
// (XRandR 1.2 or later); false elsewhere (Wayland), where SDL switches.
bool X11CanSwitchModes(SDL_Window* window);
// Shows the mode of that size and rate (SDL's rounding of XRandR's rates) on
// the monitor at the display's position, with the screen sized to hold it
// (grown for a mode larger than the desktop's), and keeps the mode and size
// it had to give back. False when the monitor has no such mode or the server
// refused it.
bool X11SetDisplayMode(SDL_Window* window, int display, const SDL_DisplayMode& mode);
// Gives the monitor back the mode, and the screen the size, it had before the
// layer switched it; does nothing when the layer holds no mode. Safe at exit,
// after SDL is gone, and from another thread.
void X11RestoreDisplayMode();
// The mode the layer has set and holds: false when it holds none.
bool X11HeldDisplayMode(SDL_DisplayMode& mode);
// False when X11 shows the window nowhere: unmapped, or iconic (a window
// manager marks a window on a hidden workspace so, and may not say that it is
// hidden); true elsewhere.
bool X11WindowInView(SDL_Window* window);
// Asks the window manager to show the window full screen (or not), placing
// it over the display's area first for a display without one.
void X11RequestFullscreen(SDL_Window* window, bool fullscreen, int x, int y, int width, int height);

// Windows that vanish under the program on X11, destroyed by another client
// (a window manager's kill, xdotool windowclose). Windows would have sent
// WM_DESTROY; here the event pump destroys the handle once it learns of it.
// Installs the X error handlers before SDL's video starts, so that SDL, which
// puts back the handler it found when it shuts down, puts back this one. A
// lost connection to the server ends the process at once, with exit code 1.
void CatchX11Errors();
// Installs the X error handlers over SDL's and asks SDL for the raw X events;
// does nothing unless SDL's video driver is X11. Call after SDL's video starts.
void WatchX11Windows();
// The X window behind an SDL window, or 0 when there is none.
uint64_t X11WindowOf(SDL_Window* window);
// Takes note of an X window's destruction in a raw X event; false when the
// event is of no interest here.
bool NoteX11Event(const SDL_Event& event);
// Before SDL hides a window whose X window is gone. SDL waits for the server
// to confirm the unmapping, which never comes for a destroyed window; the
// confirmation is queued here instead.
void ConfirmUnmapOfGoneWindow(SDL_Window* window);
// True when the window is on an X display where a window manager runs (one
// that announces itself, as EWMH window managers do).
bool X11WindowManagerRuns(SDL_Window* window);
// True once the X window is known to be gone: its destruction was seen, or
// the server refused a request for it as naming no window.
bool X11WindowGone(uint64_t xWindow);

} // namespace portable
