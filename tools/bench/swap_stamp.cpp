// Preloaded into a native program (LD_PRELOAD), stamps each buffer swap with
// the monotonic clock and writes the stamps, one nanosecond figure a line, to
// the file SWAP_STAMP_FILE names when the program ends. The program is not
// changed: the stamp is taken from outside, at the call that shows a frame.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include <dlfcn.h>

struct SDL_Window;

namespace {
std::vector<long long>& Stamps()
{
    static std::vector<long long>* stamps = [] {
        auto* made = new std::vector<long long>;
        made->reserve(1 << 20);
        return made;
    }();
    return *stamps;
}

void WriteStamps()
{
    const char* path = std::getenv("SWAP_STAMP_FILE");
    if (path == nullptr) return;
    FILE* out = std::fopen(path, "w");
    if (out == nullptr) return;
    for (long long stamp : Stamps()) std::fprintf(out, "%lld\n", stamp);
    std::fclose(out);
}
} // namespace

extern "C" void SDL_GL_SwapWindow(SDL_Window* window)
{
    using Swap = void (*)(SDL_Window*);
    static const Swap next = [] {
        std::atexit(WriteStamps);
        return reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    }();
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (Stamps().size() < Stamps().capacity()) Stamps().push_back(now.tv_sec * 1000000000LL + now.tv_nsec);
    next(window);
}
