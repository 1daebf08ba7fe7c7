// BMP files, read here with every offset and count checked against the file:
// the OS/2 and Windows headers (12 to 124 bytes); 1, 4 and 8 bits through a
// palette, RLE4 and RLE8; 16 and 32 bits plain or by bit masks; 24 bits.
#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/portable/d3dx/image/decode.h"

namespace portable {

namespace {
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

uint32_t U16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8); }
uint32_t U32(const uint8_t* p) { return U16(p) | (U16(p + 2) << 16); }

// One channel given by a bit mask, widened to 8 bits.
struct Channel {
    uint32_t mask = 0;
    unsigned shift = 0;
    uint32_t max = 0;
};

Channel MakeChannel(uint32_t mask)
{
    Channel channel{mask, 0, 0};
    if (mask != 0) {
        channel.shift = static_cast<unsigned>(std::countr_zero(mask));
        channel.max = mask >> channel.shift;
    }
    return channel;
}

uint8_t Value(const Channel& channel, uint32_t pixel, uint8_t absent)
{
    if (channel.mask == 0) return absent;
    const uint64_t raw = (pixel & channel.mask) >> channel.shift;
    return static_cast<uint8_t>((raw * 255 + channel.max / 2) / channel.max);
}

struct Bmp {
    int64_t width = 0;
    int64_t height = 0; // negative: rows from the top
    uint32_t bits = 0;
    uint32_t compression = kRgb;
    Channel red, green, blue, alpha;
    std::vector<uint8_t> palette; // B, G, R, A per entry
    size_t pixelOffset = 0;
};

HRESULT ReadHeader(const uint8_t* data, size_t size, Bmp& bmp)
{
    if (size < 26 || data[0] != 'B' || data[1] != 'M') return D3DXERR_INVALIDDATA;
    const uint32_t headerSize = U32(data + 14);
    const uint8_t* header = data + 14;
    size_t paletteEntry = 4;
    uint32_t masks[4] = {};
    bool haveMasks = false;
    if (headerSize == 12) {
        bmp.width = U16(header + 4);
        bmp.height = U16(header + 6);
        bmp.bits = U16(header + 10);
        paletteEntry = 3;
        if (bmp.bits != 1 && bmp.bits != 4 && bmp.bits != 8 && bmp.bits != 24) return D3DXERR_INVALIDDATA;
    } else if (headerSize >= 40 && headerSize <= 124 && size >= 14 + size_t{headerSize}) {
        bmp.width = static_cast<int32_t>(U32(header + 4));
        bmp.height = static_cast<int32_t>(U32(header + 8));
        bmp.bits = U16(header + 14);
        bmp.compression = U32(header + 16);
        if (bmp.compression == kBitFields || bmp.compression == kAlphaBitFields) {
            // Masks are in a header of 52 bytes or more, else just after it.
            const unsigned count = bmp.compression == kAlphaBitFields || headerSize >= 56 ? 4 : 3;
            const size_t at = headerSize >= 52 ? 14 + 40 : 14 + size_t{headerSize};
            if (size < at + 4 * count) return D3DXERR_INVALIDDATA;
            for (unsigned i = 0; i < count; ++i) masks[i] = U32(data + at + 4 * i);
            haveMasks = true;
        } else if (headerSize >= 56 && bmp.compression == kRgb) {
            // A V4 or V5 header's alpha mask applies to plain 16 and 32 bits too.
            masks[3] = U32(header + 52);
        }
    } else {
        return D3DXERR_INVALIDDATA;
    }
    if (bmp.height == INT32_MIN
        || OutsideImageLimits(static_cast<uint64_t>(bmp.width < 0 ? 0 : bmp.width),
                              static_cast<uint64_t>(bmp.height < 0 ? -bmp.height : bmp.height))) {
        return D3DXERR_INVALIDDATA;
    }
    switch (bmp.compression) {
    case kRgb:
        if (bmp.bits != 1 && bmp.bits != 4 && bmp.bits != 8 && bmp.bits != 16 && bmp.bits != 24 && bmp.bits != 32) {
            return D3DXERR_INVALIDDATA;
        }
        break;
    case kRle8:
    case kRle4:
        if (bmp.bits != (bmp.compression == kRle8 ? 8u : 4u) || bmp.height < 0) return D3DXERR_INVALIDDATA;
        break;
    case kBitFields:
    case kAlphaBitFields:
        if (bmp.bits != 16 && bmp.bits != 32) return D3DXERR_INVALIDDATA;
        break;
    default: return D3DXERR_INVALIDDATA; // JPEG or PNG inside, or unknown
    }
    if (!haveMasks && bmp.bits == 16) {
        masks[0] = 0x7c00, masks[1] = 0x3e0, masks[2] = 0x1f;
    } else if (!haveMasks && bmp.bits == 32) {
        masks[0] = 0xff0000, masks[1] = 0xff00, masks[2] = 0xff;
    }
    if (bmp.bits == 16) {
        for (uint32_t& mask : masks) mask &= 0xffff;
    }
    bmp.red = MakeChannel(masks[0]);
    bmp.green = MakeChannel(masks[1]);
    bmp.blue = MakeChannel(masks[2]);
    bmp.alpha = MakeChannel(masks[3]);

    if (bmp.bits <= 8) {
        const uint32_t used = headerSize >= 40 ? U32(header + 32) : 0;
        const size_t wanted = used == 0 || used > (1u << bmp.bits) ? (1u << bmp.bits) : used;
        const size_t at = 14 + size_t{headerSize} + (haveMasks && headerSize < 52 ? 12 : 0);
        const size_t held = at < size ? (size - at) / paletteEntry : 0;
        const size_t entries = std::min(wanted, held);
        bmp.palette.assign(entries * 4, 255);
        for (size_t i = 0; i < entries; ++i) std::memcpy(&bmp.palette[4 * i], data + at + i * paletteEntry, 3);
    }
    bmp.pixelOffset = U32(data + 10);
    if (bmp.pixelOffset >= size) return D3DXERR_INVALIDDATA;
    return S_OK;
}

D3DFORMAT FileFormat(const Bmp& bmp)
{
    // D3DX reports run-length encoded files as the 32-bit texels they become.
    if (bmp.compression == kRle8 || bmp.compression == kRle4) return D3DFMT_X8R8G8B8;
    if (bmp.bits <= 8) return static_cast<D3DFORMAT>(41); // D3DFMT_P8
    if (bmp.bits == 24) return D3DFMT_R8G8B8;
    if (bmp.bits == 16) {
        if (bmp.red.mask == 0xf800 && bmp.green.mask == 0x7e0 && bmp.blue.mask == 0x1f) return D3DFMT_R5G6B5;
        return bmp.alpha.mask != 0 ? D3DFMT_A1R5G5B5 : D3DFMT_X1R5G5B5;
    }
    return bmp.alpha.mask != 0 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
}

void PaletteTexel(const Bmp& bmp, uint32_t index, uint8_t* texel)
{
    static constexpr uint8_t kBlack[4] = {0, 0, 0, 255};
    const uint8_t* entry = 4 * size_t{index} < bmp.palette.size() ? &bmp.palette[4 * size_t{index}] : kBlack;
    std::memcpy(texel, entry, 4);
}

// One stored row of an uncompressed image to texels.
void ConvertRow(const Bmp& bmp, const uint8_t* in, uint8_t* out)
{
    const size_t width = static_cast<size_t>(bmp.width);
    for (size_t x = 0; x < width; ++x) {
        uint8_t* texel = out + 4 * x;
        switch (bmp.bits) {
        case 1:
        case 4:
        case 8: {
            const size_t bit = x * bmp.bits;
            const uint32_t index = (in[bit / 8] >> (8 - bmp.bits - bit % 8)) & ((1u << bmp.bits) - 1);
            PaletteTexel(bmp, index, texel);
            break;
        }
        case 24:
            std::memcpy(texel, in + 3 * x, 3);
            texel[3] = 255;
            break;
        default: {
            const uint32_t pixel = bmp.bits == 16 ? U16(in + 2 * x) : U32(in + 4 * x);
            texel[0] = Value(bmp.blue, pixel, 0);
            texel[1] = Value(bmp.green, pixel, 0);
            texel[2] = Value(bmp.red, pixel, 0);
            texel[3] = Value(bmp.alpha, pixel, 255);
            break;
        }
        }
    }
}

HRESULT DecodeUncompressed(const Bmp& bmp, const uint8_t* data, size_t size, RowCollector& rows)
{
    const size_t width = static_cast<size_t>(bmp.width);
    const size_t height = static_cast<size_t>(bmp.height < 0 ? -bmp.height : bmp.height);
    const size_t stride = (width * bmp.bits + 31) / 32 * 4;
    if ((size - bmp.pixelOffset) / stride < height) return D3DXERR_INVALIDDATA;
    ReserveRows(rows);
    std::vector<uint8_t> row(width * 4);
    for (size_t y = 0; y < height; ++y) {
        ConvertRow(bmp, data + bmp.pixelOffset + y * stride, row.data());
        AddRow(rows, row.data());
    }
    return S_OK;
}

// RLE4 and RLE8: runs and literal stretches of palette indices, bottom row
// first; escapes end a row, end the image or skip ahead. What is skipped is
// transparent black.
HRESULT DecodeRle(const Bmp& bmp, const uint8_t* data, size_t size, RowCollector& rows)
{
    const bool four = bmp.compression == kRle4;
    const uint32_t width = static_cast<uint32_t>(bmp.width);
    std::vector<uint8_t> row(size_t{width} * 4, 0);
    uint32_t x = 0;
    bool blank = true; // nothing written to the row yet
    const auto put = [&](uint32_t index) {
        if (x < width) PaletteTexel(bmp, index, &row[4 * size_t{x}]);
        ++x;
        blank = false;
    };
    const auto endRow = [&] {
        if (blank) {
            AddBlankRows(rows, 1);
        } else {
            AddRow(rows, row.data());
            std::fill(row.begin(), row.end(), 0);
        }
        x = 0;
        blank = true;
    };
    size_t pos = bmp.pixelOffset;
    while (RowsLeft(rows) > 0) {
        if (size - pos < 2) return D3DXERR_INVALIDDATA;
        const uint32_t count = data[pos], value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            for (uint32_t i = 0; i < count && x < width; ++i)
                put(four ? (i % 2 == 0 ? value >> 4 : value & 15) : value);
            continue;
        }
        if (value == 0) {
            endRow();
        } else if (value == 1) {
            endRow();
            AddBlankRows(rows, RowsLeft(rows));
        } else if (value == 2) {
            if (size - pos < 2) return D3DXERR_INVALIDDATA;
            const uint32_t right = data[pos], up = data[pos + 1];
            pos += 2;
            const uint32_t column = x;
            if (up > 0) {
                endRow();
                AddBlankRows(rows, std::min(up - 1, RowsLeft(rows)));
            }
            x = std::min(width, column + right);
        } else {
            const size_t bytes = four ? (value + 1) / 2 : value;
            const size_t padded = (bytes + 1) & ~size_t{1};
            if (size - pos < padded) return D3DXERR_INVALIDDATA;
            for (uint32_t i = 0; i < value && x < width; ++i) {
                const uint8_t byte = data[pos + (four ? i / 2 : i)];
                put(four ? (i % 2 == 0 ? byte >> 4 : byte & 15) : byte);
            }
            pos += padded;
        }
    }
    return S_OK;
}
} // namespace

// A 32-bit file without an alpha mask whose unused top bytes are not all
// zero holds alpha there: D3DX loads it as A8R8G8B8 with that alpha.
void TakeAlphaFromUnusedBytes(const uint8_t* data, size_t size, Bmp& bmp)
{
    constexpr uint32_t kTopByte = 0xff000000;
    if (bmp.bits != 32 || bmp.alpha.mask != 0 || ((bmp.red.mask | bmp.green.mask | bmp.blue.mask) & kTopByte) != 0) {
        return;
    }
    const uint64_t rows = static_cast<uint64_t>(bmp.height < 0 ? -bmp.height : bmp.height);
    const uint64_t wanted = rows * static_cast<uint64_t>(bmp.width) * 4;
    const size_t end = bmp.pixelOffset + static_cast<size_t>(std::min<uint64_t>(wanted, size - bmp.pixelOffset));
    for (size_t at = bmp.pixelOffset + 3; at < end; at += 4) {
        if (data[at] != 0) {
            bmp.alpha = MakeChannel(kTopByte);
            return;
        }
    }
}

HRESULT DecodeBmp(const uint8_t* data, size_t size, const ImageFit* fit, DecodedImage& image)
{
    Bmp bmp;
    if (HRESULT result = ReadHeader(data, size, bmp); FAILED(result)) return result;
    if (bmp.compression == kRgb || bmp.compression == kBitFields) TakeAlphaFromUnusedBytes(data, size, bmp);
    const uint32_t width = static_cast<uint32_t>(bmp.width);
    const uint32_t height = static_cast<uint32_t>(bmp.height < 0 ? -bmp.height : bmp.height);
    image.info.width = width;
    image.info.height = height;
    image.info.format = FileFormat(bmp);
    image.info.fileType = D3DXIFF_BMP;
    image.info.hasAlpha = bmp.bits >= 16 && bmp.alpha.mask != 0;
    if (fit == nullptr) return S_OK;

    RowCollector rows = StartRows(width, height, fit->width, fit->height, bmp.height > 0);
    const HRESULT result = bmp.compression == kRle8 || bmp.compression == kRle4
        ? DecodeRle(bmp, data, size, rows)
        : DecodeUncompressed(bmp, data, size, rows);
    if (FAILED(result)) return result;
    image.levels.push_back(FinishRows(rows));
    return S_OK;
}

} // namespace portable
