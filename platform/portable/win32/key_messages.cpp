#include "platform/portable/win32/key_messages.h"

namespace portable {

namespace {
constexpr LPARAM kExtendedBit = LPARAM{1} << 24;
constexpr LPARAM kAltDownBit = LPARAM{1} << 29;
constexpr LPARAM kPreviousStateBit = LPARAM{1} << 30;
constexpr LPARAM kTransitionBit = LPARAM{1} << 31;
} // namespace

KeyboardState& ThreadKeyboard()
{
    static KeyboardState keyboard;
    return keyboard;
}

bool AltDown(const KeyboardState& keyboard)
{
    return keyboard.down[VK_LMENU] || keyboard.down[VK_RMENU];
}

bool ControlDown(const KeyboardState& keyboard)
{
    return keyboard.down[VK_LCONTROL] || keyboard.down[VK_RCONTROL] || keyboard.altGrDown;
}

bool ShiftDown(const KeyboardState& keyboard)
{
    return keyboard.down[VK_LSHIFT] || keyboard.down[VK_RSHIFT];
}

KeyMessage ApplyKey(KeyboardState& keyboard, const VirtualKey& key, bool pressed, bool repeat, bool altGr)
{
    if (key.code == 0 || key.sideCode > 0xFF) return KeyMessage{};
    const bool wasDown = keyboard.down[key.sideCode];
    if (pressed) {
        keyboard.down[key.sideCode] = true;
        if (altGr) keyboard.altGrDown = true;
    }
    // For a press, the state with the key down; for a release, the state before it.
    const bool altDown = AltDown(keyboard);
    const bool controlDown = ControlDown(keyboard);

    bool system = false;
    if (key.code == VK_MENU) {
        if (pressed) {
            system = !controlDown;
            if (system) keyboard.altAlone = true;
        } else {
            system = keyboard.altAlone;
            keyboard.altAlone = false;
        }
    } else if (key.code == VK_CONTROL) {
        system = !pressed && altDown;
        if (system) keyboard.altAlone = false;
    } else {
        system = key.code == VK_F10 || (altDown && !controlDown);
        if (system) keyboard.altAlone = false;
    }
    if (!pressed) {
        keyboard.down[key.sideCode] = false;
        if (altGr) keyboard.altGrDown = false;
    }

    KeyMessage result;
    if (pressed)
        result.message = system ? WM_SYSKEYDOWN : WM_KEYDOWN;
    else
        result.message = system ? WM_SYSKEYUP : WM_KEYUP;
    result.wParam = key.code;
    LPARAM lParam = 1 | (static_cast<LPARAM>(key.scanCode) << 16);
    if (key.extended) lParam |= kExtendedBit;
    if (altDown) lParam |= kAltDownBit;
    if (!pressed || repeat || wasDown) lParam |= kPreviousStateBit;
    if (!pressed) lParam |= kTransitionBit;
    result.lParam = lParam;
    return result;
}

} // namespace portable
