#include "tests/portable/allocation_failure.h"

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {
// Allocations left before the one that fails; negative: none fails.
long countdown = -1;
bool failed = false;

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
    if (memory == nullptr && !nothrow) throw std::bad_alloc();
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
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }

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
