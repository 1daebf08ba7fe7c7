// Input-to-screen latency seen from outside the program: input given through
// XTest and stamped on CLOCK_MONOTONIC, then a block of the screen read
// (XShm) every half millisecond until it differs from what it showed before
// the input. For each input:
//   1. wait until the block has not changed for --still-ms;
//   2. wait a random time within one 60 Hz period, so that inputs fall at
//      every phase of the program's frames;
//   3. press the key (--input key) or move the pointer by --motion pixels,
//      right and left in turn (--input motion), and note the time;
//   4. read the block until it changes (or --timeout-ms passes), and note the
//      time of the read that saw the change; release the key.
// The first --warm-up inputs are made but not printed. Prints one line per
// input: "INPUT_NS CHANGE_NS", CHANGE_NS -1 when nothing changed in time.
//   latency_probe --input key|motion --count N [--warm-up N] [--key NAME]
//                 [--motion PIXELS] [--block X,Y,WIDTH,HEIGHT] [--still-ms MS]
//                 [--timeout-ms MS] [--seed N]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/XTest.h>

namespace {
constexpr int64_t kNsPerMs = 1000000;
constexpr int64_t kPeriodNs = 1000000000 / 60;
constexpr int64_t kPollNs = kNsPerMs / 2;
// A pixel counts as changed when one of its channels moves by more than
// this, and the block when this many pixels have.
constexpr int kChannelTolerance = 16;
constexpr int kChangedPixels = 8;
// How long the screen may take to come to rest before an input.
constexpr int64_t kRestTimeoutNs = 10000 * kNsPerMs;

struct Options {
    bool motion = false;
    int count = 0;
    int warmUp = 3;
    std::string key = "w";
    int motionPixels = 20;
    int block[4] = {560, 500, 64, 48};
    int64_t stillNs = 100 * kNsPerMs;
    int64_t timeoutNs = 2000 * kNsPerMs;
    unsigned seed = 0;
};

int64_t NowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void SleepUntil(int64_t targetNs)
{
    const timespec target{static_cast<time_t>(targetNs / 1000000000), static_cast<long>(targetNs % 1000000000)};
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &target, nullptr);
}

bool ParseInt(const char* text, int low, int& value)
{
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < low || parsed > 1000000) return false;
    value = static_cast<int>(parsed);
    return true;
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    bool inputGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc) return false;
        const char* value = argv[++i];
        int number = 0;
        if (name == "--input") {
            if (std::strcmp(value, "key") != 0 && std::strcmp(value, "motion") != 0) return false;
            options.motion = std::strcmp(value, "motion") == 0;
            inputGiven = true;
        } else if (name == "--count") {
            if (!ParseInt(value, 1, options.count)) return false;
        } else if (name == "--warm-up") {
            if (!ParseInt(value, 0, options.warmUp)) return false;
        } else if (name == "--key") {
            options.key = value;
        } else if (name == "--motion") {
            if (!ParseInt(value, 1, options.motionPixels)) return false;
        } else if (name == "--block") {
            if (std::sscanf(value, "%d,%d,%d,%d", &options.block[0], &options.block[1], &options.block[2],
                            &options.block[3])
                    != 4
                || options.block[0] < 0 || options.block[1] < 0 || options.block[2] < 1 || options.block[3] < 1) {
                return false;
            }
        } else if (name == "--still-ms") {
            if (!ParseInt(value, 1, number)) return false;
            options.stillNs = number * kNsPerMs;
        } else if (name == "--timeout-ms") {
            if (!ParseInt(value, 1, number)) return false;
            options.timeoutNs = number * kNsPerMs;
        } else if (name == "--seed") {
            if (!ParseInt(value, 0, number)) return false;
            options.seed = static_cast<unsigned>(number);
        } else {
            return false;
        }
    }
    return inputGiven && options.count > 0;
}

// The block of the root window, read through shared memory.
struct Block {
    Display* display = nullptr;
    XImage* image = nullptr;
    XShmSegmentInfo segment{};
    int x = 0, y = 0;
};

bool OpenBlock(Display* display, const int (&rect)[4], Block& block)
{
    const int screen = DefaultScreen(display);
    if (rect[0] + rect[2] > DisplayWidth(display, screen) || rect[1] + rect[3] > DisplayHeight(display, screen)) {
        std::fprintf(stderr, "latency_probe: the block lies outside the screen\n");
        return false;
    }
    if (!XShmQueryExtension(display)) {
        std::fprintf(stderr, "latency_probe: the display has no MIT-SHM\n");
        return false;
    }
    block.display = display;
    block.x = rect[0];
    block.y = rect[1];
    block.image = XShmCreateImage(display, DefaultVisual(display, screen),
                                  static_cast<unsigned>(DefaultDepth(display, screen)), ZPixmap, nullptr,
                                  &block.segment, static_cast<unsigned>(rect[2]), static_cast<unsigned>(rect[3]));
    if (block.image == nullptr || block.image->bits_per_pixel != 32) {
        std::fprintf(stderr, "latency_probe: no 32-bit image of the screen\n");
        return false;
    }
    block.segment.shmid =
        shmget(IPC_PRIVATE, static_cast<size_t>(block.image->bytes_per_line) * rect[3], IPC_CREAT | 0600);
    if (block.segment.shmid < 0) return false;
    block.segment.shmaddr = block.image->data = static_cast<char*>(shmat(block.segment.shmid, nullptr, 0));
    // Marked for removal now, it goes when both sides have let go of it.
    shmctl(block.segment.shmid, IPC_RMID, nullptr);
    if (block.segment.shmaddr == reinterpret_cast<char*>(-1)) return false;
    block.segment.readOnly = False;
    return XShmAttach(display, &block.segment) != 0;
}

void CloseBlock(Block& block)
{
    if (block.image == nullptr) return;
    XShmDetach(block.display, &block.segment);
    if (block.segment.shmaddr != nullptr && block.segment.shmaddr != reinterpret_cast<char*>(-1)) {
        shmdt(block.segment.shmaddr);
    }
    block.image->data = nullptr;
    XDestroyImage(block.image);
    block.image = nullptr;
}

// The block's pixels now, into `pixels`.
bool ReadBlock(Block& block, std::vector<uint32_t>& pixels)
{
    if (!XShmGetImage(block.display, DefaultRootWindow(block.display), block.image, block.x, block.y, AllPlanes)) {
        return false;
    }
    const auto width = static_cast<size_t>(block.image->width);
    pixels.resize(width * static_cast<size_t>(block.image->height));
    for (int row = 0; row < block.image->height; ++row) {
        std::memcpy(&pixels[static_cast<size_t>(row) * width],
                    block.image->data + static_cast<ptrdiff_t>(row) * block.image->bytes_per_line, width * 4);
    }
    return true;
}

bool Differ(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b)
{
    int changed = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        for (int shift = 0; shift < 24; shift += 8) {
            const int from = static_cast<int>((a[i] >> shift) & 0xff), to = static_cast<int>((b[i] >> shift) & 0xff);
            if (std::abs(from - to) > kChannelTolerance) {
                if (++changed >= kChangedPixels) return true;
                break;
            }
        }
    }
    return false;
}

// Waits until the block has shown the same pixels for `stillNs`; leaves them in `pixels`.
bool WaitForRest(Block& block, int64_t stillNs, std::vector<uint32_t>& pixels)
{
    std::vector<uint32_t> now;
    if (!ReadBlock(block, pixels)) return false;
    const int64_t deadline = NowNs() + kRestTimeoutNs;
    int64_t since = NowNs();
    while (NowNs() - since < stillNs) {
        if (NowNs() > deadline) return false;
        SleepUntil(NowNs() + 2 * kNsPerMs);
        if (!ReadBlock(block, now)) return false;
        if (Differ(pixels, now)) {
            pixels.swap(now);
            since = NowNs();
        }
    }
    return true;
}

// The time of the first read that differs from `before`, or -1 after `timeoutNs`.
int64_t WaitForChange(Block& block, const std::vector<uint32_t>& before, int64_t fromNs, int64_t timeoutNs)
{
    std::vector<uint32_t> now;
    for (int64_t next = fromNs;; next += kPollNs) {
        if (!ReadBlock(block, now)) return -1;
        const int64_t seen = NowNs();
        if (Differ(before, now)) return seen;
        if (seen - fromNs > timeoutNs) return -1;
        if (next < seen) next = seen;
        SleepUntil(next + kPollNs);
    }
}
} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: latency_probe --input key|motion --count N [--warm-up N] [--key NAME] "
                     "[--motion PIXELS] [--block X,Y,WIDTH,HEIGHT] [--still-ms MS] [--timeout-ms MS] "
                     "[--seed N]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "latency_probe: no display\n");
        return 2;
    }
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
        std::fprintf(stderr, "latency_probe: the display has no XTEST\n");
        return 2;
    }
    const KeySym keysym = XStringToKeysym(options.key.c_str());
    const unsigned keycode = keysym != NoSymbol ? XKeysymToKeycode(display, keysym) : 0;
    if (!options.motion && keycode == 0) {
        std::fprintf(stderr, "latency_probe: no key %s\n", options.key.c_str());
        return 2;
    }
    Block block;
    if (!OpenBlock(display, options.block, block)) {
        CloseBlock(block);
        XCloseDisplay(display);
        return 2;
    }
    std::mt19937 random(options.seed != 0 ? options.seed : static_cast<unsigned>(NowNs()));
    std::uniform_int_distribution<int64_t> phase(0, kPeriodNs - 1);
    std::vector<uint32_t> before;
    int status = 0;
    for (int i = 0; i < options.warmUp + options.count; ++i) {
        if (!WaitForRest(block, options.stillNs, before)) {
            std::fprintf(stderr, "latency_probe: the screen does not come to rest\n");
            status = 1;
            break;
        }
        SleepUntil(NowNs() + phase(random));
        if (!ReadBlock(block, before)) {
            status = 1;
            break;
        }
        if (options.motion) {
            XTestFakeRelativeMotionEvent(display, i % 2 == 0 ? options.motionPixels : -options.motionPixels, 0,
                                         CurrentTime);
        } else {
            XTestFakeKeyEvent(display, keycode, True, CurrentTime);
        }
        const int64_t input = NowNs();
        XFlush(display);
        const int64_t change = WaitForChange(block, before, input, options.timeoutNs);
        if (!options.motion) {
            XTestFakeKeyEvent(display, keycode, False, CurrentTime);
            XFlush(display);
        }
        if (i >= options.warmUp) {
            std::printf("%lld %lld\n", static_cast<long long>(input), static_cast<long long>(change));
            std::fflush(stdout);
        }
    }
    CloseBlock(block);
    XCloseDisplay(display);
    return status;
}
