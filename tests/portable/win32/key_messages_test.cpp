// Key messages: WM_KEY* against WM_SYSKEY* and the lParam bits.
#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/portable/win32/key_messages.h"

using namespace portable;

namespace {
constexpr LPARAM kAltBit = LPARAM{1} << 29;
constexpr LPARAM kPreviousBit = LPARAM{1} << 30;
constexpr LPARAM kTransitionBit = LPARAM{1} << 31;
constexpr LPARAM kExtendedBit = LPARAM{1} << 24;

VirtualKey Key(SDL_Keycode key, SDL_Scancode scancode)
{
    return VirtualKeyFromSdl(key, scancode);
}

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
     {{&kW, true, false, WM_KEYDOWN, 'W'}, {&kW, true, true, WM_KEYDOWN, 'W'}, {&kW, true, true, WM_KEYDOWN, 'W'},
      {&kW, false, false, WM_KEYUP, 'W'}}},
    {"alt alone", {{&kLeftAlt, true, false, WM_SYSKEYDOWN, VK_MENU}, {&kLeftAlt, false, false, WM_SYSKEYUP, VK_MENU}}},
    {"alt tapped twice",
     {{&kLeftAlt, true, false, WM_SYSKEYDOWN, VK_MENU}, {&kLeftAlt, false, false, WM_SYSKEYUP, VK_MENU},
      {&kLeftAlt, true, false, WM_SYSKEYDOWN, VK_MENU}, {&kLeftAlt, false, false, WM_SYSKEYUP, VK_MENU}}},
    {"alt+F4: alt released after another key is a key up",
     {{&kLeftAlt, true, false, WM_SYSKEYDOWN, VK_MENU}, {&kF4, true, false, WM_SYSKEYDOWN, VK_F4},
      {&kF4, false, false, WM_SYSKEYUP, VK_F4}, {&kLeftAlt, false, false, WM_KEYUP, VK_MENU}}},
    {"right alt is alt too",
     {{&kRightAlt, true, false, WM_SYSKEYDOWN, VK_MENU}, {&kW, true, false, WM_SYSKEYDOWN, 'W'},
      {&kRightAlt, false, false, WM_KEYUP, VK_MENU}, {&kW, false, false, WM_KEYUP, 'W'}}},
    {"key held through alt: its release after alt is a key up",
     {{&kW, true, false, WM_KEYDOWN, 'W'}, {&kLeftAlt, true, false, WM_SYSKEYDOWN, VK_MENU},
      {&kW, true, true, WM_SYSKEYDOWN, 'W'}, {&kLeftAlt, false, false, WM_KEYUP, VK_MENU},
      {&kW, false, false, WM_KEYUP, 'W'}}},
    {"key released while alt is held is a system key up",
     {{&kW, true, false, WM_KEYDOWN, 'W'}, {&kLeftAlt, true, false, WM_SYSKEYDOWN, VK_MENU},
      {&kW, false, false, WM_SYSKEYUP, 'W'}, {&kLeftAlt, false, false, WM_KEYUP, VK_MENU}}},
    {"F10 alone is a system key", {{&kF10, true, false, WM_SYSKEYDOWN, VK_F10}, {&kF10, false, false, WM_SYSKEYUP, VK_F10}}},
    {"ctrl+F10 is a system key too",
     {{&kLeftCtrl, true, false, WM_KEYDOWN, VK_CONTROL}, {&kF10, true, false, WM_SYSKEYDOWN, VK_F10},
      {&kF10, false, false, WM_SYSKEYUP, VK_F10}, {&kLeftCtrl, false, false, WM_KEYUP, VK_CONTROL}}},
    {"ctrl+alt keys are plain keys",
     {{&kLeftCtrl, true, false, WM_KEYDOWN, VK_CONTROL}, {&kLeftAlt, true, false, WM_KEYDOWN, VK_MENU},
      {&kW, true, false, WM_KEYDOWN, 'W'}, {&kW, false, false, WM_KEYUP, 'W'},
      {&kLeftAlt, false, false, WM_KEYUP, VK_MENU}, {&kLeftCtrl, false, false, WM_KEYUP, VK_CONTROL}}},
    {"ctrl released while alt is held is a system key up",
     {{&kLeftAlt, true, false, WM_SYSKEYDOWN, VK_MENU}, {&kLeftCtrl, true, false, WM_KEYDOWN, VK_CONTROL},
      {&kLeftCtrl, false, false, WM_SYSKEYUP, VK_CONTROL}, {&kLeftAlt, false, false, WM_KEYUP, VK_MENU}}},
    {"shift with alt held is a system key",
     {{&kLeftAlt, true, false, WM_SYSKEYDOWN, VK_MENU}, {&kLeftShift, true, false, WM_SYSKEYDOWN, VK_SHIFT},
      {&kLeftShift, false, false, WM_SYSKEYUP, VK_SHIFT}, {&kLeftAlt, false, false, WM_KEYUP, VK_MENU}}},
    {"shift keys give the generic code",
     {{&kLeftShift, true, false, WM_KEYDOWN, VK_SHIFT}, {&kRightShift, true, false, WM_KEYDOWN, VK_SHIFT},
      {&kRightShift, false, false, WM_KEYUP, VK_SHIFT}, {&kLeftShift, false, false, WM_KEYUP, VK_SHIFT}}},
};

void PrintTo(const Sequence& sequence, std::ostream* out)
{
    *out << sequence.name;
}

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
    for (const char* c = info.param.name; *c != '\0'; ++c) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
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
} // namespace
