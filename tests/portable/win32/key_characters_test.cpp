// The characters TranslateMessage posts for key presses.
#include <gtest/gtest.h>

#include "platform/portable/win32/key_characters.h"

using namespace portable;

namespace {
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
        {'A', false, false, false, L'a'},  {'A', true, false, false, L'A'},   {'A', false, true, false, L'A'},
        {'A', true, true, false, L'a'},    {'A', false, false, true, 0x01},   {'Z', false, false, true, 0x1A},
        {'1', false, false, false, L'1'},  {'1', true, false, false, L'!'},   {'0', true, false, false, L')'},
        {'1', false, true, false, L'1'},   {'2', false, false, true, 0},      {VK_OEM_1, false, false, false, L';'},
        {VK_OEM_1, true, false, false, L':'}, {VK_OEM_7, true, false, false, L'"'},
        {VK_OEM_4, false, false, true, 0x1B}, {VK_SPACE, false, false, false, L' '},
        {VK_RETURN, false, false, false, L'\r'}, {VK_RETURN, false, false, true, L'\n'},
        {VK_BACK, false, false, false, 0x08}, {VK_BACK, false, false, true, 0x7F},
        {VK_TAB, false, false, false, L'\t'}, {VK_ESCAPE, false, false, false, 0x1B},
        {VK_NUMPAD5, false, false, false, L'5'}, {VK_DIVIDE, false, false, false, L'/'},
        {VK_UP, false, false, false, 0},   {VK_F1, false, false, false, 0},   {VK_SHIFT, true, false, false, 0},
    };
    for (const CharacterCase& c : cases)
        EXPECT_EQ(CharacterOfKey(c.key, c.shift, c.capsLock, c.control), c.character)
            << c.key << " shift " << c.shift << " caps " << c.capsLock << " ctrl " << c.control;
}
} // namespace
