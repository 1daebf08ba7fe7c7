// Raw mouse input's registration (RegisterRawInputDevices): whether raw
// mouse input is asked for, how, and for which window.
#pragma once

#include "platform/portable/win32/api.h"

namespace portable {

struct RawMouseRegistration {
    bool registered = false;
    DWORD flags = 0;
    // Null: the window with the keyboard focus receives the input.
    HWND target = nullptr;
};

RawMouseRegistration& ThreadRawMouse();

} // namespace portable
