// MSZIP, the compression of "tzip" and "bzip" .x files: blocks of raw
// deflate data, each using the previous block's output as its dictionary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "platform/portable/win32/types.h"

namespace portable {

// Leaves new elements uninitialised: the inflater writes every byte.
template <class T>
struct UninitializedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UninitializedAllocator<U>;
    };
    UninitializedAllocator() = default;
    template <class U>
    UninitializedAllocator(const UninitializedAllocator<U>&) noexcept
    {
    }
    template <class U>
    void construct(U* place) noexcept
    {
        ::new (static_cast<void*>(place)) U;
    }
    template <class U, class... Args>
    void construct(U* place, Args&&... args)
    {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
};

using XInflatedBytes = std::vector<char, UninitializedAllocator<char>>;

// Inflates the blocks that follow the 16-byte .x header. `data` starts at the
// 4-byte total size (which counts the header too). D3DXFERR_BADFILE on any
// damage; DXFILEERR_BADALLOC when the total is past kMaxXInflatedBytes or
// memory runs out. Room is made as the blocks inflate, never on the word of
// the total alone.
HRESULT InflateMsZip(const uint8_t* data, size_t size, XInflatedBytes& out);

} // namespace portable
