// Waits until the program's first frame is on the screen: polls the root
// window where the overlay's first line is drawn until yellow text shows, and
// prints the wall-clock time of that moment in nanoseconds (CLOCK_REALTIME),
// so a script can subtract the time it started the program.
//   first_frame TIMEOUT_SECONDS
#include <cstdio>
#include <cstdlib>
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

// Yellow pixels of the first overlay line ("Press 'Esc' to quit." at 10, 10).
int YellowPixels(Display* display)
{
    XImage* image = XGetImage(display, DefaultRootWindow(display), 8, 8, 200, 24, AllPlanes, ZPixmap);
    if (image == nullptr) return 0;
    int count = 0;
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            const unsigned r = (pixel >> 16) & 0xff, g = (pixel >> 8) & 0xff, b = pixel & 0xff;
            if (r > 200 && g > 200 && b < 100) ++count;
        }
    }
    XDestroyImage(image);
    return count;
}
} // namespace

int main(int argc, char** argv)
{
    const double timeout = argc > 1 ? std::atof(argv[1]) : 60.0;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "first_frame: no display\n");
        return 2;
    }
    const long long deadline = NowNanoseconds(CLOCK_MONOTONIC) + static_cast<long long>(timeout * 1e9);
    while (NowNanoseconds(CLOCK_MONOTONIC) < deadline) {
        if (YellowPixels(display) > 40) {
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
