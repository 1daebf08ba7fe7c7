// Preloaded into a program (LD_PRELOAD), stamps each buffer swap with the
// monotonic clock and writes the stamps, one nanosecond figure a line, to the
// file SWAP_STAMP_FILE names when the program ends (a process that swapped
// nothing writes nothing). The program is not changed: the stamp is taken
// from outside, at the call that shows a frame.
//
// Two calls show a frame: SDL_GL_SwapWindow (SDL programs) and glXSwapBuffers
// (programs on GLX directly). A program that looks glXSwapBuffers up at run
// time, with dlsym or through glXGetProcAddress(ARB) in a libGL it opens
// itself (SDL does; so does Wine's X11 driver), is given the stamping one. A
// glXSwapBuffers made inside SDL_GL_SwapWindow is not stamped again.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include <dlfcn.h>

struct SDL_Window;
struct _XDisplay;
using GlxDrawable = unsigned long;

namespace {
using Dlsym = void* (*)(void*, const char*);
using SdlSwap = void (*)(SDL_Window*);
using GlxSwap = void (*)(_XDisplay*, GlxDrawable);
using GlxProc = void (*)();
using GlxGetProcAddress = GlxProc (*)(const unsigned char*);

std::vector<long long>& Stamps()
{
    static std::vector<long long>* stamps = [] {
        auto* made = new std::vector<long long>;
        made->reserve(1 << 20);
        std::atexit([] {
            const char* path = std::getenv("SWAP_STAMP_FILE");
            if (path == nullptr || Stamps().empty()) return;
            FILE* out = std::fopen(path, "w");
            if (out == nullptr) return;
            for (long long stamp : Stamps()) std::fprintf(out, "%lld\n", stamp);
            std::fclose(out);
        });
        return made;
    }();
    return *stamps;
}

void Stamp()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::vector<long long>& stamps = Stamps();
    if (stamps.size() < stamps.capacity()) stamps.push_back(now.tv_sec * 1000000000LL + now.tv_nsec);
}

// The C library's dlsym, found by version: this library's own dlsym stands in
// front of it.
Dlsym RealDlsym()
{
    static const Dlsym real = [] {
        auto found = reinterpret_cast<Dlsym>(dlvsym(RTLD_NEXT, "dlsym", "GLIBC_2.34"));
        if (found == nullptr) found = reinterpret_cast<Dlsym>(dlvsym(RTLD_NEXT, "dlsym", "GLIBC_2.2.5"));
        return found;
    }();
    return real;
}

// What run-time look-ups found, for the stamping and looking-up ones to call.
std::atomic<GlxSwap> g_lookedUpSwap{nullptr};
std::atomic<GlxGetProcAddress> g_getProcAddress{nullptr};
std::atomic<GlxGetProcAddress> g_getProcAddressArb{nullptr};
thread_local int t_insideSdlSwap = 0;
} // namespace

extern "C" void SDL_GL_SwapWindow(SDL_Window* window)
{
    static const auto next = reinterpret_cast<SdlSwap>(RealDlsym()(RTLD_NEXT, "SDL_GL_SwapWindow"));
    Stamp();
    ++t_insideSdlSwap;
    next(window);
    --t_insideSdlSwap;
}

extern "C" void glXSwapBuffers(_XDisplay* display, GlxDrawable drawable)
{
    static const auto linked = reinterpret_cast<GlxSwap>(RealDlsym()(RTLD_NEXT, "glXSwapBuffers"));
    const GlxSwap next = linked != nullptr ? linked : g_lookedUpSwap.load();
    if (t_insideSdlSwap == 0) Stamp();
    if (next != nullptr) next(display, drawable);
}

namespace {
GlxProc LookUp(GlxGetProcAddress real, const unsigned char* name)
{
    if (real == nullptr) return nullptr;
    const GlxProc found = real(name);
    if (found == nullptr || std::strcmp(reinterpret_cast<const char*>(name), "glXSwapBuffers") != 0) return found;
    g_lookedUpSwap.store(reinterpret_cast<GlxSwap>(found));
    return reinterpret_cast<GlxProc>(&glXSwapBuffers);
}
} // namespace

extern "C" GlxProc glXGetProcAddress(const unsigned char* name)
{
    static const auto linked = reinterpret_cast<GlxGetProcAddress>(RealDlsym()(RTLD_NEXT, "glXGetProcAddress"));
    return LookUp(linked != nullptr ? linked : g_getProcAddress.load(), name);
}

extern "C" GlxProc glXGetProcAddressARB(const unsigned char* name)
{
    static const auto linked = reinterpret_cast<GlxGetProcAddress>(RealDlsym()(RTLD_NEXT, "glXGetProcAddressARB"));
    return LookUp(linked != nullptr ? linked : g_getProcAddressArb.load(), name);
}

namespace {
// A look-up of a call that this library stands in for: keeps what was found
// for the stand-in to call, and gives the stand-in.
template <typename Function>
void* StandIn(void* handle, const char* name, std::atomic<Function>& found, Function standIn)
{
    void* real = RealDlsym()(handle, name);
    if (real == nullptr) return nullptr;
    found.store(reinterpret_cast<Function>(real));
    return reinterpret_cast<void*>(standIn);
}
} // namespace

// Every other look-up is passed on as a tail call, so the C library still sees
// its caller's address (RTLD_NEXT and RTLD_DEFAULT depend on it).
extern "C" void* dlsym(void* handle, const char* name)
{
    if (std::strcmp(name, "glXSwapBuffers") == 0) return StandIn(handle, name, g_lookedUpSwap, &glXSwapBuffers);
    if (std::strcmp(name, "glXGetProcAddress") == 0) return StandIn(handle, name, g_getProcAddress, &glXGetProcAddress);
    if (std::strcmp(name, "glXGetProcAddressARB") == 0) {
        return StandIn(handle, name, g_getProcAddressArb, &glXGetProcAddressARB);
    }
    return RealDlsym()(handle, name);
}
