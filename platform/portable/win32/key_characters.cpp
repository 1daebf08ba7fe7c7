#include "platform/portable/win32/key_characters.h"

namespace portable {

namespace {
struct PunctuationKey {
    UINT virtualKey;
    char plain;
    char shifted;
    char control;
};

constexpr PunctuationKey kPunctuation[] = {
    {VK_OEM_1, ';', ':', 0},     {VK_OEM_PLUS, '=', '+', 0},    {VK_OEM_COMMA, ',', '<', 0},
    {VK_OEM_MINUS, '-', '_', 0}, {VK_OEM_PERIOD, '.', '>', 0},  {VK_OEM_2, '/', '?', 0},
    {VK_OEM_3, '`', '~', 0},     {VK_OEM_4, '[', '{', 0x1B},    {VK_OEM_5, '\\', '|', 0x1C},
    {VK_OEM_6, ']', '}', 0x1D},  {VK_OEM_7, '\'', '"', 0},
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
