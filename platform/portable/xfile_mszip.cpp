#include "platform/portable/xfile_mszip.h"

#include <cstring>

#include <zlib.h>

#include "platform/portable/huge_pages.h"

namespace {
constexpr size_t kHeaderSize = 16;
constexpr size_t kMaxBlock = 32768;
// Deflate cannot expand data by more than about 1032:1.
constexpr uint64_t kMaxRatio = 1100;

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t ReadU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16)
           | (static_cast<uint32_t>(p[3]) << 24);
}

struct Inflater {
    z_stream stream{};
    bool ready = false;
    Inflater() { ready = inflateInit2(&stream, -MAX_WBITS) == Z_OK; }
    ~Inflater()
    {
        if (ready) inflateEnd(&stream);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
};
} // namespace

bool InflateMsZip(const uint8_t* data, size_t size, XInflatedBytes& out)
{
    out.clear();
    if (size < 4) return false;
    const uint32_t totalWithHeader = ReadU32(data);
    if (totalWithHeader < kHeaderSize) return false;
    const uint64_t total = totalWithHeader - kHeaderSize;
    if (total > static_cast<uint64_t>(size) * kMaxRatio + kMaxBlock) return false;
    ReserveHuge(out, static_cast<size_t>(total));
    out.resize(static_cast<size_t>(total));

    Inflater inflater;
    if (!inflater.ready) return false;
    size_t pos = 4;
    size_t written = 0;
    size_t previousStart = 0;
    while (pos < size) {
        if (size - pos < 4) return false;
        const size_t blockSize = ReadU16(data + pos);
        const size_t packedSize = ReadU16(data + pos + 2);
        pos += 4;
        if (blockSize == 0 || blockSize > kMaxBlock || packedSize < 2 || packedSize > size - pos) return false;
        if (data[pos] != 'C' || data[pos + 1] != 'K') return false;
        if (blockSize > total - written) return false;

        z_stream& stream = inflater.stream;
        if (inflateReset(&stream) != Z_OK) return false;
        if (written > 0
            && inflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(out.data() + previousStart),
                                    static_cast<uInt>(written - previousStart))
                   != Z_OK) {
            return false;
        }
        stream.next_in = const_cast<Bytef*>(data + pos + 2);
        stream.avail_in = static_cast<uInt>(packedSize - 2);
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + written);
        stream.avail_out = static_cast<uInt>(blockSize);
        const int status = inflate(&stream, Z_FINISH);
        if (status != Z_STREAM_END || stream.avail_out != 0) return false;

        previousStart = written;
        written += blockSize;
        pos += packedSize;
    }
    if (written != total) return false;
    return true;
}
