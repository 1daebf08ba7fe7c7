// The body of a .x file: the 16-byte header read, and for a compressed file
// ("tzip", "bzip") the MSZIP blocks inflated. MSZIP is raw deflate data in
// blocks, each using the previous block's output as its dictionary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/portable/win32/types.h"
#include "platform/portable/d3dx/xfile/format.h"

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
    {}
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

using XFileEncoding = xformat::Encoding;

struct XFileSource {
    XFileSource() = default;
    XFileSource(const XFileSource&) = delete;
    XFileSource& operator=(const XFileSource&) = delete;
    XFileSource(XFileSource&&) = default;
    XFileSource& operator=(XFileSource&&) = default;

    XFileEncoding encoding = XFileEncoding::Text;
    bool binary = false;
    unsigned floatBits = 32;    // 32 or 64: the size of floats in binary data
    XInflatedBytes inflated;    // the body of a compressed file
    const char* body = nullptr; // the data after the header
    size_t bodySize = 0;
};

// Reads the header and, for a compressed file, inflates the body. The body
// of an uncompressed file points into `data`, which must outlive the source.
HRESULT OpenXFileSource(const char* data, size_t size, XFileSource& source);

// "text", "binary", "compressed text" or "compressed binary".
std::string_view XFileEncodingName(XFileEncoding encoding);

} // namespace portable
