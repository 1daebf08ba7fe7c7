// Messages: the thread's queue, SDL's events as messages and the pump that
// moves them into it, and retrieving, translating, dispatching and posting.
#include "platform/portable/win32/messages.h"

#include <algorithm>
#include <vector>

#include <SDL.h>

#include "platform/portable/win32/api_guard.h"
#include "platform/portable/win32/signals.h"
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
        if (remove) {
            queue.quitPending = false;
            NoteQuitTaken();
        }
        return true;
    }
    return TakeFrom(queue.input, msg, window, filterMin, filterMax, remove);
}

// SDL events as window messages.
namespace {
constexpr WPARAM kMkLeftButton = 0x0001;
constexpr WPARAM kMkRightButton = 0x0002;
constexpr WPARAM kMkShift = 0x0004;
constexpr WPARAM kMkControl = 0x0008;
constexpr WPARAM kMkMiddleButton = 0x0010;
constexpr WPARAM kActivateActive = 1;
constexpr int kWheelDelta = 120;

LPARAM PackPoint(int x, int y)
{
    return static_cast<LPARAM>((static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16) | static_cast<uint16_t>(x));
}

void Send(EventTranslation& translation, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (translation.window == nullptr) return;
    translation.queue.sent.push_back(MakeMessage(translation.window, message, wParam, lParam, translation.time));
}

void QueueInput(EventTranslation& translation, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                POINT screenPoint)
{
    if (window == nullptr) return;
    MSG msg = MakeMessage(window, message, wParam, lParam, translation.time);
    msg.pt = screenPoint;
    translation.queue.input.push_back(msg);
}

POINT ScreenPoint(const EventTranslation& translation, int x, int y)
{
    return POINT{translation.windowOrigin.x + x, translation.windowOrigin.y + y};
}

void QueueRawMouse(EventTranslation& translation, LONG dx, LONG dy, USHORT buttonFlags, USHORT buttonData,
                   POINT screenPoint)
{
    const RawMouseRegistration& registration = translation.rawMouse;
    if (!registration.registered || translation.rawTarget == nullptr) return;
    if (!translation.rawTargetForeground && (registration.flags & RIDEV_INPUTSINK) == 0) return;
    const WPARAM code = translation.rawTargetForeground ? kRawInputForeground : kRawInputBackground;
    const HRAWINPUT handle = StoreRawInput(translation.rawInput, RawMouseMotion(dx, dy, buttonFlags, buttonData, code));
    QueueInput(translation, translation.rawTarget, WM_INPUT, code, reinterpret_cast<LPARAM>(handle), screenPoint);
}

bool LegacyMouse(const EventTranslation& translation)
{
    const RawMouseRegistration& registration = translation.rawMouse;
    return !(registration.registered && (registration.flags & RIDEV_NOLEGACY) == RIDEV_NOLEGACY);
}

WPARAM MouseKeyFlags(const EventTranslation& translation, uint32_t buttons)
{
    WPARAM flags = 0;
    if (buttons & SDL_BUTTON_LMASK) flags |= kMkLeftButton;
    if (buttons & SDL_BUTTON_RMASK) flags |= kMkRightButton;
    if (buttons & SDL_BUTTON_MMASK) flags |= kMkMiddleButton;
    if (ShiftDown(translation.keyboard)) flags |= kMkShift;
    if (ControlDown(translation.keyboard)) flags |= kMkControl;
    return flags;
}

void TranslateKey(const SDL_KeyboardEvent& key, EventTranslation& translation)
{
    const bool pressed = key.type == SDL_KEYDOWN;
    translation.keyboard.capsLock = (key.keysym.mod & KMOD_CAPS) != 0;
    const VirtualKey code = VirtualKeyFromSdl(key.keysym.sym, key.keysym.scancode);
    const bool altGr = key.keysym.scancode == SDL_SCANCODE_RALT && key.keysym.sym == SDLK_MODE;
    const KeyMessage message = ApplyKey(translation.keyboard, code, pressed, key.repeat != 0, altGr);
    if (message.message == 0 || translation.window == nullptr) return;
    translation.queue.input.push_back(
        MakeMessage(translation.window, message.message, message.wParam, message.lParam, translation.time));
}

void TranslateMotion(const SDL_MouseMotionEvent& motion, EventTranslation& translation)
{
    const POINT screen = ScreenPoint(translation, motion.x, motion.y);
    Send(translation, WM_SETCURSOR, reinterpret_cast<WPARAM>(translation.window), PackPoint(HTCLIENT, WM_MOUSEMOVE));
    if (motion.which != SDL_TOUCH_MOUSEID) QueueRawMouse(translation, motion.xrel, motion.yrel, 0, 0, screen);
    if (LegacyMouse(translation))
        QueueInput(translation, translation.window, WM_MOUSEMOVE, MouseKeyFlags(translation, motion.state),
                   PackPoint(motion.x, motion.y), screen);
}

void TranslateButton(const SDL_MouseButtonEvent& button, EventTranslation& translation)
{
    const bool pressed = button.type == SDL_MOUSEBUTTONDOWN;
    UINT message = 0;
    USHORT rawFlags = 0;
    switch (button.button) {
    case SDL_BUTTON_LEFT:
        message = pressed ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        rawFlags = pressed ? kRawLeftDown : kRawLeftUp;
        break;
    case SDL_BUTTON_RIGHT:
        message = pressed ? WM_RBUTTONDOWN : WM_RBUTTONUP;
        rawFlags = pressed ? kRawRightDown : kRawRightUp;
        break;
    case SDL_BUTTON_MIDDLE:
        message = pressed ? WM_MBUTTONDOWN : WM_MBUTTONUP;
        rawFlags = pressed ? kRawMiddleDown : kRawMiddleUp;
        break;
    case SDL_BUTTON_X1: rawFlags = pressed ? kRawButton4Down : kRawButton4Up; break;
    case SDL_BUTTON_X2: rawFlags = pressed ? kRawButton5Down : kRawButton5Up; break;
    default: return;
    }
    const POINT screen = ScreenPoint(translation, button.x, button.y);
    if (message != 0)
        Send(translation, WM_SETCURSOR, reinterpret_cast<WPARAM>(translation.window),
             PackPoint(HTCLIENT, static_cast<int>(message)));
    if (button.which != SDL_TOUCH_MOUSEID) QueueRawMouse(translation, 0, 0, rawFlags, 0, screen);
    if (message == 0 || !LegacyMouse(translation)) return;
    const uint32_t buttons = SDL_BUTTON(button.button);
    const uint32_t held = pressed ? buttons : 0;
    QueueInput(translation, translation.window, message, MouseKeyFlags(translation, held),
               PackPoint(button.x, button.y), screen);
}

void TranslateWheel(const SDL_MouseWheelEvent& wheel, EventTranslation& translation)
{
    if (wheel.which == SDL_TOUCH_MOUSEID) return;
    int steps = wheel.y;
    if (wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
    if (steps == 0) return;
    const int delta = steps * kWheelDelta;
    const POINT screen = ScreenPoint(translation, wheel.mouseX, wheel.mouseY);
    QueueRawMouse(translation, 0, 0, kRawWheel, static_cast<USHORT>(static_cast<int16_t>(delta)), screen);
    if (!LegacyMouse(translation)) return;
    const WPARAM wParam =
        (static_cast<WPARAM>(static_cast<uint16_t>(static_cast<int16_t>(delta))) << 16) | MouseKeyFlags(translation, 0);
    QueueInput(translation, translation.window, WM_MOUSEWHEEL, wParam, PackPoint(screen.x, screen.y), screen);
}

void TranslateWindowEvent(const SDL_WindowEvent& window, EventTranslation& translation)
{
    switch (window.event) {
    case SDL_WINDOWEVENT_ENTER:
        Send(translation, WM_SETCURSOR, reinterpret_cast<WPARAM>(translation.window),
             PackPoint(HTCLIENT, WM_MOUSEMOVE));
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        Send(translation, WM_ACTIVATEAPP, TRUE, 0);
        Send(translation, WM_ACTIVATE, kActivateActive, 0);
        Send(translation, WM_SETFOCUS, 0, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        Send(translation, WM_ACTIVATE, 0, 0);
        Send(translation, WM_ACTIVATEAPP, FALSE, 0);
        Send(translation, WM_KILLFOCUS, 0, 0);
        break;
    case SDL_WINDOWEVENT_CLOSE: Send(translation, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    default: break;
    }
}
} // namespace

void TranslateEvent(const SDL_Event& event, EventTranslation& translation)
{
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: TranslateKey(event.key, translation); break;
    case SDL_MOUSEMOTION: TranslateMotion(event.motion, translation); break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: TranslateButton(event.button, translation); break;
    case SDL_MOUSEWHEEL: TranslateWheel(event.wheel, translation); break;
    case SDL_WINDOWEVENT: TranslateWindowEvent(event.window, translation); break;
    case SDL_QUIT:
        // Asked to end (a signal, the session): every window is asked to close.
        Send(translation, WM_CLOSE, 0, 0);
        break;
    default: break;
    }
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
    if (TakeTerminationRequest()) {
        // A signal asks to end, as SDL's quit event does.
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        for (const auto& entry : ThreadWindows().windows) Translate(quit, entry.second.handle);
    }
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
