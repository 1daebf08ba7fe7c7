// The keyboard: the key map, key messages and the characters keys type.
#include "platform/portable/win32/keyboard.h"

#include <array>

namespace portable {

namespace {
constexpr UINT kVkOem102 = 0xE2;

struct PositionKey {
    SDL_Scancode scancode;
    UINT code;
    UINT sideCode;
    BYTE scanCode;
    bool extended;
};

constexpr PositionKey Key(SDL_Scancode scancode, UINT code, BYTE scanCode, bool extended = false)
{
    return PositionKey{scancode, code, code, scanCode, extended};
}

constexpr PositionKey SidedKey(SDL_Scancode scancode, UINT code, UINT sideCode, BYTE scanCode, bool extended)
{
    return PositionKey{scancode, code, sideCode, scanCode, extended};
}

// Every key by its position on a US keyboard.
constexpr PositionKey kPositionKeys[] = {
    Key(SDL_SCANCODE_A, 'A', 0x1E),
    Key(SDL_SCANCODE_B, 'B', 0x30),
    Key(SDL_SCANCODE_C, 'C', 0x2E),
    Key(SDL_SCANCODE_D, 'D', 0x20),
    Key(SDL_SCANCODE_E, 'E', 0x12),
    Key(SDL_SCANCODE_F, 'F', 0x21),
    Key(SDL_SCANCODE_G, 'G', 0x22),
    Key(SDL_SCANCODE_H, 'H', 0x23),
    Key(SDL_SCANCODE_I, 'I', 0x17),
    Key(SDL_SCANCODE_J, 'J', 0x24),
    Key(SDL_SCANCODE_K, 'K', 0x25),
    Key(SDL_SCANCODE_L, 'L', 0x26),
    Key(SDL_SCANCODE_M, 'M', 0x32),
    Key(SDL_SCANCODE_N, 'N', 0x31),
    Key(SDL_SCANCODE_O, 'O', 0x18),
    Key(SDL_SCANCODE_P, 'P', 0x19),
    Key(SDL_SCANCODE_Q, 'Q', 0x10),
    Key(SDL_SCANCODE_R, 'R', 0x13),
    Key(SDL_SCANCODE_S, 'S', 0x1F),
    Key(SDL_SCANCODE_T, 'T', 0x14),
    Key(SDL_SCANCODE_U, 'U', 0x16),
    Key(SDL_SCANCODE_V, 'V', 0x2F),
    Key(SDL_SCANCODE_W, 'W', 0x11),
    Key(SDL_SCANCODE_X, 'X', 0x2D),
    Key(SDL_SCANCODE_Y, 'Y', 0x15),
    Key(SDL_SCANCODE_Z, 'Z', 0x2C),

    Key(SDL_SCANCODE_1, '1', 0x02),
    Key(SDL_SCANCODE_2, '2', 0x03),
    Key(SDL_SCANCODE_3, '3', 0x04),
    Key(SDL_SCANCODE_4, '4', 0x05),
    Key(SDL_SCANCODE_5, '5', 0x06),
    Key(SDL_SCANCODE_6, '6', 0x07),
    Key(SDL_SCANCODE_7, '7', 0x08),
    Key(SDL_SCANCODE_8, '8', 0x09),
    Key(SDL_SCANCODE_9, '9', 0x0A),
    Key(SDL_SCANCODE_0, '0', 0x0B),

    Key(SDL_SCANCODE_RETURN, VK_RETURN, 0x1C),
    Key(SDL_SCANCODE_ESCAPE, VK_ESCAPE, 0x01),
    Key(SDL_SCANCODE_BACKSPACE, VK_BACK, 0x0E),
    Key(SDL_SCANCODE_TAB, VK_TAB, 0x0F),
    Key(SDL_SCANCODE_SPACE, VK_SPACE, 0x39),

    Key(SDL_SCANCODE_MINUS, VK_OEM_MINUS, 0x0C),
    Key(SDL_SCANCODE_EQUALS, VK_OEM_PLUS, 0x0D),
    Key(SDL_SCANCODE_LEFTBRACKET, VK_OEM_4, 0x1A),
    Key(SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6, 0x1B),
    Key(SDL_SCANCODE_BACKSLASH, VK_OEM_5, 0x2B),
    Key(SDL_SCANCODE_NONUSHASH, VK_OEM_5, 0x2B),
    Key(SDL_SCANCODE_SEMICOLON, VK_OEM_1, 0x27),
    Key(SDL_SCANCODE_APOSTROPHE, VK_OEM_7, 0x28),
    Key(SDL_SCANCODE_GRAVE, VK_OEM_3, 0x29),
    Key(SDL_SCANCODE_COMMA, VK_OEM_COMMA, 0x33),
    Key(SDL_SCANCODE_PERIOD, VK_OEM_PERIOD, 0x34),
    Key(SDL_SCANCODE_SLASH, VK_OEM_2, 0x35),
    Key(SDL_SCANCODE_NONUSBACKSLASH, kVkOem102, 0x56),

    Key(SDL_SCANCODE_CAPSLOCK, VK_CAPITAL, 0x3A),
    Key(SDL_SCANCODE_F1, VK_F1, 0x3B),
    Key(SDL_SCANCODE_F2, VK_F2, 0x3C),
    Key(SDL_SCANCODE_F3, VK_F3, 0x3D),
    Key(SDL_SCANCODE_F4, VK_F4, 0x3E),
    Key(SDL_SCANCODE_F5, VK_F5, 0x3F),
    Key(SDL_SCANCODE_F6, VK_F6, 0x40),
    Key(SDL_SCANCODE_F7, VK_F7, 0x41),
    Key(SDL_SCANCODE_F8, VK_F8, 0x42),
    Key(SDL_SCANCODE_F9, VK_F9, 0x43),
    Key(SDL_SCANCODE_F10, VK_F10, 0x44),
    Key(SDL_SCANCODE_F11, VK_F11, 0x57),
    Key(SDL_SCANCODE_F12, VK_F12, 0x58),
    Key(SDL_SCANCODE_F13, VK_F13, 0x64),
    Key(SDL_SCANCODE_F14, VK_F14, 0x65),
    Key(SDL_SCANCODE_F15, VK_F15, 0x66),
    Key(SDL_SCANCODE_F16, VK_F16, 0x67),
    Key(SDL_SCANCODE_F17, VK_F17, 0x68),
    Key(SDL_SCANCODE_F18, VK_F18, 0x69),
    Key(SDL_SCANCODE_F19, VK_F19, 0x6A),
    Key(SDL_SCANCODE_F20, VK_F20, 0x6B),
    Key(SDL_SCANCODE_F21, VK_F21, 0x6C),
    Key(SDL_SCANCODE_F22, VK_F22, 0x6D),
    Key(SDL_SCANCODE_F23, VK_F23, 0x6E),
    Key(SDL_SCANCODE_F24, VK_F24, 0x76),

    Key(SDL_SCANCODE_PRINTSCREEN, VK_SNAPSHOT, 0x37, true),
    Key(SDL_SCANCODE_SCROLLLOCK, VK_SCROLL, 0x46),
    Key(SDL_SCANCODE_PAUSE, VK_PAUSE, 0x45),
    Key(SDL_SCANCODE_INSERT, VK_INSERT, 0x52, true),
    Key(SDL_SCANCODE_DELETE, VK_DELETE, 0x53, true),
    Key(SDL_SCANCODE_HOME, VK_HOME, 0x47, true),
    Key(SDL_SCANCODE_END, VK_END, 0x4F, true),
    Key(SDL_SCANCODE_PAGEUP, VK_PRIOR, 0x49, true),
    Key(SDL_SCANCODE_PAGEDOWN, VK_NEXT, 0x51, true),
    Key(SDL_SCANCODE_LEFT, VK_LEFT, 0x4B, true),
    Key(SDL_SCANCODE_RIGHT, VK_RIGHT, 0x4D, true),
    Key(SDL_SCANCODE_UP, VK_UP, 0x48, true),
    Key(SDL_SCANCODE_DOWN, VK_DOWN, 0x50, true),

    Key(SDL_SCANCODE_NUMLOCKCLEAR, VK_NUMLOCK, 0x45, true),
    Key(SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE, 0x35, true),
    Key(SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY, 0x37),
    Key(SDL_SCANCODE_KP_MINUS, VK_SUBTRACT, 0x4A),
    Key(SDL_SCANCODE_KP_PLUS, VK_ADD, 0x4E),
    Key(SDL_SCANCODE_KP_ENTER, VK_RETURN, 0x1C, true),
    Key(SDL_SCANCODE_KP_PERIOD, VK_DECIMAL, 0x53),
    Key(SDL_SCANCODE_KP_0, VK_NUMPAD0, 0x52),
    Key(SDL_SCANCODE_KP_1, VK_NUMPAD1, 0x4F),
    Key(SDL_SCANCODE_KP_2, VK_NUMPAD2, 0x50),
    Key(SDL_SCANCODE_KP_3, VK_NUMPAD3, 0x51),
    Key(SDL_SCANCODE_KP_4, VK_NUMPAD4, 0x4B),
    Key(SDL_SCANCODE_KP_5, VK_NUMPAD5, 0x4C),
    Key(SDL_SCANCODE_KP_6, VK_NUMPAD6, 0x4D),
    Key(SDL_SCANCODE_KP_7, VK_NUMPAD7, 0x47),
    Key(SDL_SCANCODE_KP_8, VK_NUMPAD8, 0x48),
    Key(SDL_SCANCODE_KP_9, VK_NUMPAD9, 0x49),
    Key(SDL_SCANCODE_KP_COMMA, VK_SEPARATOR, 0x7E),

    SidedKey(SDL_SCANCODE_LSHIFT, VK_SHIFT, VK_LSHIFT, 0x2A, false),
    SidedKey(SDL_SCANCODE_RSHIFT, VK_SHIFT, VK_RSHIFT, 0x36, false),
    SidedKey(SDL_SCANCODE_LCTRL, VK_CONTROL, VK_LCONTROL, 0x1D, false),
    SidedKey(SDL_SCANCODE_RCTRL, VK_CONTROL, VK_RCONTROL, 0x1D, true),
    SidedKey(SDL_SCANCODE_LALT, VK_MENU, VK_LMENU, 0x38, false),
    SidedKey(SDL_SCANCODE_RALT, VK_MENU, VK_RMENU, 0x38, true),
    Key(SDL_SCANCODE_LGUI, VK_LWIN, 0x5B, true),
    Key(SDL_SCANCODE_RGUI, VK_RWIN, 0x5C, true),
    Key(SDL_SCANCODE_APPLICATION, VK_APPS, 0x5D, true),
};

const PositionKey* FindPosition(SDL_Scancode scancode)
{
    for (const PositionKey& key : kPositionKeys)
        if (key.scancode == scancode) return &key;
    return nullptr;
}

bool IsKeypad(SDL_Scancode scancode)
{
    return scancode >= SDL_SCANCODE_KP_DIVIDE && scancode <= SDL_SCANCODE_KP_PERIOD;
}

// The code of a character key on the current layout, or 0.
UINT CodeOfCharacter(SDL_Keycode key)
{
    if (key >= 'a' && key <= 'z') return static_cast<UINT>(key - 'a' + 'A');
    if (key >= '0' && key <= '9') return static_cast<UINT>(key);
    switch (key) {
    case ';': return VK_OEM_1;
    case '=': return VK_OEM_PLUS;
    case ',': return VK_OEM_COMMA;
    case '-': return VK_OEM_MINUS;
    case '.': return VK_OEM_PERIOD;
    case '/': return VK_OEM_2;
    case '`': return VK_OEM_3;
    case '[': return VK_OEM_4;
    case '\\': return VK_OEM_5;
    case ']': return VK_OEM_6;
    case '\'': return VK_OEM_7;
    default: return 0;
    }
}
} // namespace

VirtualKey VirtualKeyFromSdl(SDL_Keycode key, SDL_Scancode scancode)
{
    VirtualKey result;
    if (const PositionKey* position = FindPosition(scancode)) {
        result.code = position->code;
        result.sideCode = position->sideCode;
        result.scanCode = position->scanCode;
        result.extended = position->extended;
    }
    // The keypad always gives its own codes, whatever its keys type.
    if (IsKeypad(scancode)) return result;
    if (const UINT layoutCode = CodeOfCharacter(key); layoutCode != 0) {
        result.code = layoutCode;
        result.sideCode = layoutCode;
    }
    return result;
}

// Key messages and the keyboard state behind them.
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

bool AltDown(const KeyboardState& keyboard) { return keyboard.down[VK_LMENU] || keyboard.down[VK_RMENU]; }

bool ControlDown(const KeyboardState& keyboard)
{
    return keyboard.down[VK_LCONTROL] || keyboard.down[VK_RCONTROL] || keyboard.altGrDown;
}

bool ShiftDown(const KeyboardState& keyboard) { return keyboard.down[VK_LSHIFT] || keyboard.down[VK_RSHIFT]; }

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

// The characters keys type on a US layout.
namespace {
struct PunctuationKey {
    UINT virtualKey;
    char plain;
    char shifted;
    char control;
};

constexpr PunctuationKey kPunctuation[] = {
    {VK_OEM_1, ';', ':', 0},      {VK_OEM_PLUS, '=', '+', 0}, {VK_OEM_COMMA, ',', '<', 0}, {VK_OEM_MINUS, '-', '_', 0},
    {VK_OEM_PERIOD, '.', '>', 0}, {VK_OEM_2, '/', '?', 0},    {VK_OEM_3, '`', '~', 0},     {VK_OEM_4, '[', '{', 0x1B},
    {VK_OEM_5, '\\', '|', 0x1C},  {VK_OEM_6, ']', '}', 0x1D}, {VK_OEM_7, '\'', '"', 0},
};

constexpr char kShiftedDigits[] = ")!@#$%^&*(";
} // namespace

WCHAR CharacterOfKey(UINT virtualKey, bool shift, bool capsLock, bool control)
{
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        if (control) return static_cast<WCHAR>(virtualKey - 'A' + 1);
        return static_cast<WCHAR>(shift != capsLock ? virtualKey : virtualKey - 'A' + 'a');
    }
    if (virtualKey >= VK_NUMPAD0 && virtualKey <= VK_NUMPAD9)
        return control ? 0 : static_cast<WCHAR>('0' + (virtualKey - VK_NUMPAD0));
    switch (virtualKey) {
    case VK_RETURN: return control ? L'\n' : L'\r';
    case VK_ESCAPE: return 0x1B;
    case VK_BACK: return control ? 0x7F : 0x08;
    case VK_TAB: return control ? 0 : L'\t';
    case VK_SPACE: return L' ';
    case VK_MULTIPLY: return control ? 0 : L'*';
    case VK_ADD: return control ? 0 : L'+';
    case VK_SUBTRACT: return control ? 0 : L'-';
    case VK_DECIMAL: return control ? 0 : L'.';
    case VK_DIVIDE: return control ? 0 : L'/';
    default: break;
    }
    if (control) {
        for (const PunctuationKey& key : kPunctuation)
            if (key.virtualKey == virtualKey) return static_cast<WCHAR>(key.control);
        return 0;
    }
    if (virtualKey >= '0' && virtualKey <= '9')
        return static_cast<WCHAR>(shift ? kShiftedDigits[virtualKey - '0'] : static_cast<char>(virtualKey));
    for (const PunctuationKey& key : kPunctuation)
        if (key.virtualKey == virtualKey) return static_cast<WCHAR>(shift ? key.shifted : key.plain);
    return 0;
}

} // namespace portable
