// TGA files, read here with every offset and count checked against the file:
// color-mapped, true-color (15, 16, 24 and 32 bits) and grey (8 bits, or 16
// with alpha), plain or run-length encoded, in any of the four row orders.
// TGA has no signature, so the header is checked strictly.
#include <algorithm>
#include <cstring>

#include "platform/portable/d3dx/image/decode.h"

namespace portable {

namespace {
constexpr size_t kHeaderSize = 18;

uint32_t U16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8); }

struct Tga {
    uint32_t type = 0; // 1, 2, 3; +8 when run-length encoded
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bits = 0;
    uint32_t alphaBits = 0;
    bool topDown = false;
    bool rightToLeft = false;
    uint32_t mapFirst = 0;
    std::vector<uint8_t> map; // B, G, R, A per entry
    size_t pixelOffset = 0;
};

uint32_t BytesPerPixel(uint32_t bits) { return (bits + 7) / 8; }

// A 15- or 16-bit, 24- or 32-bit color, or an 8-bit grey value (with alpha at 16 bits).
void ColorTexel(uint32_t bits, bool grey, bool alpha16, const uint8_t* in, uint8_t* texel)
{
    if (grey) {
        texel[0] = texel[1] = texel[2] = in[0];
        texel[3] = bits == 16 ? in[1] : 255;
        return;
    }
    if (bits <= 16) {
        const uint32_t pixel = U16(in);
        const auto widen = [](uint32_t five) { return static_cast<uint8_t>((five << 3) | (five >> 2)); };
        texel[0] = widen(pixel & 31);
        texel[1] = widen((pixel >> 5) & 31);
        texel[2] = widen((pixel >> 10) & 31);
        texel[3] = alpha16 && (pixel & 0x8000) == 0 ? 0 : 255;
        return;
    }
    texel[0] = in[0];
    texel[1] = in[1];
    texel[2] = in[2];
    texel[3] = bits == 32 ? in[3] : 255;
}

HRESULT ReadHeader(const uint8_t* data, size_t size, Tga& tga)
{
    if (size < kHeaderSize) return D3DXERR_INVALIDDATA;
    const uint32_t idLength = data[0];
    const uint32_t mapType = data[1];
    tga.type = data[2];
    tga.mapFirst = U16(data + 3);
    const uint32_t mapLength = U16(data + 5);
    const uint32_t mapBits = data[7];
    tga.width = U16(data + 12);
    tga.height = U16(data + 14);
    tga.bits = data[16];
    const uint32_t descriptor = data[17];
    tga.alphaBits = descriptor & 15;
    tga.rightToLeft = (descriptor & 0x10) != 0;
    tga.topDown = (descriptor & 0x20) != 0;
    if (mapType > 1 || (descriptor & 0xc0) != 0 || OutsideImageLimits(tga.width, tga.height)) {
        return D3DXERR_INVALIDDATA;
    }
    const uint32_t base = tga.type & 7;
    if ((tga.type & ~8u) != base || base == 0 || base > 3) return D3DXERR_INVALIDDATA;
    switch (base) {
    case 1:
        if (mapType != 1 || tga.bits != 8 || mapLength == 0) return D3DXERR_INVALIDDATA;
        if (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32) return D3DXERR_INVALIDDATA;
        break;
    case 2:
        if (tga.bits != 15 && tga.bits != 16 && tga.bits != 24 && tga.bits != 32) return D3DXERR_INVALIDDATA;
        break;
    default:
        if (tga.bits != 8 && tga.bits != 16) return D3DXERR_INVALIDDATA;
        break;
    }
    size_t pos = kHeaderSize + idLength;
    if (mapType == 1) {
        const size_t mapBytes = size_t{mapLength} * BytesPerPixel(mapBits);
        if (pos > size || size - pos < mapBytes) return D3DXERR_INVALIDDATA;
        if (base == 1) {
            tga.map.resize(size_t{mapLength} * 4);
            for (uint32_t i = 0; i < mapLength; ++i) {
                ColorTexel(mapBits, false, mapBits == 16 && tga.alphaBits > 0,
                           data + pos + size_t{i} * BytesPerPixel(mapBits), &tga.map[4 * size_t{i}]);
            }
        }
        pos += mapBytes; // a map beside true color is skipped
    }
    if (pos > size) return D3DXERR_INVALIDDATA;
    tga.pixelOffset = pos;
    return S_OK;
}

D3DFORMAT FileFormat(const Tga& tga)
{
    switch (tga.type & 7) {
    case 1: return static_cast<D3DFORMAT>(41); // D3DFMT_P8
    case 3: return tga.bits == 16 ? D3DFMT_A8L8 : D3DFMT_L8;
    default: break;
    }
    if (tga.bits <= 16) return tga.alphaBits > 0 ? D3DFMT_A1R5G5B5 : D3DFMT_X1R5G5B5;
    return tga.bits == 32 ? D3DFMT_A8R8G8B8 : D3DFMT_R8G8B8;
}

// Texels as they come, row after row, turned into rows for the collector.
struct TexelSink {
    const Tga& tga;
    RowCollector& rows;
    std::vector<uint8_t> row;
    uint32_t x = 0;

    void Put(const uint8_t* texel)
    {
        const uint32_t column = tga.rightToLeft ? tga.width - 1 - x : x;
        std::memcpy(&row[4 * size_t{column}], texel, 4);
        if (++x == tga.width) {
            AddRow(rows, row.data());
            x = 0;
        }
    }
};
} // namespace

HRESULT DecodeTga(const uint8_t* data, size_t size, const ImageFit* fit, DecodedImage& image)
{
    Tga tga;
    if (HRESULT result = ReadHeader(data, size, tga); FAILED(result)) return result;
    const uint32_t base = tga.type & 7;
    image.info.width = tga.width;
    image.info.height = tga.height;
    image.info.format = FileFormat(tga);
    image.info.fileType = D3DXIFF_TGA;
    image.info.hasAlpha = image.info.format == D3DFMT_A8R8G8B8 || image.info.format == D3DFMT_A1R5G5B5
        || image.info.format == D3DFMT_A8L8;
    if (fit == nullptr) return S_OK;

    const uint32_t bytes = BytesPerPixel(tga.bits);
    const bool rle = (tga.type & 8) != 0;
    if (!rle && (size - tga.pixelOffset) / bytes / tga.width < tga.height) return D3DXERR_INVALIDDATA;
    RowCollector rows = StartRows(tga.width, tga.height, fit->width, fit->height, !tga.topDown);
    if (!rle) ReserveRows(rows);
    TexelSink sink{tga, rows, std::vector<uint8_t>(size_t{tga.width} * 4), 0};
    const bool alpha16 = tga.bits == 16 && tga.alphaBits > 0;
    uint8_t texel[4];
    const auto decode = [&](const uint8_t* in) {
        if (base == 1) {
            const uint32_t index = in[0];
            const size_t entry = index >= tga.mapFirst ? size_t{index - tga.mapFirst} : tga.map.size();
            static constexpr uint8_t kBlack[4] = {0, 0, 0, 255};
            std::memcpy(texel, 4 * entry < tga.map.size() ? &tga.map[4 * entry] : kBlack, 4);
        } else {
            ColorTexel(tga.bits, base == 3, alpha16, in, texel);
        }
    };
    size_t pos = tga.pixelOffset;
    uint64_t left = uint64_t{tga.width} * tga.height;
    while (left > 0) {
        uint32_t count = 1;
        bool run = false;
        if (rle) {
            if (pos >= size) return D3DXERR_INVALIDDATA;
            run = (data[pos] & 0x80) != 0;
            count = (data[pos] & 0x7f) + 1u;
            ++pos;
        }
        count = static_cast<uint32_t>(std::min<uint64_t>(count, left));
        if (run) {
            if (size - pos < bytes) return D3DXERR_INVALIDDATA;
            decode(data + pos);
            pos += bytes;
            for (uint32_t i = 0; i < count; ++i) sink.Put(texel);
        } else {
            if ((size - pos) / bytes < count) return D3DXERR_INVALIDDATA;
            for (uint32_t i = 0; i < count; ++i, pos += bytes) {
                decode(data + pos);
                sink.Put(texel);
            }
        }
        left -= count;
    }
    image.levels.push_back(FinishRows(rows));
    return S_OK;
}

} // namespace portable
