// Windows that vanish under the program on X11, destroyed by another client
// (a window manager's kill, xdotool windowclose). Windows would have sent
// WM_DESTROY; here the event pump destroys the handle once it learns of it.
#pragma once

#include <cstdint>

union SDL_Event;
struct SDL_Window;

namespace portable {

// Installs the X error handler before SDL's video starts, so that SDL, which
// puts back the handler it found when it shuts down, puts back this one.
void CatchX11Errors();
// Installs the X error handler over SDL's and asks SDL for the raw X events;
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
