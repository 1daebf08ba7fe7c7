#include "platform/portable/win32/message_queue.h"

#include <algorithm>

#include "platform/portable/win32/signals.h"

namespace portable {

namespace {
const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

bool Matches(const MSG& msg, HWND window, UINT filterMin, UINT filterMax)
{
    if (window == kThreadMessagesOnly) {
        if (msg.hwnd != nullptr) return false;
    } else if (window != nullptr && msg.hwnd != window) {
        return false;
    }
    if (filterMin == 0 && filterMax == 0) return true;
    // A reversed range, as on Windows, takes everything outside it.
    if (filterMin > filterMax) return msg.message >= filterMin || msg.message <= filterMax;
    return msg.message >= filterMin && msg.message <= filterMax;
}

bool TakeFrom(std::deque<MSG>& list, MSG& msg, HWND window, UINT filterMin, UINT filterMax, bool remove)
{
    auto found = std::find_if(list.begin(), list.end(),
                              [&](const MSG& candidate) { return Matches(candidate, window, filterMin, filterMax); });
    if (found == list.end()) return false;
    msg = *found;
    if (remove) list.erase(found);
    return true;
}
} // namespace

MSG MakeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD time)
{
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = time;
    return msg;
}

MessageQueue& ThreadQueue()
{
    static MessageQueue queue;
    return queue;
}

bool TakeMessage(MessageQueue& queue, MSG& msg, HWND window, UINT filterMin, UINT filterMax, bool remove)
{
    if (TakeFrom(queue.posted, msg, window, filterMin, filterMax, remove)) return true;
    if (queue.quitPending) {
        msg = MSG{};
        msg.message = WM_QUIT;
        msg.wParam = static_cast<WPARAM>(static_cast<intptr_t>(queue.quitCode));
        if (remove) {
            queue.quitPending = false;
            NoteQuitTaken();
        }
        return true;
    }
    return TakeFrom(queue.input, msg, window, filterMin, filterMax, remove);
}

} // namespace portable
