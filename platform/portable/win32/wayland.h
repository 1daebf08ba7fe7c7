// What the layer does on Wayland itself, through the Wayland client library.
#pragma once

#include <cstdint>

struct SDL_Window;

namespace portable {

// Waits until the compositor has handled every request made for the window so
// far and the window has taken its answers (its configuration), as X11's
// XSync would; does nothing unless the window is on Wayland. sway 1.7 ends
// (a crash) when a window made full screen while hidden is shown and then
// destroyed, hidden or taken out of full screen before it was configured.
void SettleWaylandWindow(SDL_Window* window);

// Whether a compositor shows a window, told by its frame callbacks: it
// answers one after a commit of a surface it shows, and none while the
// surface is out of view (another workspace), though on mutter the window
// keeps its focus there. The record's address is the callback's data: it must
// not move while a callback is awaited.
struct WaylandFrameWatch {
    void* callback = nullptr; // the wl_callback awaited, or none
    uint32_t requestedAtMs = 0;
    bool answeredOnce = false; // a window not yet drawn is not taken for hidden
    int answeredInARow = 0;    // since the last overdue callback, or since reset
    uint32_t countFromMs = 0;  // answers before this SDL_GetTicks() are not counted
};

// Before a swap: asks for the callback of the frame the swap commits, unless
// one is awaited already. Does nothing unless the window is on Wayland.
void WatchWaylandFrame(SDL_Window* window, WaylandFrameWatch& watch);

// Whether the compositor shows the window: true unless it is on Wayland and a
// callback asked for at least `overdueMs` ago has not come (any answer sent
// meanwhile taken first). With `probing`, for a window that draws nothing, a
// callback is asked for on the surface as it is, and the window is shown once
// two have come in a row, so that one stray answer does not count.
bool WaylandWindowShown(SDL_Window* window, WaylandFrameWatch& watch, uint32_t overdueMs, bool probing);

// Stops awaiting the callback; before the window or the record goes.
void EndWaylandFrameWatch(WaylandFrameWatch& watch);

} // namespace portable
