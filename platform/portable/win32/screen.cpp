// The screen: its device context and metrics, the pointer over the program's
// windows, and rectangles.
#include <SDL.h>

#include "platform/portable/win32/api.h"
#include "platform/portable/win32/video.h"
#include "platform/portable/win32/window_table.h"
#include "platform/portable/win32/x11.h"

using namespace portable;

// GetDC, GetDeviceCaps and ReleaseDC for the screen: its dots per inch and
// its current size.
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
    if (!X11HeldDisplayMode(mode) && (!InitVideo() || SDL_GetCurrentDisplayMode(kPrimaryDisplay, &mode) != 0)) return 0;
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

int WINAPI ReleaseDC(HWND, HDC dc) { return dc == kScreenDc ? 1 : 0; }

// SetCursor: a null cursor hides the pointer over the program's windows; any
// other cursor shows the system pointer (there are no cursor images here).
namespace {
// The pointer starts as the system arrow; any non-null value stands for it.
const HCURSOR kSystemArrow = reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(0x10011));
HCURSOR g_cursor = kSystemArrow;
} // namespace

HCURSOR WINAPI SetCursor(HCURSOR cursor)
{
    const HCURSOR previous = g_cursor;
    g_cursor = cursor;
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) SDL_ShowCursor(cursor != nullptr ? SDL_ENABLE : SDL_DISABLE);
    return previous;
}

// SetRect.
BOOL WINAPI SetRect(LPRECT rect, int left, int top, int right, int bottom)
{
    if (rect == nullptr) return FALSE;
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}
