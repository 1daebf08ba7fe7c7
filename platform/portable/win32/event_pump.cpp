#include "platform/portable/win32/event_pump.h"

#include <vector>

#include <SDL.h>

#include "platform/portable/win32/event_translation.h"
#include "platform/portable/win32/frame_stamps.h"
#include "platform/portable/win32/keyboard.h"
#include "platform/portable/win32/message_queue.h"
#include "platform/portable/win32/raw_input.h"
#include "platform/portable/win32/raw_input_registration.h"
#include "platform/portable/win32/signals.h"
#include "platform/portable/win32/window_table.h"
#include "platform/portable/win32/x11.h"

namespace portable {

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
        StampInputEvent(event);
        if (event.type == SDL_QUIT) {
            for (const auto& entry : ThreadWindows().windows) Translate(event, entry.second.handle);
            continue;
        }
        Translate(event, WindowOfEvent(event));
    }
    DestroyVanishedWindows();
}

} // namespace portable
