// Waits until the program's first frame is on the screen and prints the
// wall-clock time of that moment in nanoseconds (CLOCK_REALTIME), so a script
// can subtract the time it started the program. It polls the root window
// every 2 ms for one of two signs of a drawn frame:
//   overlay  yellow text where the overlay's first line is drawn (the default);
//   sky      the sky across the upper part of the screen, a sign that any
//            program drawing the scene from the starting point shows, whatever
//            its overlay: neither the desktop, a black window nor a frame
//            cleared to grey but not yet drawn passes it.
//   first_frame TIMEOUT_SECONDS [overlay|sky]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {
long long NowNanoseconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

struct Rgb {
    unsigned r, g, b;
};

Rgb ColorOf(const XImage* image, int x, int y)
{
    const unsigned long pixel = XGetPixel(const_cast<XImage*>(image), x, y);
    return {static_cast<unsigned>((pixel >> 16) & 0xff), static_cast<unsigned>((pixel >> 8) & 0xff),
            static_cast<unsigned>(pixel & 0xff)};
}

// How many pixels of the screen's rectangle pass `test`.
template <typename Test>
int CountPixels(Display* display, int left, int top, int width, int height, Test test)
{
    XImage* image = XGetImage(display, DefaultRootWindow(display), left, top, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr) return 0;
    int count = 0;
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            if (test(ColorOf(image, x, y))) ++count;
        }
    }
    XDestroyImage(image);
    return count;
}

// Yellow pixels of the first overlay line ("Press 'Esc' to quit." at 10, 10).
bool OverlayShown(Display* display)
{
    return CountPixels(display, 8, 8, 200, 24, [](Rgb c) { return c.r > 200 && c.g > 200 && c.b < 100; }) > 40;
}

// The band of rows 100 to 199 of an 800x600 frame, below the overlay and
// above the horizon seen from the start: the sky textures' blue there, with
// some white of clouds. More than half of the band must be sky blue (blue
// well above red and above green), which grey, black and white are not.
bool SkyShown(Display* display)
{
    constexpr int kTop = 100, kRows = 100, kWidth = 800;
    const int count = CountPixels(display, 0, kTop, kWidth, kRows,
                                  [](Rgb c) { return c.b >= 150 && c.b >= c.r + 40 && c.b >= c.g + 15; });
    return count * 2 > kWidth * kRows;
}
} // namespace

int main(int argc, char** argv)
{
    const double timeout = argc > 1 ? std::atof(argv[1]) : 60.0;
    const char* mode = argc > 2 ? argv[2] : "overlay";
    bool (*shown)(Display*) = nullptr;
    if (std::strcmp(mode, "overlay") == 0) {
        shown = OverlayShown;
    } else if (std::strcmp(mode, "sky") == 0) {
        shown = SkyShown;
    } else {
        std::fprintf(stderr, "usage: first_frame TIMEOUT_SECONDS [overlay|sky]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "first_frame: no display\n");
        return 2;
    }
    if (DisplayWidth(display, DefaultScreen(display)) < 800 || DisplayHeight(display, DefaultScreen(display)) < 600) {
        std::fprintf(stderr, "first_frame: the screen is smaller than 800x600\n");
        XCloseDisplay(display);
        return 2;
    }
    const long long deadline = NowNanoseconds(CLOCK_MONOTONIC) + static_cast<long long>(timeout * 1e9);
    while (NowNanoseconds(CLOCK_MONOTONIC) < deadline) {
        if (shown(display)) {
            std::printf("%lld\n", NowNanoseconds(CLOCK_REALTIME));
            XCloseDisplay(display);
            return 0;
        }
        const timespec pause{0, 2000000};
        nanosleep(&pause, nullptr);
    }
    std::fprintf(stderr, "first_frame: no frame within %.0f s\n", timeout);
    XCloseDisplay(display);
    return 1;
}
