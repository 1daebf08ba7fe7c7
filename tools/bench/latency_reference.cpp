// A program whose latency is known, to check latency_probe against: a plain
// Xlib window over the whole screen, filled with one of two colours, that
// takes the other colour --delay-ms (10) after each key press or pointer
// motion reaches it. Prints "ready" once its window is shown and holds the
// keyboard focus, then one line per input: "RECEIVED_NS DRAWN_NS"
// (CLOCK_MONOTONIC; drawn when the server has filled the window). Escape ends it.
//   latency_reference [--delay-ms MS]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace {
int64_t NowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void Fill(Display* display, Window window, GC gc, unsigned long colour, unsigned width, unsigned height)
{
    XSetForeground(display, gc, colour);
    XFillRectangle(display, window, gc, 0, 0, width, height);
}
} // namespace

int main(int argc, char** argv)
{
    long delayMs = 10;
    if (argc == 3 && std::strcmp(argv[1], "--delay-ms") == 0) {
        char* end = nullptr;
        delayMs = std::strtol(argv[2], &end, 10);
        if (end == argv[2] || *end != '\0' || delayMs < 0 || delayMs > 10000) argc = 0;
    }
    if (argc != 1 && argc != 3) {
        std::fprintf(stderr, "usage: latency_reference [--delay-ms MS]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "latency_reference: no display\n");
        return 2;
    }
    const int screen = DefaultScreen(display);
    const auto width = static_cast<unsigned>(DisplayWidth(display, screen));
    const auto height = static_cast<unsigned>(DisplayHeight(display, screen));
    // Not managed: no frame moves it, and it takes the focus itself.
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.event_mask = KeyPressMask | PointerMotionMask | ExposureMask | StructureNotifyMask;
    const Window window =
        XCreateWindow(display, RootWindow(display, screen), 0, 0, width, height, 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
    XStoreName(display, window, "Latency Reference");
    const GC gc = XCreateGC(display, window, 0, nullptr);
    // Neither is taken for the sky by first_frame.
    const unsigned long colours[2] = {0x404040, 0xd0d0d0};
    int shown = 0;
    XMapRaised(display, window);
    const timespec delay{static_cast<time_t>(delayMs / 1000), (delayMs % 1000) * 1000000L};
    for (bool running = true; running;) {
        XEvent event;
        XNextEvent(display, &event);
        switch (event.type) {
        case MapNotify:
            XSetInputFocus(display, window, RevertToParent, CurrentTime);
            Fill(display, window, gc, colours[shown], width, height);
            XSync(display, False);
            std::printf("ready\n");
            std::fflush(stdout);
            break;
        case Expose: Fill(display, window, gc, colours[shown], width, height); break;
        case KeyPress:
            if (XLookupKeysym(&event.xkey, 0) == XK_Escape) {
                running = false;
                break;
            }
            [[fallthrough]];
        case MotionNotify: {
            const int64_t received = NowNs();
            nanosleep(&delay, nullptr);
            shown = 1 - shown;
            Fill(display, window, gc, colours[shown], width, height);
            XSync(display, False);
            std::printf("%lld %lld\n", static_cast<long long>(received), static_cast<long long>(NowNs()));
            std::fflush(stdout);
            break;
        }
        default: break;
        }
    }
    XFreeGC(display, gc);
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return 0;
}
