#include "tools/modelgen/png_writer.h"

#include <zlib.h>

#include <array>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

namespace modelgen {
namespace {

// Level 9 costs several times the time for a few per cent of size.
constexpr int kCompressionLevel = 6;

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value >> 24));
    out.push_back(static_cast<std::uint8_t>(value >> 16));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void PutChunk(std::vector<std::uint8_t>& out, std::string_view type, const std::vector<std::uint8_t>& data)
{
    PutU32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    // The CRC covers the type and the data.
    const uLong crc = crc32(0L, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
    PutU32(out, static_cast<std::uint32_t>(crc));
}

int Paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    if (pb <= pc) return b;
    return c;
}

// Appends one filtered scanline (filter byte first).
void FilterRow(const std::uint8_t* row, const std::uint8_t* above, std::size_t length, int filter,
               std::vector<std::uint8_t>& out)
{
    constexpr std::size_t bpp = 3;
    out.push_back(static_cast<std::uint8_t>(filter));
    for (std::size_t i = 0; i < length; ++i) {
        const int x = row[i];
        const int a = i >= bpp ? row[i - bpp] : 0;
        const int b = above ? above[i] : 0;
        const int c = (above && i >= bpp) ? above[i - bpp] : 0;
        int predicted = 0;
        switch (filter) {
        case 1: predicted = a; break;
        case 2: predicted = b; break;
        case 3: predicted = (a + b) / 2; break;
        case 4: predicted = Paeth(a, b, c); break;
        default: break;
        }
        out.push_back(static_cast<std::uint8_t>(x - predicted));
    }
}

std::size_t ResidualCost(const std::uint8_t* data, std::size_t length)
{
    std::size_t cost = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const auto value = static_cast<std::int8_t>(data[i]);
        cost += static_cast<std::size_t>(std::abs(static_cast<int>(value)));
    }
    return cost;
}

} // namespace

std::vector<std::uint8_t> EncodePng(const Image& image)
{
    if (image.width <= 0 || image.height <= 0
        || image.rgb.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3)
        throw std::invalid_argument("EncodePng: image size does not match its pixel data");

    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 3;
    std::vector<std::uint8_t> filtered;
    filtered.reserve((rowBytes + 1) * static_cast<std::size_t>(image.height));
    std::vector<std::uint8_t> candidate;
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* row = image.rgb.data() + static_cast<std::size_t>(y) * rowBytes;
        const std::uint8_t* above = y > 0 ? row - rowBytes : nullptr;
        int bestFilter = 0;
        std::size_t bestCost = 0;
        for (int filter = 0; filter <= 4; ++filter) {
            candidate.clear();
            FilterRow(row, above, rowBytes, filter, candidate);
            const std::size_t cost = ResidualCost(candidate.data() + 1, rowBytes);
            if (filter == 0 || cost < bestCost) {
                bestFilter = filter;
                bestCost = cost;
            }
        }
        FilterRow(row, above, rowBytes, bestFilter, filtered);
    }

    uLongf compressedSize = compressBound(static_cast<uLong>(filtered.size()));
    std::vector<std::uint8_t> compressed(compressedSize);
    if (compress2(compressed.data(), &compressedSize, filtered.data(), static_cast<uLong>(filtered.size()),
                  kCompressionLevel)
        != Z_OK)
        throw std::runtime_error("EncodePng: zlib compression failed");
    compressed.resize(compressedSize);

    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutU32(header, static_cast<std::uint32_t>(image.width));
    PutU32(header, static_cast<std::uint32_t>(image.height));
    header.push_back(8); // bits per channel
    header.push_back(2); // color type: RGB
    header.push_back(0); // deflate
    header.push_back(0); // adaptive filtering
    header.push_back(0); // no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", compressed);
    PutChunk(png, "IEND", {});
    return png;
}

} // namespace modelgen
