#include "platform/portable/d3dx/xfile/document.h"

#include <sys/mman.h>
#include <sys/random.h>

#include <chrono>

namespace portable {

void AdviseHugePages(void* block, size_t bytes)
{
    constexpr uintptr_t kPage = 4096;
    constexpr size_t kWorthIt = size_t{4} << 20;
    if (block == nullptr || bytes < kWorthIt) return;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + kPage - 1) & ~(kPage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(kPage - 1);
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

uint64_t HashKey()
{
    static const uint64_t key = [] {
        uint64_t drawn = 0;
        if (getrandom(&drawn, sizeof drawn, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof drawn)) {
            // Without the system's random numbers: the clock and where this process lies in memory.
            drawn = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())
                ^ reinterpret_cast<uintptr_t>(&drawn);
        }
        return drawn;
    }();
    return key;
}

} // namespace portable
