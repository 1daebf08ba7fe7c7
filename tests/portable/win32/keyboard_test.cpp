// The keyboard: SDL keys to virtual-key codes and scan codes, key messages
// and the characters TranslateMessage posts.
#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/portable/win32/keyboard.h"

using namespace portable;

// SDL keys to virtual-key codes, scan codes and the extended bit.
namespace {
struct KeyCase {
    const char* name;
    SDL_Keycode key;
    SDL_Scancode scancode;
    UINT code;
    UINT sideCode;
    BYTE scanCode;
    bool extended;
};

const KeyCase kKeyCases[] = {
    {"letter W", SDLK_w, SDL_SCANCODE_W, 'W', 'W', 0x11, false},
    {"letter A", SDLK_a, SDL_SCANCODE_A, 'A', 'A', 0x1E, false},
    {"letter S", SDLK_s, SDL_SCANCODE_S, 'S', 'S', 0x1F, false},
    {"letter D", SDLK_d, SDL_SCANCODE_D, 'D', 'D', 0x20, false},
    {"letter Z", SDLK_z, SDL_SCANCODE_Z, 'Z', 'Z', 0x2C, false},
    {"digit 0", SDLK_0, SDL_SCANCODE_0, '0', '0', 0x0B, false},
    {"digit 9", SDLK_9, SDL_SCANCODE_9, '9', '9', 0x0A, false},
    {"escape", SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, VK_ESCAPE, VK_ESCAPE, 0x01, false},
    {"enter", SDLK_RETURN, SDL_SCANCODE_RETURN, VK_RETURN, VK_RETURN, 0x1C, false},
    {"keypad enter", SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, VK_RETURN, VK_RETURN, 0x1C, true},
    {"space", SDLK_SPACE, SDL_SCANCODE_SPACE, VK_SPACE, VK_SPACE, 0x39, false},
    {"tab", SDLK_TAB, SDL_SCANCODE_TAB, VK_TAB, VK_TAB, 0x0F, false},
    {"backspace", SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, VK_BACK, VK_BACK, 0x0E, false},
    {"up", SDLK_UP, SDL_SCANCODE_UP, VK_UP, VK_UP, 0x48, true},
    {"down", SDLK_DOWN, SDL_SCANCODE_DOWN, VK_DOWN, VK_DOWN, 0x50, true},
    {"left", SDLK_LEFT, SDL_SCANCODE_LEFT, VK_LEFT, VK_LEFT, 0x4B, true},
    {"right", SDLK_RIGHT, SDL_SCANCODE_RIGHT, VK_RIGHT, VK_RIGHT, 0x4D, true},
    {"page up", SDLK_PAGEUP, SDL_SCANCODE_PAGEUP, VK_PRIOR, VK_PRIOR, 0x49, true},
    {"page down", SDLK_PAGEDOWN, SDL_SCANCODE_PAGEDOWN, VK_NEXT, VK_NEXT, 0x51, true},
    {"home", SDLK_HOME, SDL_SCANCODE_HOME, VK_HOME, VK_HOME, 0x47, true},
    {"end", SDLK_END, SDL_SCANCODE_END, VK_END, VK_END, 0x4F, true},
    {"insert", SDLK_INSERT, SDL_SCANCODE_INSERT, VK_INSERT, VK_INSERT, 0x52, true},
    {"delete", SDLK_DELETE, SDL_SCANCODE_DELETE, VK_DELETE, VK_DELETE, 0x53, true},
    {"F1", SDLK_F1, SDL_SCANCODE_F1, VK_F1, VK_F1, 0x3B, false},
    {"F4", SDLK_F4, SDL_SCANCODE_F4, VK_F4, VK_F4, 0x3E, false},
    {"F10", SDLK_F10, SDL_SCANCODE_F10, VK_F10, VK_F10, 0x44, false},
    {"F12", SDLK_F12, SDL_SCANCODE_F12, VK_F12, VK_F12, 0x58, false},
    {"F13", SDLK_F13, SDL_SCANCODE_F13, VK_F13, VK_F13, 0x64, false},
    {"F24", SDLK_F24, SDL_SCANCODE_F24, VK_F24, VK_F24, 0x76, false},
    {"left shift", SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, VK_SHIFT, VK_LSHIFT, 0x2A, false},
    {"right shift", SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, VK_SHIFT, VK_RSHIFT, 0x36, false},
    {"left ctrl", SDLK_LCTRL, SDL_SCANCODE_LCTRL, VK_CONTROL, VK_LCONTROL, 0x1D, false},
    {"right ctrl", SDLK_RCTRL, SDL_SCANCODE_RCTRL, VK_CONTROL, VK_RCONTROL, 0x1D, true},
    {"left alt", SDLK_LALT, SDL_SCANCODE_LALT, VK_MENU, VK_LMENU, 0x38, false},
    {"right alt", SDLK_RALT, SDL_SCANCODE_RALT, VK_MENU, VK_RMENU, 0x38, true},
    {"keypad 0", SDLK_KP_0, SDL_SCANCODE_KP_0, VK_NUMPAD0, VK_NUMPAD0, 0x52, false},
    {"keypad 7", SDLK_KP_7, SDL_SCANCODE_KP_7, VK_NUMPAD7, VK_NUMPAD7, 0x47, false},
    {"keypad divide", SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE, VK_DIVIDE, 0x35, true},
    {"keypad multiply", SDLK_KP_MULTIPLY, SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY, VK_MULTIPLY, 0x37, false},
    {"keypad minus", SDLK_KP_MINUS, SDL_SCANCODE_KP_MINUS, VK_SUBTRACT, VK_SUBTRACT, 0x4A, false},
    {"keypad plus", SDLK_KP_PLUS, SDL_SCANCODE_KP_PLUS, VK_ADD, VK_ADD, 0x4E, false},
    {"keypad period", SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, VK_DECIMAL, VK_DECIMAL, 0x53, false},
    {"num lock", SDLK_NUMLOCKCLEAR, SDL_SCANCODE_NUMLOCKCLEAR, VK_NUMLOCK, VK_NUMLOCK, 0x45, true},
    {"semicolon", SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON, VK_OEM_1, VK_OEM_1, 0x27, false},
    {"equals", SDLK_EQUALS, SDL_SCANCODE_EQUALS, VK_OEM_PLUS, VK_OEM_PLUS, 0x0D, false},
    {"comma", SDLK_COMMA, SDL_SCANCODE_COMMA, VK_OEM_COMMA, VK_OEM_COMMA, 0x33, false},
    {"minus", SDLK_MINUS, SDL_SCANCODE_MINUS, VK_OEM_MINUS, VK_OEM_MINUS, 0x0C, false},
    {"period", SDLK_PERIOD, SDL_SCANCODE_PERIOD, VK_OEM_PERIOD, VK_OEM_PERIOD, 0x34, false},
    {"slash", SDLK_SLASH, SDL_SCANCODE_SLASH, VK_OEM_2, VK_OEM_2, 0x35, false},
    {"grave", SDLK_BACKQUOTE, SDL_SCANCODE_GRAVE, VK_OEM_3, VK_OEM_3, 0x29, false},
    {"left bracket", SDLK_LEFTBRACKET, SDL_SCANCODE_LEFTBRACKET, VK_OEM_4, VK_OEM_4, 0x1A, false},
    {"backslash", SDLK_BACKSLASH, SDL_SCANCODE_BACKSLASH, VK_OEM_5, VK_OEM_5, 0x2B, false},
    {"right bracket", SDLK_RIGHTBRACKET, SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6, VK_OEM_6, 0x1B, false},
    {"apostrophe", SDLK_QUOTE, SDL_SCANCODE_APOSTROPHE, VK_OEM_7, VK_OEM_7, 0x28, false},
    // Layouts: letters follow the character, other keys the position.
    {"AZERTY A on the Q position", SDLK_a, SDL_SCANCODE_Q, 'A', 'A', 0x10, false},
    {"AZERTY M on the semicolon position", SDLK_m, SDL_SCANCODE_SEMICOLON, 'M', 'M', 0x27, false},
    {"AZERTY comma on the M position", SDLK_COMMA, SDL_SCANCODE_M, VK_OEM_COMMA, VK_OEM_COMMA, 0x32, false},
    {"AZERTY ampersand on the 1 position", SDLK_AMPERSAND, SDL_SCANCODE_1, '1', '1', 0x02, false},
    {"Cyrillic letter on the W position", 0x0446, SDL_SCANCODE_W, 'W', 'W', 0x11, false},
    {"keypad digit typed as a plain digit", SDLK_7, SDL_SCANCODE_KP_7, VK_NUMPAD7, VK_NUMPAD7, 0x47, false},
    {"keypad 7 typing Home keeps its keypad code", SDLK_HOME, SDL_SCANCODE_KP_7, VK_NUMPAD7, VK_NUMPAD7, 0x47, false},
};

void PrintTo(const KeyCase& key, std::ostream* out) { *out << key.name; }

class KeyboardMapTest : public testing::TestWithParam<KeyCase> {};

TEST_P(KeyboardMapTest, GivesTheWindowsCodes)
{
    const KeyCase& expected = GetParam();
    const VirtualKey key = VirtualKeyFromSdl(expected.key, expected.scancode);
    EXPECT_EQ(key.code, expected.code);
    EXPECT_EQ(key.sideCode, expected.sideCode);
    EXPECT_EQ(key.scanCode, expected.scanCode);
    EXPECT_EQ(key.extended, expected.extended);
}

std::string CaseName(const testing::TestParamInfo<KeyCase>& info)
{
    std::string name;
    for (const char* c = info.param.name; *c != '\0'; ++c)
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyboardMapTest, testing::ValuesIn(kKeyCases), CaseName);

TEST(KeyboardMap, KeysWithoutAWindowsCodeGiveZero)
{
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN).code, 0u);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_AUDIOPLAY, SDL_SCANCODE_AUDIOPLAY).code, 0u);
}

TEST(KeyboardMap, EveryLetterAndDigitFollowsItsCharacter)
{
    for (char c = 'a'; c <= 'z'; ++c)
        EXPECT_EQ(VirtualKeyFromSdl(c, SDL_SCANCODE_A).code, static_cast<UINT>(c - 'a' + 'A')) << c;
    for (char c = '0'; c <= '9'; ++c) EXPECT_EQ(VirtualKeyFromSdl(c, SDL_SCANCODE_0).code, static_cast<UINT>(c)) << c;
}

TEST(KeyboardMap, EveryFunctionKeyHasItsCode)
{
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(VirtualKeyFromSdl(SDLK_F1 + i, static_cast<SDL_Scancode>(SDL_SCANCODE_F1 + i)).code,
                  static_cast<UINT>(VK_F1 + i));
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(VirtualKeyFromSdl(SDLK_F13 + i, static_cast<SDL_Scancode>(SDL_SCANCODE_F13 + i)).code,
                  static_cast<UINT>(VK_F13 + i));
}

// Key messages: WM_KEY* against WM_SYSKEY* and the lParam bits.
constexpr LPARAM kAltBit = LPARAM{1} << 29;
constexpr LPARAM kPreviousBit = LPARAM{1} << 30;
constexpr LPARAM kTransitionBit = LPARAM{1} << 31;
constexpr LPARAM kExtendedBit = LPARAM{1} << 24;

VirtualKey Key(SDL_Keycode key, SDL_Scancode scancode) { return VirtualKeyFromSdl(key, scancode); }

const VirtualKey kW = Key(SDLK_w, SDL_SCANCODE_W);
const VirtualKey kF4 = Key(SDLK_F4, SDL_SCANCODE_F4);
const VirtualKey kF10 = Key(SDLK_F10, SDL_SCANCODE_F10);
const VirtualKey kLeftAlt = Key(SDLK_LALT, SDL_SCANCODE_LALT);
const VirtualKey kRightAlt = Key(SDLK_RALT, SDL_SCANCODE_RALT);
const VirtualKey kLeftCtrl = Key(SDLK_LCTRL, SDL_SCANCODE_LCTRL);
const VirtualKey kLeftShift = Key(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT);
const VirtualKey kRightShift = Key(SDLK_RSHIFT, SDL_SCANCODE_RSHIFT);
const VirtualKey kUp = Key(SDLK_UP, SDL_SCANCODE_UP);

struct Step {
    const VirtualKey* key;
    bool pressed;
    bool repeat;
    UINT message;
    WPARAM wParam;
};

struct Sequence {
    const char* name;
    std::vector<Step> steps;
};

const Sequence kSequences[] = {
    {"plain key", {{&kW, true, false, WM_KEYDOWN, 'W'}, {&kW, false, false, WM_KEYUP, 'W'}}},
    {"held key repeats as key downs",
     {{&kW, true, false, WM_KEYDOWN, 'W'},
      {&kW, true, true, WM_KEYDOWN, 'W'},
      {&kW, true, true, WM_KEYDOWN, 'W'},
      {&kW, false, false, WM_KEYUP, 'W'}}},
    {"alt alone", {{&kLeftAlt, true, false, WM_SYSKEYDOWN, VK_MENU}, {&kLeftAlt, false, false, WM_SYSKEYUP, VK_MENU}}},
    {"alt tapped twice",
     {{&kLeftAlt, true, false, WM_SYSKEYDOWN, VK_MENU},
      {&kLeftAlt, false, false, WM_SYSKEYUP, VK_MENU},
      {&kLeftAlt, true, false, WM_SYSKEYDOWN, VK_MENU},
      {&kLeftAlt, false, false, WM_SYSKEYUP, VK_MENU}}},
    {"alt+F4: alt released after another key is a key up",
     {{&kLeftAlt, true, false, WM_SYSKEYDOWN, VK_MENU},
      {&kF4, true, false, WM_SYSKEYDOWN, VK_F4},
      {&kF4, false, false, WM_SYSKEYUP, VK_F4},
      {&kLeftAlt, false, false, WM_KEYUP, VK_MENU}}},
    {"right alt is alt too",
     {{&kRightAlt, true, false, WM_SYSKEYDOWN, VK_MENU},
      {&kW, true, false, WM_SYSKEYDOWN, 'W'},
      {&kRightAlt, false, false, WM_KEYUP, VK_MENU},
      {&kW, false, false, WM_KEYUP, 'W'}}},
    {"key held through alt: its release after alt is a key up",
     {{&kW, true, false, WM_KEYDOWN, 'W'},
      {&kLeftAlt, true, false, WM_SYSKEYDOWN, VK_MENU},
      {&kW, true, true, WM_SYSKEYDOWN, 'W'},
      {&kLeftAlt, false, false, WM_KEYUP, VK_MENU},
      {&kW, false, false, WM_KEYUP, 'W'}}},
    {"key released while alt is held is a system key up",
     {{&kW, true, false, WM_KEYDOWN, 'W'},
      {&kLeftAlt, true, false, WM_SYSKEYDOWN, VK_MENU},
      {&kW, false, false, WM_SYSKEYUP, 'W'},
      {&kLeftAlt, false, false, WM_KEYUP, VK_MENU}}},
    {"F10 alone is a system key",
     {{&kF10, true, false, WM_SYSKEYDOWN, VK_F10}, {&kF10, false, false, WM_SYSKEYUP, VK_F10}}},
    {"ctrl+F10 is a system key too",
     {{&kLeftCtrl, true, false, WM_KEYDOWN, VK_CONTROL},
      {&kF10, true, false, WM_SYSKEYDOWN, VK_F10},
      {&kF10, false, false, WM_SYSKEYUP, VK_F10},
      {&kLeftCtrl, false, false, WM_KEYUP, VK_CONTROL}}},
    {"ctrl+alt keys are plain keys",
     {{&kLeftCtrl, true, false, WM_KEYDOWN, VK_CONTROL},
      {&kLeftAlt, true, false, WM_KEYDOWN, VK_MENU},
      {&kW, true, false, WM_KEYDOWN, 'W'},
      {&kW, false, false, WM_KEYUP, 'W'},
      {&kLeftAlt, false, false, WM_KEYUP, VK_MENU},
      {&kLeftCtrl, false, false, WM_KEYUP, VK_CONTROL}}},
    {"ctrl released while alt is held is a system key up",
     {{&kLeftAlt, true, false, WM_SYSKEYDOWN, VK_MENU},
      {&kLeftCtrl, true, false, WM_KEYDOWN, VK_CONTROL},
      {&kLeftCtrl, false, false, WM_SYSKEYUP, VK_CONTROL},
      {&kLeftAlt, false, false, WM_KEYUP, VK_MENU}}},
    {"shift with alt held is a system key",
     {{&kLeftAlt, true, false, WM_SYSKEYDOWN, VK_MENU},
      {&kLeftShift, true, false, WM_SYSKEYDOWN, VK_SHIFT},
      {&kLeftShift, false, false, WM_SYSKEYUP, VK_SHIFT},
      {&kLeftAlt, false, false, WM_KEYUP, VK_MENU}}},
    {"shift keys give the generic code",
     {{&kLeftShift, true, false, WM_KEYDOWN, VK_SHIFT},
      {&kRightShift, true, false, WM_KEYDOWN, VK_SHIFT},
      {&kRightShift, false, false, WM_KEYUP, VK_SHIFT},
      {&kLeftShift, false, false, WM_KEYUP, VK_SHIFT}}},
};

void PrintTo(const Sequence& sequence, std::ostream* out) { *out << sequence.name; }

class KeySequenceTest : public testing::TestWithParam<Sequence> {};

TEST_P(KeySequenceTest, GivesTheMessagesWindowsGives)
{
    KeyboardState keyboard;
    int index = 0;
    for (const Step& step : GetParam().steps) {
        const KeyMessage message = ApplyKey(keyboard, *step.key, step.pressed, step.repeat);
        EXPECT_EQ(message.message, step.message) << "step " << index;
        EXPECT_EQ(message.wParam, step.wParam) << "step " << index;
        ++index;
    }
    for (int code = 0; code < 256; ++code) EXPECT_FALSE(keyboard.down[code]) << code;
}

std::string SequenceName(const testing::TestParamInfo<Sequence>& info)
{
    std::string name;
    for (const char* c = info.param.name; *c != '\0'; ++c)
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Sequences, KeySequenceTest, testing::ValuesIn(kSequences), SequenceName);

TEST(KeyMessages, LParamCarriesRepeatCountScanCodeAndTransitionBits)
{
    KeyboardState keyboard;
    const KeyMessage down = ApplyKey(keyboard, kW, true, false);
    EXPECT_EQ(down.lParam, LPARAM{0x00110001});
    const KeyMessage repeat = ApplyKey(keyboard, kW, true, true);
    EXPECT_EQ(repeat.lParam, LPARAM{0x00110001} | kPreviousBit);
    const KeyMessage up = ApplyKey(keyboard, kW, false, false);
    EXPECT_EQ(up.lParam, LPARAM{0x00110001} | kPreviousBit | kTransitionBit);
    EXPECT_GT(up.lParam, 0) << "lParam of a release is not sign-extended";
}

TEST(KeyMessages, ExtendedKeysSetBit24)
{
    KeyboardState keyboard;
    EXPECT_EQ(ApplyKey(keyboard, kUp, true, false).lParam, LPARAM{0x00480001} | kExtendedBit);
    EXPECT_EQ(ApplyKey(keyboard, kW, true, false).lParam & kExtendedBit, 0);
}

TEST(KeyMessages, Bit29IsSetWhileAltIsDown)
{
    KeyboardState keyboard;
    EXPECT_NE(ApplyKey(keyboard, kLeftAlt, true, false).lParam & kAltBit, 0);
    EXPECT_NE(ApplyKey(keyboard, kF4, true, false).lParam & kAltBit, 0);
    EXPECT_NE(ApplyKey(keyboard, kLeftAlt, false, false).lParam & kAltBit, 0);
    EXPECT_EQ(ApplyKey(keyboard, kF4, false, false).lParam & kAltBit, 0);
    EXPECT_EQ(ApplyKey(keyboard, kF10, true, false).lParam & kAltBit, 0);
}

TEST(KeyMessages, AnUnrepeatedPressOfAKeyAlreadyDownStillSetsThePreviousStateBit)
{
    KeyboardState keyboard;
    ApplyKey(keyboard, kW, true, false);
    EXPECT_NE(ApplyKey(keyboard, kW, true, false).lParam & kPreviousBit, 0);
}

TEST(KeyMessages, AltGrTypesLikeCtrlAltAndIsNoSystemKey)
{
    KeyboardState keyboard;
    const KeyMessage altGr = ApplyKey(keyboard, kRightAlt, true, false, true);
    EXPECT_EQ(altGr.message, WM_KEYDOWN);
    EXPECT_TRUE(ControlDown(keyboard));
    EXPECT_EQ(ApplyKey(keyboard, kW, true, false).message, WM_KEYDOWN);
    EXPECT_EQ(ApplyKey(keyboard, kW, false, false).message, WM_KEYUP);
    EXPECT_EQ(ApplyKey(keyboard, kRightAlt, false, false, true).message, WM_KEYUP);
    EXPECT_FALSE(ControlDown(keyboard));
    EXPECT_FALSE(AltDown(keyboard));
}

TEST(KeyMessages, KeysWithoutACodeGiveNoMessageAndLeaveTheStateAlone)
{
    KeyboardState keyboard;
    EXPECT_EQ(ApplyKey(keyboard, VirtualKey{}, true, false).message, 0u);
    EXPECT_FALSE(keyboard.down[0]);
}

// The characters TranslateMessage posts for key presses.
struct CharacterCase {
    UINT key;
    bool shift;
    bool capsLock;
    bool control;
    WCHAR character;
};

TEST(KeyCharacters, FollowTheUsLayoutWithShiftCapsLockAndCtrl)
{
    const CharacterCase cases[] = {
        {'A', false, false, false, L'a'},
        {'A', true, false, false, L'A'},
        {'A', false, true, false, L'A'},
        {'A', true, true, false, L'a'},
        {'A', false, false, true, 0x01},
        {'Z', false, false, true, 0x1A},
        {'1', false, false, false, L'1'},
        {'1', true, false, false, L'!'},
        {'0', true, false, false, L')'},
        {'1', false, true, false, L'1'},
        {'2', false, false, true, 0},
        {VK_OEM_1, false, false, false, L';'},
        {VK_OEM_1, true, false, false, L':'},
        {VK_OEM_7, true, false, false, L'"'},
        {VK_OEM_4, false, false, true, 0x1B},
        {VK_SPACE, false, false, false, L' '},
        {VK_RETURN, false, false, false, L'\r'},
        {VK_RETURN, false, false, true, L'\n'},
        {VK_BACK, false, false, false, 0x08},
        {VK_BACK, false, false, true, 0x7F},
        {VK_TAB, false, false, false, L'\t'},
        {VK_ESCAPE, false, false, false, 0x1B},
        {VK_NUMPAD5, false, false, false, L'5'},
        {VK_DIVIDE, false, false, false, L'/'},
        {VK_UP, false, false, false, 0},
        {VK_F1, false, false, false, 0},
        {VK_SHIFT, true, false, false, 0},
    };
    for (const CharacterCase& c : cases)
        EXPECT_EQ(CharacterOfKey(c.key, c.shift, c.capsLock, c.control), c.character)
            << c.key << " shift " << c.shift << " caps " << c.capsLock << " ctrl " << c.control;
}
} // namespace
