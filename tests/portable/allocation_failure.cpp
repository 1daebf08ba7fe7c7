#include "tests/portable/allocation_failure.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace {
// Allocations left before the one that fails; negative: none fails.
long countdown = -1;
bool failed = false;
long liveBlocks = 0;
size_t liveBytes = 0;
size_t peakBytes = 0;

void Count(void* memory)
{
    ++liveBlocks;
    liveBytes += malloc_usable_size(memory);
    if (liveBytes > peakBytes) peakBytes = liveBytes;
}

void Free(void* memory) noexcept
{
    if (memory == nullptr) return;
    --liveBlocks;
    liveBytes -= malloc_usable_size(memory);
    std::free(memory);
}

void* Allocate(std::size_t size, std::size_t alignment, bool nothrow)
{
    if (countdown >= 0 && countdown-- == 0) {
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
    peakBytes = liveBytes;
    attempt();
    return peakBytes - start;
}
