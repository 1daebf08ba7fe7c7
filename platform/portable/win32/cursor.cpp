// SetCursor: a null cursor hides the pointer over the program's windows; any
// other cursor shows the system pointer (there are no cursor images here).
#include <SDL.h>

#include "platform/portable/win32/api.h"

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
