#include "platform/portable/d3dx/xfile/huge_pages.h"

#include <sys/mman.h>

#include <cstdint>

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

} // namespace portable
