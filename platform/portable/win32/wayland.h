// What the layer does on Wayland itself, through the Wayland client library.
#pragma once

struct SDL_Window;

namespace portable {

// Waits until the compositor has handled every request made for the window so
// far and the window has taken its answers (its configuration), as X11's
// XSync would; does nothing unless the window is on Wayland. sway 1.7 ends
// (a crash) when a window made full screen while hidden is shown and then
// destroyed, hidden or taken out of full screen before it was configured.
void SettleWaylandWindow(SDL_Window* window);

} // namespace portable
