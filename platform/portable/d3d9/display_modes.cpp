#include "platform/portable/d3d9/display_modes.h"

#include <algorithm>
#include <tuple>

#include <SDL.h>

namespace portable {

namespace {
// True color modes are the ones Direct3D reports as X8R8G8B8.
bool IsTrueColor(Uint32 format)
{
    return format == SDL_PIXELFORMAT_UNKNOWN || SDL_BITSPERPIXEL(format) >= 24;
}

auto Key(const D3DDISPLAYMODE& mode)
{
    return std::make_tuple(mode.Width, mode.Height, mode.RefreshRate);
}

// The order Wine's Direct3D lists modes in: sizes ascending, and the rates of
// one size from the highest down, so the mode lines read the same on both builds.
bool ListsBefore(const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b)
{
    return std::make_tuple(a.Width, a.Height, b.RefreshRate) < std::make_tuple(b.Width, b.Height, a.RefreshRate);
}
} // namespace

void SortDisplayModes(std::vector<D3DDISPLAYMODE>& modes)
{
    std::stable_sort(modes.begin(), modes.end(), ListsBefore);
    modes.erase(std::unique(modes.begin(), modes.end(),
                            [](const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) { return Key(a) == Key(b); }),
                modes.end());
}

std::vector<D3DDISPLAYMODE> ListDisplayModes(int display)
{
    std::vector<D3DDISPLAYMODE> modes;
    const int count = SDL_GetNumDisplayModes(display);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode sdlMode{};
        if (SDL_GetDisplayMode(display, i, &sdlMode) != 0) continue;
        if (!IsTrueColor(sdlMode.format) || sdlMode.w <= 0 || sdlMode.h <= 0) continue;
        D3DDISPLAYMODE mode{};
        mode.Width = static_cast<UINT>(sdlMode.w);
        mode.Height = static_cast<UINT>(sdlMode.h);
        mode.RefreshRate = sdlMode.refresh_rate > 0 ? static_cast<UINT>(sdlMode.refresh_rate) : 0;
        mode.Format = D3DFMT_X8R8G8B8;
        modes.push_back(mode);
    }
    SortDisplayModes(modes);
    return modes;
}

bool FindSdlDisplayMode(int display, UINT width, UINT height, UINT refreshRate, SDL_DisplayMode& found)
{
    bool any = false;
    const int count = SDL_GetNumDisplayModes(display);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode sdlMode{};
        if (SDL_GetDisplayMode(display, i, &sdlMode) != 0 || !IsTrueColor(sdlMode.format)) continue;
        if (static_cast<UINT>(sdlMode.w) != width || static_cast<UINT>(sdlMode.h) != height) continue;
        const UINT rate = sdlMode.refresh_rate > 0 ? static_cast<UINT>(sdlMode.refresh_rate) : 0;
        if (refreshRate != 0 && rate != refreshRate) continue;
        if (!any || sdlMode.refresh_rate > found.refresh_rate) found = sdlMode;
        any = true;
        if (refreshRate != 0) break;
    }
    return any;
}

} // namespace portable
