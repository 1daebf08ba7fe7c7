// X11 through Xlib and XRandR: display modes switched without waiting on the
// window manager, and windows watched for their end.
#include "platform/portable/win32/x11.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>
#include <unistd.h>

namespace portable {

namespace {
constexpr int kMaxOutputs = 16;

// The mode the layer set, and what to give back. The mode is set over the
// window's own connection (SDL's): Xwayland emulates a mode change for the
// windows of the client that asked for it, and for no other. The layer also
// keeps a connection of its own, to give the mode back from another thread
// or after SDL closed its connection. Nothing here has a destructor: exit
// handlers read it.
struct HeldMode {
    Display* own = nullptr;
    Display* window = nullptr;
    std::thread::id windowThread;
    bool held = false;
    RRCrtc crtc = 0;
    RRMode original = 0;
    int x = 0;
    int y = 0;
    Rotation rotation = RR_Rotate_0;
    RROutput outputs[kMaxOutputs] = {};
    int outputCount = 0;
    // The screen's size before the switch; Xwayland's is the compositor's.
    bool screenSized = false;
    // On Xwayland; the window's fixed size kept while it is full screen.
    bool xwayland = false;
    bool fixedSizeKept = false;
    XSizeHints fixedSize{};
    int screenWidth = 0;
    int screenHeight = 0;
    int screenWidthMm = 0;
    int screenHeightMm = 0;
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
    if (held.own == nullptr) held.own = XOpenDisplay(DisplayString(sdlDisplay));
    return held.own != nullptr;
}

// The connection to give the mode back on: the one that set it while SDL
// holds it open and this is its thread, otherwise the layer's own.
Display* RestoringConnection()
{
    HeldMode& held = Held();
    if (held.window != nullptr && SDL_WasInit(SDL_INIT_VIDEO) != 0 && std::this_thread::get_id() == held.windowThread)
        return held.window;
    return held.own;
}

// Xwayland names its outputs so. Its screen is the compositor's: its size is
// not the client's to set, and a mode change is emulated by scaling.
bool IsXwaylandOutput(Display* display, XRRScreenResources& resources, RROutput output)
{
    XRROutputInfo* info = XRRGetOutputInfo(display, &resources, output);
    if (info == nullptr) return false;
    const bool xwayland = info->name != nullptr && std::strncmp(info->name, "XWAYLAND", 8) == 0;
    XRRFreeOutputInfo(info);
    return xwayland;
}

struct ScreenSize {
    int width = 0;
    int height = 0;
    int widthMm = 0;
    int heightMm = 0;
};

ScreenSize CurrentScreenSize(Display* display)
{
    ScreenSize size;
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned border = 0;
    unsigned depth = 0;
    // The root window's geometry is the server's; Xlib's screen record lags behind a change.
    if (XGetGeometry(display, DefaultRootWindow(display), &root, &x, &y, &width, &height, &border, &depth) != 0) {
        size.width = static_cast<int>(width);
        size.height = static_cast<int>(height);
    }
    size.widthMm = DisplayWidthMM(display, DefaultScreen(display));
    size.heightMm = DisplayHeightMM(display, DefaultScreen(display));
    return size;
}

// The screen's new size in millimetres keeps its dots per inch.
ScreenSize Resized(const ScreenSize& from, int width, int height)
{
    ScreenSize size{width, height, from.widthMm, from.heightMm};
    if (from.width > 0 && from.height > 0) {
        size.widthMm = static_cast<int>(std::lround(static_cast<double>(from.widthMm) * width / from.width));
        size.heightMm = static_cast<int>(std::lround(static_cast<double>(from.heightMm) * height / from.height));
    }
    return size;
}

void SetScreenSize(Display* display, const ScreenSize& size)
{
    XRRSetScreenSize(display, DefaultRootWindow(display), size.width, size.height, std::max(size.widthMm, 1),
                     std::max(size.heightMm, 1));
}

// A CRTC's configuration, to set or give back.
struct CrtcConfig {
    RRCrtc crtc = 0;
    RRMode mode = None;
    int x = 0;
    int y = 0;
    Rotation rotation = RR_Rotate_0;
    RROutput* outputs = nullptr;
    int outputCount = 0;
};

// Sets the CRTC, and the screen to the size given (none: left as it is). A
// screen holds every CRTC at every step: it grows before the CRTC is set and
// shrinks after. False when the server refused the CRTC; the screen then
// keeps its size.
bool ApplyConfig(Display* display, const CrtcConfig& config, const ScreenSize* screen)
{
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    if (resources == nullptr) return false;
    const ScreenSize before = CurrentScreenSize(display);
    ScreenSize grown = before;
    if (screen != nullptr) {
        grown = Resized(before, std::max(before.width, screen->width), std::max(before.height, screen->height));
        if (grown.width != before.width || grown.height != before.height) SetScreenSize(display, grown);
    }
    const Status status = XRRSetCrtcConfig(display, resources, config.crtc, CurrentTime, config.x, config.y,
                                           config.mode, config.rotation, config.outputs, config.outputCount);
    XRRFreeScreenResources(resources);
    const bool set = status == RRSetConfigSuccess;
    if (screen != nullptr) {
        const ScreenSize& final = set ? *screen : before;
        if (final.width != grown.width || final.height != grown.height) SetScreenSize(display, final);
    }
    XSync(display, False);
    return set;
}

bool Swaps(Rotation rotation) { return (rotation & (RR_Rotate_90 | RR_Rotate_270)) != 0; }

// The screen that holds every lit CRTC, with this one showing a mode of that
// size; false when the server cannot make a screen that large.
bool ScreenFor(Display* display, XRRScreenResources& resources, RRCrtc changed, int x, int y, int width, int height,
               ScreenSize& size)
{
    int right = x + width;
    int bottom = y + height;
    for (int i = 0; i < resources.ncrtc; ++i) {
        if (resources.crtcs[i] == changed) continue;
        XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, &resources, resources.crtcs[i]);
        if (crtc == nullptr) continue;
        if (crtc->mode != None) {
            right = std::max(right, crtc->x + static_cast<int>(crtc->width));
            bottom = std::max(bottom, crtc->y + static_cast<int>(crtc->height));
        }
        XRRFreeCrtcInfo(crtc);
    }
    int minWidth = 0;
    int minHeight = 0;
    int maxWidth = 0;
    int maxHeight = 0;
    if (XRRGetScreenSizeRange(display, DefaultRootWindow(display), &minWidth, &minHeight, &maxWidth, &maxHeight) == 0)
        return false;
    if (right > maxWidth || bottom > maxHeight) return false;
    size = Resized(CurrentScreenSize(display), std::max(right, minWidth), std::max(bottom, minHeight));
    return true;
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

// The first 32-bit item of a window's property of that type.
bool ReadCardinal(Display* display, Window window, Atom name, Atom type, long& value)
{
    WindowProperty property;
    if (!ReadProperty(display, window, name, 1, type, property) || property.data == nullptr || property.format != 32
        || property.count < 1)
        return false;
    // Xlib hands 32-bit items out as longs; a CARDINAL is unsigned.
    value = static_cast<long>(*reinterpret_cast<const unsigned long*>(property.data) & 0xFFFFFFFFul);
    return true;
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
    Display* x = info.info.x11.display;
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
            const bool sizesScreen = !IsXwaylandOutput(x, *resources, crtc->outputs[0]);
            const bool swaps = Swaps(crtc->rotation);
            ScreenSize screen;
            const bool fits = !sizesScreen
                || ScreenFor(x, *resources, resources->crtcs[i], crtc->x, crtc->y, swaps ? mode.h : mode.w,
                             swaps ? mode.w : mode.h, screen);
            const bool first = !held.held || held.crtc != resources->crtcs[i];
            const ScreenSize before = CurrentScreenSize(x);
            const CrtcConfig config{resources->crtcs[i], wanted,        crtc->x,      crtc->y,
                                    crtc->rotation,      crtc->outputs, crtc->noutput};
            if (wanted != None && fits && ApplyConfig(x, config, sizesScreen ? &screen : nullptr)) {
                if (first) {
                    held.crtc = resources->crtcs[i];
                    held.original = crtc->mode;
                    held.x = crtc->x;
                    held.y = crtc->y;
                    held.rotation = crtc->rotation;
                    std::copy(crtc->outputs, crtc->outputs + crtc->noutput, held.outputs);
                    held.outputCount = crtc->noutput;
                    held.screenSized = sizesScreen;
                    held.screenWidth = before.width;
                    held.screenHeight = before.height;
                    held.screenWidthMm = before.widthMm;
                    held.screenHeightMm = before.heightMm;
                }
                held.xwayland = !sizesScreen;
                held.window = x;
                held.windowThread = std::this_thread::get_id();
                held.held = held.original != wanted
                    || (held.screenSized && (held.screenWidth != screen.width || held.screenHeight != screen.height));
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
    Display* display = RestoringConnection();
    if (!held.held || display == nullptr) return;
    held.held = false;
    const CrtcConfig config{held.crtc, held.original, held.x, held.y, held.rotation, held.outputs, held.outputCount};
    const ScreenSize screen{held.screenWidth, held.screenHeight, held.screenWidthMm, held.screenHeightMm};
    ApplyConfig(display, config, held.screenSized ? &screen : nullptr);
}

bool X11HeldDisplayMode(SDL_DisplayMode& mode)
{
    if (!Held().held) return false;
    mode = Held().applied;
    return true;
}

namespace {
// mutter makes no window of a fixed size full screen unless that size is the
// screen's, which an emulated mode is not: while full screen the window's
// size is free, and the compositor places it over the emulated monitor.
void FreeSizeWhileFullscreen(Display* display, Window window, bool fullscreen)
{
    HeldMode& held = Held();
    if (fullscreen) {
        XSizeHints hints{};
        long supplied = 0;
        if (XGetWMNormalHints(display, window, &hints, &supplied) == 0) return;
        if (!held.fixedSizeKept) held.fixedSize = hints;
        held.fixedSizeKept = true;
        hints.flags &= ~(PMinSize | PMaxSize);
        XSetWMNormalHints(display, window, &hints);
    } else if (held.fixedSizeKept) {
        held.fixedSizeKept = false;
        XSetWMNormalHints(display, window, &held.fixedSize);
    }
}
} // namespace

bool X11WindowInView(SDL_Window* window)
{
    SDL_SysWMinfo info;
    if (!WindowInfo(window, info)) return true;
    Display* display = info.info.x11.display;
    const Window xWindow = info.info.x11.window;
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, xWindow, &attributes) == 0) return true;
    if (attributes.map_state != IsViewable) return false;
    const Atom state = AtomOf(display, "WM_STATE");
    long value = 0;
    if (ReadCardinal(display, xWindow, state, state, value) && value == IconicState) return false;
    // kwin on Wayland keeps a window of a hidden workspace mapped and normal:
    // only its workspace tells (all ones: on every workspace).
    long workspace = 0;
    long shown = 0;
    constexpr long kEveryWorkspace = 0xFFFFFFFF;
    return !(ReadCardinal(display, xWindow, AtomOf(display, "_NET_WM_DESKTOP"), XA_CARDINAL, workspace)
             && ReadCardinal(display, DefaultRootWindow(display), AtomOf(display, "_NET_CURRENT_DESKTOP"), XA_CARDINAL,
                             shown)
             && workspace != kEveryWorkspace && workspace != shown);
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
    if (Held().xwayland) FreeSizeWhileFullscreen(display, xWindow, fullscreen);
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
