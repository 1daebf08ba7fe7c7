// X11 through Xlib and XRandR: display modes switched without waiting on the
// window manager, and windows watched for their end.
#include "platform/portable/win32/x11.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>
#include <unistd.h>

namespace portable {

namespace {
constexpr int kMaxOutputs = 16;

// The mode the layer set, and what to give back. The layer talks XRandR over
// a connection of its own, so that it can give the mode back after SDL closed
// its connection. Nothing here has a destructor: exit handlers read it.
struct HeldMode {
    Display* display = nullptr;
    bool held = false;
    RRCrtc crtc = 0;
    RRMode original = 0;
    int x = 0;
    int y = 0;
    Rotation rotation = RR_Rotate_0;
    RROutput outputs[kMaxOutputs] = {};
    int outputCount = 0;
    SDL_DisplayMode applied{};
};

HeldMode g_held;

HeldMode& Held() { return g_held; }

bool WindowInfo(SDL_Window* window, SDL_SysWMinfo& info)
{
    SDL_VERSION(&info.version);
    return window != nullptr && SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11;
}

// The rate SDL lists an XRandR mode with.
int RateOf(const XRRModeInfo& mode)
{
    if (mode.hTotal == 0 || mode.vTotal == 0) return 0;
    return static_cast<int>(std::lround(static_cast<double>(mode.dotClock)
                                        / (static_cast<double>(mode.hTotal) * static_cast<double>(mode.vTotal))));
}

const XRRModeInfo* ModeInfo(const XRRScreenResources& resources, RRMode id)
{
    for (int i = 0; i < resources.nmode; ++i)
        if (resources.modes[i].id == id) return &resources.modes[i];
    return nullptr;
}

// The output's mode of that size and rate.
RRMode FindMode(Display* display, const XRRScreenResources& resources, RROutput output, const SDL_DisplayMode& wanted)
{
    XRROutputInfo* info = XRRGetOutputInfo(display, const_cast<XRRScreenResources*>(&resources), output);
    if (info == nullptr) return None;
    RRMode found = None;
    for (int i = 0; i < info->nmode && found == None; ++i) {
        const XRRModeInfo* mode = ModeInfo(resources, info->modes[i]);
        if (mode != nullptr && static_cast<int>(mode->width) == wanted.w && static_cast<int>(mode->height) == wanted.h
            && (wanted.refresh_rate == 0 || RateOf(*mode) == wanted.refresh_rate))
            found = mode->id;
    }
    XRRFreeOutputInfo(info);
    return found;
}

bool OpenOwnConnection(Display* sdlDisplay)
{
    HeldMode& held = Held();
    if (held.display == nullptr) held.display = XOpenDisplay(DisplayString(sdlDisplay));
    return held.display != nullptr;
}

// Sets the CRTC to a mode on the layer's connection; false when refused.
bool SetCrtcMode(RRCrtc crtc, RRMode mode, int x, int y, Rotation rotation, RROutput* outputs, int outputCount)
{
    Display* display = Held().display;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    if (resources == nullptr) return false;
    const Status status =
        XRRSetCrtcConfig(display, resources, crtc, CurrentTime, x, y, mode, rotation, outputs, outputCount);
    XRRFreeScreenResources(resources);
    XSync(display, False);
    return status == RRSetConfigSuccess;
}

Atom AtomOf(Display* display, const char* name) { return XInternAtom(display, name, False); }

// A window property as Xlib returns it, freed with the record.
struct WindowProperty {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned char* data = nullptr;

    WindowProperty() = default;
    WindowProperty(const WindowProperty&) = delete;
    WindowProperty& operator=(const WindowProperty&) = delete;
    ~WindowProperty()
    {
        if (data != nullptr) XFree(data);
    }
};

// Up to length 32-bit items of the property, of that type.
bool ReadProperty(Display* display, Window window, Atom name, long length, Atom type, WindowProperty& property)
{
    unsigned long after = 0;
    return XGetWindowProperty(display, window, name, 0, length, False, type, &property.type, &property.format,
                              &property.count, &after, &property.data)
        == Success;
}

// An unmapped window's state is its own property, which the window manager
// reads when it maps the window.
void SetStateProperty(Display* display, Window window, Atom fullscreenAtom, bool fullscreen)
{
    const Atom state = AtomOf(display, "_NET_WM_STATE");
    std::vector<Atom> atoms;
    WindowProperty property;
    if (ReadProperty(display, window, state, 64, XA_ATOM, property) && property.data != nullptr
        && property.format == 32) {
        const auto* listed = reinterpret_cast<const Atom*>(property.data);
        for (unsigned long i = 0; i < property.count; ++i)
            if (listed[i] != fullscreenAtom) atoms.push_back(listed[i]);
    }
    if (fullscreen) atoms.push_back(fullscreenAtom);
    XChangeProperty(display, window, state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(atoms.data()), static_cast<int>(atoms.size()));
}
} // namespace

bool X11CanSwitchModes(SDL_Window* window)
{
    SDL_SysWMinfo info;
    if (!WindowInfo(window, info)) return false;
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    return XRRQueryExtension(info.info.x11.display, &eventBase, &errorBase)
        && XRRQueryVersion(info.info.x11.display, &major, &minor) && (major > 1 || (major == 1 && minor >= 2));
}

bool X11SetDisplayMode(SDL_Window* window, int display, const SDL_DisplayMode& mode)
{
    SDL_SysWMinfo info;
    SDL_Rect bounds{};
    if (!WindowInfo(window, info) || SDL_GetDisplayBounds(display, &bounds) != 0
        || !OpenOwnConnection(info.info.x11.display))
        return false;
    HeldMode& held = Held();
    Display* x = held.display;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(x, DefaultRootWindow(x));
    if (resources == nullptr) return false;

    // The monitor of the display: the lit CRTC at its position.
    bool set = false;
    for (int i = 0; i < resources->ncrtc && !set; ++i) {
        XRRCrtcInfo* crtc = XRRGetCrtcInfo(x, resources, resources->crtcs[i]);
        if (crtc == nullptr) continue;
        if (crtc->mode != None && crtc->noutput > 0 && crtc->noutput <= kMaxOutputs && crtc->x == bounds.x
            && crtc->y == bounds.y) {
            const RRMode wanted = FindMode(x, *resources, crtc->outputs[0], mode);
            if (wanted != None
                && SetCrtcMode(resources->crtcs[i], wanted, crtc->x, crtc->y, crtc->rotation, crtc->outputs,
                               crtc->noutput)) {
                if (!held.held || held.crtc != resources->crtcs[i]) {
                    held.crtc = resources->crtcs[i];
                    held.original = crtc->mode;
                    held.x = crtc->x;
                    held.y = crtc->y;
                    held.rotation = crtc->rotation;
                    std::copy(crtc->outputs, crtc->outputs + crtc->noutput, held.outputs);
                    held.outputCount = crtc->noutput;
                }
                held.held = held.original != wanted;
                held.applied = mode;
                set = true;
            }
        }
        XRRFreeCrtcInfo(crtc);
    }
    XRRFreeScreenResources(resources);
    return set;
}

void X11RestoreDisplayMode()
{
    HeldMode& held = Held();
    if (!held.held || held.display == nullptr) return;
    held.held = false;
    SetCrtcMode(held.crtc, held.original, held.x, held.y, held.rotation, held.outputs, held.outputCount);
}

bool X11HeldDisplayMode(SDL_DisplayMode& mode)
{
    if (!Held().held) return false;
    mode = Held().applied;
    return true;
}

void X11RequestFullscreen(SDL_Window* window, bool fullscreen, int x, int y, int width, int height)
{
    SDL_SysWMinfo info;
    if (!WindowInfo(window, info)) return;
    Display* display = info.info.x11.display;
    const Window xWindow = info.info.x11.window;
    const Atom fullscreenAtom = AtomOf(display, "_NET_WM_STATE_FULLSCREEN");
    if (fullscreen)
        XMoveResizeWindow(display, xWindow, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, xWindow, &attributes) != 0 && attributes.map_state == IsUnmapped) {
        SetStateProperty(display, xWindow, fullscreenAtom, fullscreen);
    } else {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = xWindow;
        event.xclient.message_type = AtomOf(display, "_NET_WM_STATE");
        event.xclient.format = 32;
        event.xclient.data.l[0] = fullscreen ? 1 : 0; // _NET_WM_STATE_ADD or _REMOVE
        event.xclient.data.l[1] = static_cast<long>(fullscreenAtom);
        event.xclient.data.l[3] = 1; // from an application
        XSendEvent(display, DefaultRootWindow(display), False, SubstructureNotifyMask | SubstructureRedirectMask,
                   &event);
    }
    XFlush(display);
}

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
    std::fprintf(stderr, "X error %d (request %d.%d) on resource 0x%lx\n", error->error_code, error->request_code,
                 error->minor_code, error->resourceid);
    return 0;
}
// The connection to the X server is gone (the server ended, the session
// closed). Nothing can be shown any more, and every exit handler that would
// talk to the server (SDL's, the mode restore) would wait on it for ever.
int OnXConnectionLost(Display*)
{
    static const char kMessage[] = "The connection to the X display was lost.\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    _exit(1);
}
} // namespace

void CatchX11Errors()
{
    XSetErrorHandler(OnXError);
    XSetIOErrorHandler(OnXConnectionLost);
}

void WatchX11Windows()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || std::strcmp(driver, "x11") != 0) return;
    CatchX11Errors();
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

uint64_t X11WindowOf(SDL_Window* window)
{
    SDL_SysWMinfo info;
    if (!WindowInfo(window, info)) return 0;
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
    if (!WindowInfo(window, info)) return;
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
    if (!WindowInfo(window, info)) return false;
    Display* display = info.info.x11.display;
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) return false;
    WindowProperty property;
    return ReadProperty(display, DefaultRootWindow(display), check, 1, XA_WINDOW, property)
        && property.type == XA_WINDOW && property.count == 1;
}

bool X11WindowGone(uint64_t xWindow)
{
    const size_t count = std::min(goneCount.load(), kGoneCapacity);
    for (size_t i = 0; i < count; ++i)
        if (gone[i].load() == xWindow) return true;
    return false;
}

} // namespace portable
