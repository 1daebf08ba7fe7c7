#include "tests/portable/allocation_failure.h"

#include <cstddef>
#include <cstdlib>
#include <new>

// The executable's own code, as the GNU linker marks it.
extern "C" char __executable_start;
extern "C" char etext;

namespace {
// Allocations left before the one that fails; negative: none fails.
long countdown = -1;
bool failed = false;

// Only allocations made by the executable's own code fail: libraries loaded
// beside it (the OpenGL driver's shader compiler is C++) are not written to
// survive a throwing operator new, and are not what is being tested.
bool FromExecutable(const void* caller)
{
    return caller >= &__executable_start && caller < &etext;
}

void* Allocate(std::size_t size, std::size_t alignment, bool nothrow, const void* caller)
{
    if (countdown >= 0 && FromExecutable(caller) && countdown-- == 0) {
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

void* operator new(std::size_t size) { return Allocate(size, 0, false, __builtin_return_address(0)); }
void* operator new[](std::size_t size) { return Allocate(size, 0, false, __builtin_return_address(0)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, 0, true, __builtin_return_address(0)); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, 0, true, __builtin_return_address(0)); }
void* operator new(std::size_t size, std::align_val_t alignment)
{
    return Allocate(size, static_cast<std::size_t>(alignment), false, __builtin_return_address(0));
}
void* operator new[](std::size_t size, std::align_val_t alignment)
{
    return Allocate(size, static_cast<std::size_t>(alignment), false, __builtin_return_address(0));
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
