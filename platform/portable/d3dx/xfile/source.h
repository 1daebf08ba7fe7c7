// The 16-byte header of a .x file and the body it announces, inflated when
// the file is compressed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/portable/win32/types.h"
#include "platform/portable/d3dx/xfile/format.h"
#include "platform/portable/d3dx/xfile/mszip.h"

namespace portable {

using XFileEncoding = xformat::Encoding;

struct XFileSource {
    XFileSource() = default;
    XFileSource(const XFileSource&) = delete;
    XFileSource& operator=(const XFileSource&) = delete;
    XFileSource(XFileSource&&) = default;
    XFileSource& operator=(XFileSource&&) = default;

    XFileEncoding encoding = XFileEncoding::Text;
    bool binary = false;
    unsigned floatBits = 32;        // 32 or 64: the size of floats in binary data
    XInflatedBytes inflated;        // the body of a compressed file
    const char* body = nullptr;     // the data after the header
    size_t bodySize = 0;
};

// Reads the header and, for a compressed file, inflates the body. The body
// of an uncompressed file points into `data`, which must outlive the source.
HRESULT OpenXFileSource(const char* data, size_t size, XFileSource& source);

// "text", "binary", "compressed text" or "compressed binary".
std::string_view XFileEncodingName(XFileEncoding encoding);

} // namespace portable
