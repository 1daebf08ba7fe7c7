// The keyboard: SDL keys as Windows virtual-key codes and scan codes, key
// presses and releases as key messages, and the characters keys type.
#pragma once

#include <array>

#include <SDL_keycode.h>
#include <SDL_scancode.h>

#include "platform/portable/win32/api.h"

namespace portable {

// SDL keys to Windows virtual-key codes and PC scan codes.
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

// Key presses and releases as Windows key messages, with the keyboard state
// that decides between WM_KEY* and WM_SYSKEY* and fills lParam.
struct KeyboardState {
    // Down keys by side-specific code.
    std::array<bool, 256> down{};
    bool capsLock = false;
    // Right Alt types AltGr characters on this layout; Windows treats it as Ctrl+Alt.
    bool altGrDown = false;
    // Alt went down and no other system key followed: its release is WM_SYSKEYUP (it opens the menu).
    bool altAlone = false;
};

struct KeyMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// The keyboard of the program's one thread.
KeyboardState& ThreadKeyboard();

bool AltDown(const KeyboardState& keyboard);
bool ControlDown(const KeyboardState& keyboard);
bool ShiftDown(const KeyboardState& keyboard);

// Applies a press (repeat: an auto-repeat of a held key) or a release to the
// state and returns its message, deciding as Windows does between WM_KEY* and
// WM_SYSKEY*: F10, and any key while Alt is held without Ctrl, are system
// keys; Alt itself is one when pressed without Ctrl, and its release only
// when no other system key came in between; releasing Ctrl while Alt is held
// is one. lParam: repeat count 1, scan code, the extended bit, bit 29 while
// Alt is down, bit 30 for the previous state and bit 31 for a release. A key
// without a code gives message 0.
KeyMessage ApplyKey(KeyboardState& keyboard, const VirtualKey& key, bool pressed, bool repeat, bool altGr = false);

// The character a key types, for TranslateMessage: US layout, with Shift,
// Caps Lock and Ctrl.
// 0 when the key types nothing in this state.
WCHAR CharacterOfKey(UINT virtualKey, bool shift, bool capsLock, bool control);

} // namespace portable
