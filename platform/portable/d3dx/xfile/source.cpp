#include "platform/portable/d3dx/xfile/source.h"

#include <algorithm>
#include <cstring>

#include <zlib.h>

#include "platform/portable/d3dx/xfile/document.h"
#include "platform/portable/d3dx/xfile/limits.h"

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
    try {
        ReserveHuge(out, needed, total);
    } catch (const std::bad_alloc&) {
        return false;
    }
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

HRESULT OpenXFileSource(const char* data, size_t size, XFileSource& source)
{
    source = XFileSource{};
    xformat::Header header;
    switch (xformat::ReadHeader(data, size, header)) {
    case xformat::HeaderFault::None: break;
    case xformat::HeaderFault::Magic:
    case xformat::HeaderFault::Format: return D3DXFERR_BADFILETYPE;
    case xformat::HeaderFault::Version: return D3DXFERR_BADFILEVERSION;
    case xformat::HeaderFault::FloatSize: return D3DXFERR_BADFILEFLOATSIZE;
    }
    source.encoding = header.encoding;
    source.binary = xformat::IsBinary(header.encoding);
    source.floatBits = header.floatBits;

    if (xformat::IsCompressed(header.encoding)) {
        const HRESULT inflated = InflateMsZip(reinterpret_cast<const uint8_t*>(data + xformat::kHeaderSize),
                                              size - xformat::kHeaderSize, source.inflated);
        if (FAILED(inflated)) {
            XInflatedBytes().swap(source.inflated);
            return inflated;
        }
        source.body = source.inflated.data();
        source.bodySize = source.inflated.size();
    } else {
        source.body = data + xformat::kHeaderSize;
        source.bodySize = size - xformat::kHeaderSize;
    }
    return S_OK;
}

std::string_view XFileEncodingName(XFileEncoding encoding)
{
    switch (encoding) {
    case XFileEncoding::Text: return "text";
    case XFileEncoding::Binary: return "binary";
    case XFileEncoding::TextCompressed: return "compressed text";
    case XFileEncoding::BinaryCompressed: return "compressed binary";
    }
    return "unknown";
}

} // namespace portable
