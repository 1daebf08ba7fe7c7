#include "tools/modelgen/mszip.h"

#include <zlib.h>

#include <limits>
#include <stdexcept>

namespace modelgen {
namespace {

// One raw deflate stream, ended with a final block.
std::vector<std::uint8_t> Deflate(std::string_view input, std::string_view dictionary)
{
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -xformat::kMszipWindowBits, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("MSZIP: deflateInit2 failed");
    if (!dictionary.empty()
        && deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(dictionary.data()),
                                static_cast<uInt>(dictionary.size()))
            != Z_OK) {
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

} // namespace

std::vector<std::uint8_t> MszipBlock(std::string_view data, std::string_view dictionary)
{
    if (data.empty() || data.size() > xformat::kMszipMaxBlock)
        throw std::invalid_argument("MSZIP: a block holds 1 to 32768 bytes");
    const std::vector<std::uint8_t> deflated = Deflate(data, dictionary);
    if (deflated.size() > xformat::kMszipMaxDeflated) throw std::length_error("MSZIP: compressed block too large");
    std::vector<std::uint8_t> block;
    block.reserve(xformat::kMszipFrameSize + deflated.size());
    xformat::AppendMszipFrame(block, data.size(), deflated.size());
    block.insert(block.end(), deflated.begin(), deflated.end());
    return block;
}

std::vector<std::uint8_t> MszipCompress(std::string_view header, std::string_view payload, const MszipOptions& options)
{
    if (header.size() != xformat::kHeaderSize) throw std::invalid_argument("MSZIP: the header must be 16 bytes");
    if (options.blockSize == 0 || options.blockSize > xformat::kMszipMaxBlock)
        throw std::invalid_argument("MSZIP: blocks hold 1 to 32768 bytes");
    const std::size_t total = header.size() + payload.size();
    if (total > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("MSZIP: file too large for a 32-bit size");

    std::vector<std::uint8_t> out(header.begin(), header.end());
    xformat::AppendU32(out, static_cast<std::uint32_t>(total));
    std::string_view previous;
    for (std::size_t at = 0; at < payload.size(); at += options.blockSize) {
        const std::string_view data = payload.substr(at, options.blockSize);
        const std::vector<std::uint8_t> block = MszipBlock(data, options.chainBlocks ? previous : std::string_view{});
        out.insert(out.end(), block.begin(), block.end());
        previous = data;
    }
    return out;
}

} // namespace modelgen
