// Key presses and releases as Windows key messages, with the keyboard state
// that decides between WM_KEY* and WM_SYSKEY* and fills lParam.
#pragma once

#include <array>

#include "platform/portable/win32/keyboard_map.h"

namespace portable {

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

} // namespace portable
