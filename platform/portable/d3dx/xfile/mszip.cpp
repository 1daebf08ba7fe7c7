#include "platform/portable/d3dx/xfile/mszip.h"

#include <algorithm>
#include <cstring>

#include <zlib.h>

#include "platform/portable/d3dx/xfile/format.h"
#include "platform/portable/d3dx/xfile/huge_pages.h"
#include "platform/portable/d3dx/xfile/limits.h"
#include "platform/portable/d3dx/xfile/result.h"

namespace portable {

namespace {
// Room made before the first block: the body of a file compressed this well
// or worse (MSZIP shrinks .x files three to five times) comes in one
// allocation. Data that compresses better earns its room as it inflates.
constexpr size_t kFirstRoomRatio = 8;

struct Inflater {
    z_stream stream{};
    bool ready = false;
    Inflater() { ready = inflateInit2(&stream, -xformat::kMszipWindowBits) == Z_OK; }
    ~Inflater()
    {
        if (ready) inflateEnd(&stream);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
};

// Capacity for `needed` bytes, growing geometrically up to `total`; false
// when memory runs out.
bool MakeRoom(XInflatedBytes& out, size_t needed, size_t total)
{
    if (needed <= out.capacity()) return true;
    try {
        out.reserve(std::min(total, std::max(needed, 2 * out.capacity())));
    } catch (const std::bad_alloc&) {
        return false;
    }
    AdviseHugePages(out.data(), out.capacity());
    return true;
}
} // namespace

HRESULT InflateMsZip(const uint8_t* data, size_t size, XInflatedBytes& out)
{
    out.clear();
    if (size < xformat::kMszipTotalSize) return D3DXFERR_BADFILE;
    const uint32_t totalWithHeader = xformat::LoadU32(data);
    if (totalWithHeader < xformat::kHeaderSize) return D3DXFERR_BADFILE;
    const size_t total = totalWithHeader - xformat::kHeaderSize;
    // D3DX allocates the announced size before it inflates anything.
    if (total > kMaxXInflatedBytes) return DXFILEERR_BADALLOC;
    if (!MakeRoom(out, std::min(total, size * kFirstRoomRatio), total)) return DXFILEERR_BADALLOC;

    Inflater inflater;
    if (!inflater.ready) return DXFILEERR_BADALLOC;
    size_t pos = xformat::kMszipTotalSize;
    size_t written = 0;
    size_t previousStart = 0;
    while (pos < size) {
        xformat::MszipBlock block;
        if (!xformat::ReadMszipBlock(data + pos, size - pos, block)) return D3DXFERR_BADFILE;
        const size_t blockSize = block.size;
        if (blockSize > total - written) return D3DXFERR_BADFILE;
        if (!MakeRoom(out, written + blockSize, total)) return DXFILEERR_BADALLOC;
        out.resize(written + blockSize); // within the capacity: no allocation

        z_stream& stream = inflater.stream;
        if (inflateReset(&stream) != Z_OK) return D3DXFERR_BADFILE;
        if (written > 0
            && inflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(out.data() + previousStart),
                                    static_cast<uInt>(written - previousStart))
                   != Z_OK) {
            return D3DXFERR_BADFILE;
        }
        stream.next_in = const_cast<Bytef*>(block.deflated);
        stream.avail_in = static_cast<uInt>(block.deflatedSize);
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + written);
        stream.avail_out = static_cast<uInt>(blockSize);
        const int status = inflate(&stream, Z_FINISH);
        if (status != Z_STREAM_END || stream.avail_out != 0) return D3DXFERR_BADFILE;

        previousStart = written;
        written += blockSize;
        pos += block.extent;
    }
    if (written != total) return D3DXFERR_BADFILE;
    return S_OK;
}

} // namespace portable
