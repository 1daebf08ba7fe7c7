// A window class for tests whose windows live on SDL's offscreen driver.
#pragma once

#include <cstdlib>

#include "platform/platform.h"

inline void RegisterOffscreenClass(const wchar_t* name, WNDPROC procedure, UINT style = 0)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(WNDCLASSEXW);
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass);
}
