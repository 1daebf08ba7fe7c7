// SDL events as window messages: keys, raw and legacy mouse input, cursor
// requests, focus and close requests, put into a message queue.
#pragma once

#include <SDL_events.h>

#include "platform/portable/win32/api.h"
#include "platform/portable/win32/keyboard.h"
#include "platform/portable/win32/message_queue.h"
#include "platform/portable/win32/raw_input.h"
#include "platform/portable/win32/raw_input_registration.h"

namespace portable {

struct EventTranslation {
    MessageQueue& queue;
    KeyboardState& keyboard;
    RawInputStore& rawInput;
    const RawMouseRegistration& rawMouse;
    // The window the event belongs to; null when it is none of ours.
    HWND window = nullptr;
    // Where raw mouse input goes (the registered target, or the focus window) and whether that window has the focus.
    HWND rawTarget = nullptr;
    bool rawTargetForeground = false;
    // The window's top-left corner on the screen, for message positions.
    POINT windowOrigin{};
    DWORD time = 0;
};

void TranslateEvent(const SDL_Event& event, EventTranslation& translation);

} // namespace portable
