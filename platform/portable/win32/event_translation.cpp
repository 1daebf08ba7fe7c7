#include "platform/portable/win32/event_translation.h"

#include <SDL.h>

namespace portable {

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

} // namespace portable
