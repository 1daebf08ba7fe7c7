// The character a key types, for TranslateMessage: US layout, with Shift,
// Caps Lock and Ctrl.
#pragma once

#include "platform/portable/win32/api.h"

namespace portable {

// 0 when the key types nothing in this state.
WCHAR CharacterOfKey(UINT virtualKey, bool shift, bool capsLock, bool control);

} // namespace portable
