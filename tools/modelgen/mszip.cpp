#include "tools/modelgen/mszip.h"

#include <zlib.h>

#include <limits>
#include <stdexcept>

namespace modelgen {
namespace {

void PutU16(std::vector<std::uint8_t>& out, std::size_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void PutU32(std::vector<std::uint8_t>& out, std::size_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF));
}

// One raw deflate stream, ended with a final block.
std::vector<std::uint8_t> Deflate(std::string_view input, std::string_view dictionary) {
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("MSZIP: deflateInit2 failed");
    if (!dictionary.empty() &&
        deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(dictionary.data()),
                             static_cast<uInt>(dictionary.size())) != Z_OK) {
        deflateEnd(&z);
        throw std::runtime_error("MSZIP: deflateSetDictionary failed");
    }
    std::vector<std::uint8_t> out(deflateBound(&z, static_cast<uLong>(input.size())) + 16);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    z.avail_in = static_cast<uInt>(input.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&z, Z_FINISH);
    const std::size_t produced = out.size() - z.avail_out;
    deflateEnd(&z);
    if (result != Z_STREAM_END) throw std::runtime_error("MSZIP: deflate did not finish");
    out.resize(produced);
    return out;
}

}  // namespace

std::vector<std::uint8_t> MszipCompress(std::string_view header, std::string_view payload,
                                        const MszipOptions& options) {
    if (header.size() != 16) throw std::invalid_argument("MSZIP: the header must be 16 bytes");
    const std::size_t total = header.size() + payload.size();
    if (total > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("MSZIP: file too large for a 32-bit size");

    std::vector<std::uint8_t> out(header.begin(), header.end());
    PutU32(out, total);
    std::string_view previous;
    for (std::size_t at = 0; at < payload.size(); at += kMszipBlockSize) {
        const std::string_view block = payload.substr(at, kMszipBlockSize);
        const std::vector<std::uint8_t> deflated = Deflate(block, options.chainBlocks ? previous : std::string_view{});
        const std::size_t compressedSize = deflated.size() + 2;
        if (compressedSize > std::numeric_limits<std::uint16_t>::max())
            throw std::length_error("MSZIP: compressed block too large");
        PutU16(out, block.size());
        PutU16(out, compressedSize);
        out.push_back('C');
        out.push_back('K');
        out.insert(out.end(), deflated.begin(), deflated.end());
        previous = block;
    }
    return out;
}

}  // namespace modelgen
