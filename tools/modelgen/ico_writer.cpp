#include "tools/modelgen/ico_writer.h"

#include <cstddef>
#include <stdexcept>

#include "tools/modelgen/png_writer.h"

namespace modelgen {
namespace {

constexpr std::size_t kDirectoryBytes = 6;
constexpr std::size_t kEntryBytes = 16;
constexpr std::size_t kBitmapHeaderBytes = 40;

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    Put16(out, value & 0xffffu);
    Put16(out, value >> 16);
}

// BITMAPINFOHEADER, colour rows bottom up as BGRA, then the AND mask (one bit
// a pixel, rows padded to four bytes), all clear: every pixel shows.
std::vector<std::uint8_t> EncodeBitmap(const Image& image)
{
    const auto size = static_cast<std::uint32_t>(image.width);
    const std::uint32_t maskRow = (size + 31) / 32 * 4;
    std::vector<std::uint8_t> out;
    Put32(out, kBitmapHeaderBytes);
    Put32(out, size);
    Put32(out, size * 2); // colour and mask
    Put16(out, 1);        // planes
    Put16(out, 32);       // bits a pixel
    Put32(out, 0);        // uncompressed
    Put32(out, size * size * 4 + maskRow * size);
    for (int i = 0; i < 4; ++i) Put32(out, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const std::size_t at = (static_cast<std::size_t>(y) * size + static_cast<std::size_t>(x)) * 3;
            out.push_back(image.rgb[at + 2]);
            out.push_back(image.rgb[at + 1]);
            out.push_back(image.rgb[at]);
            out.push_back(255);
        }
    }
    out.resize(out.size() + static_cast<std::size_t>(maskRow) * size, 0);
    return out;
}

} // namespace

std::vector<std::uint8_t> EncodeIco(const std::vector<Image>& images)
{
    std::vector<std::vector<std::uint8_t>> bodies;
    for (const Image& image : images) {
        if (image.width != image.height || image.width < 1 || image.width > 256)
            throw std::invalid_argument("icon images are squares of 1 to 256 pixels");
        bodies.push_back(image.width == 256 ? EncodePng(image) : EncodeBitmap(image));
    }
    std::vector<std::uint8_t> out;
    Put16(out, 0); // reserved
    Put16(out, 1); // icon
    Put16(out, static_cast<std::uint32_t>(images.size()));
    auto offset = static_cast<std::uint32_t>(kDirectoryBytes + kEntryBytes * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const auto size = static_cast<std::uint8_t>(images[i].width & 0xff); // 256 is written as 0
        out.push_back(size);
        out.push_back(size);
        out.push_back(0); // no palette
        out.push_back(0);
        Put16(out, 1);  // planes
        Put16(out, 32); // bits a pixel
        Put32(out, static_cast<std::uint32_t>(bodies[i].size()));
        Put32(out, offset);
        offset += static_cast<std::uint32_t>(bodies[i].size());
    }
    for (const std::vector<std::uint8_t>& body : bodies) out.insert(out.end(), body.begin(), body.end());
    return out;
}

} // namespace modelgen
