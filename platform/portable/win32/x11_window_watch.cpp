#include "platform/portable/win32/x11_window_watch.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>

namespace portable {

namespace {
// X windows known to be gone. A handful is plenty: the program has one window.
constexpr size_t kGoneCapacity = 16;
std::atomic<uint64_t> gone[kGoneCapacity];
std::atomic<size_t> goneCount{0};

void NoteGone(uint64_t xWindow)
{
    if (xWindow == 0 || X11WindowGone(xWindow)) return;
    const size_t slot = goneCount.fetch_add(1) % kGoneCapacity;
    gone[slot].store(xWindow);
}

// Runs inside Xlib with the display locked: it must make no X request. SDL's
// own handler does (it restores the display mode), which deadlocks when a
// drawing call fails on a window destroyed by another client, and Xlib's
// default ends the process. A request that names a window no longer there is
// expected here; anything else is reported and the program goes on.
int OnXError(Display*, XErrorEvent* error)
{
    if (error->error_code == BadWindow || error->error_code == BadDrawable) {
        NoteGone(error->resourceid);
        return 0;
    }
    std::fprintf(stderr, "X error %d (request %d.%d) on resource 0x%lx\n", error->error_code,
                 error->request_code, error->minor_code, error->resourceid);
    return 0;
}
} // namespace

void CatchX11Errors()
{
    XSetErrorHandler(OnXError);
}

void WatchX11Windows()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || std::strcmp(driver, "x11") != 0) return;
    XSetErrorHandler(OnXError);
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

uint64_t X11WindowOf(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
        return 0;
    return info.info.x11.window;
}

bool NoteX11Event(const SDL_Event& event)
{
    if (event.type != SDL_SYSWMEVENT || event.syswm.msg == nullptr || event.syswm.msg->subsystem != SDL_SYSWM_X11)
        return false;
    const XEvent& raw = event.syswm.msg->msg.x11.event;
    if (raw.type == DestroyNotify) NoteGone(raw.xdestroywindow.window);
    return true;
}

void ConfirmUnmapOfGoneWindow(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
        return;
    XEvent unmapped{};
    unmapped.xunmap.type = UnmapNotify;
    unmapped.xunmap.display = info.info.x11.display;
    unmapped.xunmap.event = info.info.x11.window;
    unmapped.xunmap.window = info.info.x11.window;
    XPutBackEvent(info.info.x11.display, &unmapped);
}

bool X11WindowManagerRuns(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
        return false;
    Display* display = info.info.x11.display;
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const bool found = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type,
                                          &format, &count, &after, &data) == Success
                       && type == XA_WINDOW && count == 1;
    if (data != nullptr) XFree(data);
    return found;
}

bool X11WindowGone(uint64_t xWindow)
{
    const size_t count = std::min(goneCount.load(), kGoneCapacity);
    for (size_t i = 0; i < count; ++i)
        if (gone[i].load() == xWindow) return true;
    return false;
}

} // namespace portable
