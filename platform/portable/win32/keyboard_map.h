// SDL keys to Windows virtual-key codes and PC scan codes.
#pragma once

#include <SDL_keycode.h>
#include <SDL_scancode.h>

#include "platform/portable/win32/api.h"

namespace portable {

struct VirtualKey {
    // The code in wParam of key messages: generic for Shift, Ctrl and Alt; 0 for keys Windows has no code for.
    UINT code = 0;
    // The side-specific code for Shift, Ctrl and Alt (VK_LSHIFT ...); the same as code for other keys.
    UINT sideCode = 0;
    // Set 1 make code, bits 16-23 of lParam.
    BYTE scanCode = 0;
    // Bit 24 of lParam: right-hand Ctrl and Alt, the navigation block, keypad Enter and Divide.
    bool extended = false;
};

// Letters, digits and the US punctuation keys follow the layout (the key
// code); every other key, and keys whose character has no code of its own,
// follow the physical position (the scan code) on a US keyboard.
VirtualKey VirtualKeyFromSdl(SDL_Keycode key, SDL_Scancode scancode);

} // namespace portable
