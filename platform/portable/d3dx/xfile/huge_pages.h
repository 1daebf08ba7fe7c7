// Large blocks that are about to be filled: asking the kernel for huge pages
// behind them before they are first touched turns hundreds of page faults per
// megabyte into one fault per 2 MB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace portable {

// Advice only; nothing changes for blocks below a few megabytes or where the
// kernel does not take it.
void AdviseHugePages(void* block, size_t bytes);

// Reserves room for at least `count` elements, growing geometrically (up to
// `most`) so that repeated calls stay linear, and advises huge pages for it.
template <class T, class Allocator>
void ReserveHuge(std::vector<T, Allocator>& vector, size_t count, size_t most = SIZE_MAX)
{
    if (count <= vector.capacity()) return;
    const size_t doubled = vector.capacity() < most / 2 ? 2 * vector.capacity() : most;
    vector.reserve(count > doubled ? count : doubled);
    AdviseHugePages(vector.data(), vector.capacity() * sizeof(T));
}

} // namespace portable
