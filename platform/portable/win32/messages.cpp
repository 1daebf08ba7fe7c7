// Messages: the thread's queue, moving SDL's events into it, and retrieving,
// translating, dispatching and posting messages.
#include "platform/portable/win32/messages.h"

#include <algorithm>
#include <vector>

#include <SDL.h>

#include "platform/portable/win32/api_guard.h"
#include "platform/portable/win32/event_translation.h"
#include "platform/portable/win32/keyboard.h"
#include "platform/portable/win32/raw_input.h"
#include "platform/portable/win32/window.h"
#include "platform/portable/win32/x11.h"

using namespace portable;

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
        if (remove) queue.quitPending = false;
        return true;
    }
    return TakeFrom(queue.input, msg, window, filterMin, filterMax, remove);
}

namespace {
// The window an event is for, or null.
HWND WindowOfEvent(const SDL_Event& event)
{
    Uint32 windowId = 0;
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: windowId = event.key.windowID; break;
    case SDL_MOUSEMOTION: windowId = event.motion.windowID; break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: windowId = event.button.windowID; break;
    case SDL_MOUSEWHEEL: windowId = event.wheel.windowID; break;
    case SDL_WINDOWEVENT: windowId = event.window.windowID; break;
    default: break;
    }
    HWND window = windowId != 0 ? WindowFromSdl(SDL_GetWindowFromID(windowId)) : nullptr;
    // Keys without a window (a reset of the keyboard) go to the keyboard focus.
    if (window == nullptr && (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP))
        window = WindowFromSdl(SDL_GetKeyboardFocus());
    return window;
}

POINT OriginOf(HWND window)
{
    POINT origin{};
    if (SDL_Window* sdlWindow = SdlWindowOf(window)) {
        int x = 0;
        int y = 0;
        SDL_GetWindowPosition(sdlWindow, &x, &y);
        origin = POINT{x, y};
    }
    return origin;
}

HWND RawTarget(const RawMouseRegistration& registration)
{
    if (!registration.registered) return nullptr;
    if (registration.target != nullptr)
        return FindWindowRecord(registration.target) != nullptr ? registration.target : nullptr;
    return WindowFromSdl(SDL_GetKeyboardFocus());
}

// A window that another client destroyed ends as DestroyWindow ends it: its
// procedure gets WM_DESTROY, and the handle goes.
void DestroyVanishedWindows()
{
    std::vector<HWND> vanished;
    for (const auto& entry : ThreadWindows().windows) {
        const WindowRecord& record = entry.second;
        if (record.xWindow != 0 && !record.destroying && X11WindowGone(record.xWindow))
            vanished.push_back(record.handle);
    }
    for (HWND window : vanished) DestroyWindow(window);
}

void Translate(const SDL_Event& event, HWND window)
{
    const RawMouseRegistration& rawMouse = ThreadRawMouse();
    EventTranslation translation{ThreadQueue(), ThreadKeyboard(), ThreadRawInput(), rawMouse};
    translation.window = window;
    translation.rawTarget = RawTarget(rawMouse);
    translation.rawTargetForeground = WindowIsForeground(translation.rawTarget);
    translation.windowOrigin = OriginOf(window);
    translation.time = timeGetTime();
    TranslateEvent(event, translation);
}
} // namespace

void PumpEvents()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    // One read of the window system per call; events that arrive meanwhile wait for the next.
    SDL_PumpEvents();
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
        if (NoteX11Event(event)) continue;
        if (event.type == SDL_QUIT) {
            for (const auto& entry : ThreadWindows().windows) Translate(event, entry.second.handle);
            continue;
        }
        Translate(event, WindowOfEvent(event));
    }
    DestroyVanishedWindows();
}

} // namespace portable

// Retrieving, translating, dispatching and posting messages.
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
                const WCHAR character = CharacterOfKey(static_cast<UINT>(msg->wParam), ShiftDown(keyboard),
                                                       keyboard.capsLock, control);
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
