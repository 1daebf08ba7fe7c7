// The message functions: retrieving, translating, dispatching and posting
// messages on the thread's queue.
#include "platform/portable/win32/api.h"
#include "platform/portable/win32/api_guard.h"
#include "platform/portable/win32/event_pump.h"
#include "platform/portable/win32/keyboard.h"
#include "platform/portable/win32/message_queue.h"
#include "platform/portable/win32/raw_input.h"
#include "platform/portable/win32/window_table.h"

using namespace portable;

namespace {
// The raw input record of the last WM_INPUT retrieved: it stays readable while that message is handled.
HRAWINPUT g_rawInputInUse = nullptr;

void DeliverSentMessages(MessageQueue& queue)
{
    while (!queue.sent.empty()) {
        const MSG msg = queue.sent.front();
        queue.sent.pop_front();
        SendToWindow(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    }
}
} // namespace

BOOL WINAPI PeekMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMessage)
{
    return GuardedCall<BOOL>(FALSE, FALSE, [&]() -> BOOL {
        MessageQueue& queue = ThreadQueue();
        if (g_rawInputInUse != nullptr) {
            ReleaseRawInput(ThreadRawInput(), g_rawInputInUse);
            g_rawInputInUse = nullptr;
        }
        PumpEvents();
        DeliverSentMessages(queue);
        if (msg == nullptr) return FALSE;
        const bool remove = (removeMessage & PM_REMOVE) != 0;
        if (!TakeMessage(queue, *msg, window, filterMin, filterMax, remove)) return FALSE;
        if (remove && msg->message == WM_INPUT) g_rawInputInUse = reinterpret_cast<HRAWINPUT>(msg->lParam);
        return TRUE;
    });
}

BOOL WINAPI TranslateMessage(const MSG* msg)
{
    return GuardedCall<BOOL>(FALSE, FALSE, [&]() -> BOOL {
        if (msg == nullptr) return FALSE;
        const UINT message = msg->message;
        if (message != WM_KEYDOWN && message != WM_SYSKEYDOWN && message != WM_KEYUP && message != WM_SYSKEYUP)
            return FALSE;
        if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
            const KeyboardState& keyboard = ThreadKeyboard();
            // Ctrl+Alt is AltGr: without the layout's AltGr table it types nothing here.
            const bool control = ControlDown(keyboard);
            if (!(control && AltDown(keyboard))) {
                const WCHAR character =
                    CharacterOfKey(static_cast<UINT>(msg->wParam), ShiftDown(keyboard), keyboard.capsLock, control);
                if (character != 0) {
                    const UINT charMessage = message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
                    ThreadQueue().posted.push_back(MakeMessage(msg->hwnd, charMessage, static_cast<WPARAM>(character),
                                                               msg->lParam, timeGetTime()));
                }
            }
        }
        return TRUE;
    });
}

LRESULT WINAPI DispatchMessageW(const MSG* msg)
{
    return GuardedCall<LRESULT>(0, 0, [&]() -> LRESULT {
        if (msg == nullptr || msg->hwnd == nullptr) return 0;
        return SendToWindow(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    });
}

BOOL WINAPI PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return GuardedCall<BOOL>(FALSE, FALSE, [&]() -> BOOL {
        if (window != nullptr && FindWindowRecord(window) == nullptr) return FALSE;
        ThreadQueue().posted.push_back(MakeMessage(window, message, wParam, lParam, timeGetTime()));
        return TRUE;
    });
}

void WINAPI PostQuitMessage(int exitCode)
{
    MessageQueue& queue = ThreadQueue();
    queue.quitPending = true;
    queue.quitCode = exitCode;
}
