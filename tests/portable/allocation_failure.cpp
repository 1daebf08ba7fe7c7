#include "tests/portable/allocation_failure.h"

#include <dlfcn.h>
#include <execinfo.h>
#include <malloc.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <string_view>

#include "platform/portable/d3dx/texture_prefetch.h"

// The executable's own code, as the GNU linker marks it.
extern "C" char __executable_start;
extern "C" char etext;

namespace {
// Failures and counts follow the loading thread: nothing is made ahead on others.
const bool g_prefetchOff = (portable::EnableTexturePrefetch(false), true);

// Allocations left before the one that fails; negative: none fails.
long countdown = -1;
bool failed = false;
// The OpenGL driver allocates from threads of its own as well.
std::atomic<long> liveBlocks{0};
std::atomic<size_t> liveBytes{0};
std::atomic<size_t> peakBytes{0};

void Count(void* memory)
{
    ++liveBlocks;
    const size_t now = liveBytes += malloc_usable_size(memory);
    size_t peak = peakBytes.load();
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
    }
}

void Free(void* memory) noexcept
{
    if (memory == nullptr) return;
    --liveBlocks;
    liveBytes -= malloc_usable_size(memory);
    std::free(memory);
}

bool InExecutable(const void* address) { return address >= &__executable_start && address < &etext; }

bool InCLibrary(void* address)
{
    Dl_info info{};
    return dladdr(address, &info) != 0 && info.dli_fname != nullptr
        && std::string_view(info.dli_fname).find("/libc.so") != std::string_view::npos;
}

// Only allocations made by the executable's own code fail: libraries loaded
// beside it (the OpenGL driver's shader compiler is C++) are not written to
// survive a throwing operator new, and are not what is being tested. The
// executable's copies of library templates (std::string's) may serve those
// libraries too, so the whole stack is looked at: outward from the
// allocation, the first frame outside the executable must be the C library's
// start of main.
bool FromExecutable()
{
    constexpr int kDepth = 96;
    void* frames[kDepth];
    const int count = backtrace(frames, kDepth);
    for (int i = 1; i < count; ++i)
        if (!InExecutable(frames[i])) return InCLibrary(frames[i]);
    return true;
}

void* Allocate(std::size_t size, std::size_t alignment, bool nothrow)
{
    if (countdown >= 0 && FromExecutable() && countdown-- == 0) {
        failed = true;
        if (nothrow) return nullptr;
        throw std::bad_alloc();
    }
    if (size == 0) size = 1;
    void* memory = alignment <= alignof(std::max_align_t)
        ? std::malloc(size)
        : std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
    if (memory == nullptr) {
        if (!nothrow) throw std::bad_alloc();
        return nullptr;
    }
    Count(memory);
    return memory;
}
} // namespace

void* operator new(std::size_t size) { return Allocate(size, 0, false); }
void* operator new[](std::size_t size) { return Allocate(size, 0, false); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, 0, true); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, 0, true); }
void* operator new(std::size_t size, std::align_val_t alignment)
{
    return Allocate(size, static_cast<std::size_t>(alignment), false);
}
void* operator new[](std::size_t size, std::align_val_t alignment)
{
    return Allocate(size, static_cast<std::size_t>(alignment), false);
}
void operator delete(void* memory) noexcept { Free(memory); }
void operator delete[](void* memory) noexcept { Free(memory); }
void operator delete(void* memory, std::size_t) noexcept { Free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { Free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { Free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { Free(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { Free(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { Free(memory); }

int RunWithEachAllocationFailing(const std::function<void()>& attempt, int maxRuns)
{
    void* warmUp[1];
    backtrace(warmUp, 1); // loads the unwinder before any allocation may fail
    int runs = 0;
    while (runs < maxRuns) {
        failed = false;
        countdown = runs++;
        try {
            attempt();
        } catch (...) {
            countdown = -1; // let the test report what escaped
            throw;
        }
        countdown = -1;
        if (!failed) break;
    }
    return runs;
}

long LiveAllocations() { return liveBlocks; }

size_t PeakAllocatedBytes(const std::function<void()>& attempt)
{
    const size_t start = liveBytes;
    peakBytes = start;
    attempt();
    return peakBytes - start;
}
