// GetDC, GetDeviceCaps and ReleaseDC for the screen: its dots per inch and
// its current size.
#include <cmath>

#include <SDL.h>

#include "platform/portable/screen_metrics.h"
#include "platform/portable/window_internal.h"
#include "platform/portable/window_table.h"

namespace {
constexpr int kDefaultDpi = 96;
constexpr float kLowestDpi = 48.0f;
constexpr float kHighestDpi = 480.0f;

// One device context stands for the whole screen; window DCs draw nothing here either.
const HDC kScreenDc = reinterpret_cast<HDC>(static_cast<uintptr_t>(0x10051));

// Windows' screen DC covers the primary display.
constexpr int kPrimaryDisplay = 0;

int Dpi(bool horizontal)
{
    float diagonal = 0.0f;
    float across = 0.0f;
    float down = 0.0f;
    const bool known = PortableVideoInit() && SDL_GetDisplayDPI(kPrimaryDisplay, &diagonal, &across, &down) == 0;
    return SaneDpi(known, horizontal ? across : down);
}

int Resolution(bool horizontal)
{
    SDL_DisplayMode mode{};
    if (!PortableVideoInit() || SDL_GetCurrentDisplayMode(kPrimaryDisplay, &mode) != 0) return 0;
    return horizontal ? mode.w : mode.h;
}
} // namespace

int SaneDpi(bool known, float reported)
{
    if (!known || !std::isfinite(reported) || reported < kLowestDpi || reported > kHighestDpi) return kDefaultDpi;
    return static_cast<int>(std::lround(reported));
}

HDC WINAPI GetDC(HWND window)
{
    if (window != nullptr && FindWindowRecord(window) == nullptr) return nullptr;
    return kScreenDc;
}

int WINAPI GetDeviceCaps(HDC dc, int index)
{
    if (dc != kScreenDc) return 0;
    switch (index) {
    case LOGPIXELSX: return Dpi(true);
    case LOGPIXELSY: return Dpi(false);
    case HORZRES: return Resolution(true);
    case VERTRES: return Resolution(false);
    default: return 0;
    }
}

int WINAPI ReleaseDC(HWND, HDC dc)
{
    return dc == kScreenDc ? 1 : 0;
}
