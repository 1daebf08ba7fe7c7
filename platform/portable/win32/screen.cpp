// GetDC, GetDeviceCaps and ReleaseDC for the screen: its dots per inch and
// its current size.
#include <SDL.h>

#include "platform/portable/win32/window_internal.h"
#include "platform/portable/win32/window_table.h"
#include "platform/portable/win32/x11_display_mode.h"

using namespace portable;

namespace {
// What Windows tells a program that has not declared itself DPI-aware,
// whatever the monitor: it scales such a program's output itself.
constexpr int kUnawareDpi = 96;

// One device context stands for the whole screen; window DCs draw nothing here either.
const HDC kScreenDc = reinterpret_cast<HDC>(static_cast<uintptr_t>(0x10051));

// Windows' screen DC covers the primary display.
constexpr int kPrimaryDisplay = 0;

int Resolution(bool horizontal)
{
    SDL_DisplayMode mode{};
    // SDL's record does not follow the modes the layer switches itself.
    if (!X11HeldDisplayMode(mode) && (!InitVideo() || SDL_GetCurrentDisplayMode(kPrimaryDisplay, &mode) != 0))
        return 0;
    return horizontal ? mode.w : mode.h;
}
} // namespace

HDC WINAPI GetDC(HWND window)
{
    if (window != nullptr && FindWindowRecord(window) == nullptr) return nullptr;
    return kScreenDc;
}

int WINAPI GetDeviceCaps(HDC dc, int index)
{
    if (dc != kScreenDc) return 0;
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return kUnawareDpi;
    case HORZRES: return Resolution(true);
    case VERTRES: return Resolution(false);
    default: return 0;
    }
}

int WINAPI ReleaseDC(HWND, HDC dc)
{
    return dc == kScreenDc ? 1 : 0;
}
