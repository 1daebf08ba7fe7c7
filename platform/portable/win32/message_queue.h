// The thread's message queue: messages sent to a window procedure during
// retrieval, posted messages, input messages and the quit flag.
#pragma once

#include <deque>

#include "platform/portable/win32/api.h"

namespace portable {

struct MessageQueue {
    // Delivered straight to the window procedure by the next retrieval call, never returned.
    std::deque<MSG> sent;
    // PostMessageW and TranslateMessage.
    std::deque<MSG> posted;
    // Keyboard, mouse and raw input.
    std::deque<MSG> input;
    bool quitPending = false;
    int quitCode = 0;
};

// A message as the queue holds it, stamped with its time.
MSG MakeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD time);

// The queue of the program's one thread.
MessageQueue& ThreadQueue();

// Retrieval order: posted messages, then WM_QUIT once no posted message
// matches, then input. A null window takes messages of every window and
// thread messages; (HWND)-1 takes thread messages only. A 0..0 range takes
// every message; WM_QUIT is taken whatever the filter.
bool TakeMessage(MessageQueue& queue, MSG& msg, HWND window, UINT filterMin, UINT filterMax, bool remove);

// Removes every queued message for a window (it is being destroyed) and
// calls dropped for each one, so attached data can be released.
template <typename Dropped>
void PurgeWindowMessages(MessageQueue& queue, HWND window, Dropped dropped)
{
    for (std::deque<MSG>* list : {&queue.sent, &queue.posted, &queue.input}) {
        for (auto it = list->begin(); it != list->end();) {
            if (it->hwnd == window) {
                dropped(*it);
                it = list->erase(it);
            } else {
                ++it;
            }
        }
    }
}

} // namespace portable
