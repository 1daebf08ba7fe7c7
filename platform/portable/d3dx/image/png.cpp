// PNG files through libspng, row by row: a file that ends early fails after
// the rows it holds, and a large image is reduced as its rows arrive.
// Ancillary chunks other than transparency (text, color profiles, Exif) are
// never shown to libspng: D3DX draws the image without them, and libspng
// would refuse a whole file whose text or profile inflates past its limits.
#include <spng.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/portable/d3dx/image/decode.h"

namespace portable {

namespace {
// Ancillary chunks (text, color profiles) are kept by libspng: at most this much.
constexpr size_t kChunkCacheLimit = 4u << 20;
// DEFLATE expands at most about 1032 times: memory for the whole image is
// taken at once only when the file can hold it (and an interlaced image,
// which needs it, is refused otherwise).
constexpr uint64_t kDeflateExpansion = 1032;

struct ContextFree {
    void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};
using Context = std::unique_ptr<spng_ctx, ContextFree>;

// An interlaced image is decoded whole before it is reduced: at most this many texels (256 MiB).
constexpr uint64_t kMaxInterlacedTexels = uint64_t{8192} * 8192;

HRESULT Failure(int error) { return error == SPNG_EMEM ? E_OUTOFMEMORY : D3DXERR_INVALIDDATA; }

// The file's bytes as libspng reads them, with the chunks it need not see left out.
struct ChunkFilter {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t position = 0;
    size_t keptLeft = 0; // bytes of the signature or the kept chunk still to give

    static bool Needed(const uint8_t* type)
    {
        // Critical chunks (an upper-case first letter) and transparency.
        return (type[0] & 0x20) == 0 || std::memcmp(type, "tRNS", 4) == 0;
    }

    // At a chunk's start: skips the chunks not needed, then takes the next one.
    void NextChunk()
    {
        while (size - position >= 12) {
            const uint8_t* at = data + position;
            const uint64_t length = (uint64_t{at[0]} << 24) | (uint64_t{at[1]} << 16) | (uint64_t{at[2]} << 8) | at[3];
            const uint64_t whole = length + 12;
            if (Needed(at + 4) || whole > size - position) {
                keptLeft = static_cast<size_t>(std::min<uint64_t>(whole, size - position));
                return;
            }
            position += static_cast<size_t>(whole);
        }
        keptLeft = size - position;
    }

    static int Read(spng_ctx*, void* user, void* destination, size_t length)
    {
        auto& filter = *static_cast<ChunkFilter*>(user);
        auto* out = static_cast<uint8_t*>(destination);
        while (length > 0) {
            if (filter.keptLeft == 0) filter.NextChunk();
            if (filter.keptLeft == 0) return SPNG_IO_EOF;
            const size_t step = std::min(length, filter.keptLeft);
            std::memcpy(out, filter.data + filter.position, step);
            filter.position += step;
            filter.keptLeft -= step;
            out += step;
            length -= step;
        }
        return 0;
    }
};

// The format D3DX reports: palette files as such, grey with an alpha channel
// as color with alpha, the rest by channels after transparency is applied.
D3DFORMAT FileFormat(const spng_ihdr& header, bool alpha)
{
    if (header.color_type == SPNG_COLOR_TYPE_INDEXED) return static_cast<D3DFORMAT>(41); // D3DFMT_P8
    if (header.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA) return D3DFMT_A8R8G8B8;
    if (header.color_type != SPNG_COLOR_TYPE_GRAYSCALE) return alpha ? D3DFMT_A8R8G8B8 : D3DFMT_R8G8B8;
    return alpha ? D3DFMT_A8L8 : D3DFMT_L8;
}

// The filtered image data's size, before compression.
uint64_t StoredBytes(const spng_ihdr& header)
{
    unsigned channels = 1;
    switch (header.color_type) {
    case SPNG_COLOR_TYPE_TRUECOLOR: channels = 3; break;
    case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA: channels = 2; break;
    case SPNG_COLOR_TYPE_TRUECOLOR_ALPHA: channels = 4; break;
    default: break;
    }
    const uint64_t rowBits = uint64_t{header.width} * channels * header.bit_depth;
    return uint64_t{header.height} * (1 + (rowBits + 7) / 8);
}

void ToBgra(uint8_t* texels, size_t count, bool alpha)
{
    for (size_t i = 0; i < count; ++i) {
        uint8_t* texel = texels + 4 * i;
        const uint8_t red = texel[0];
        texel[0] = texel[2];
        texel[2] = red;
        if (!alpha) texel[3] = 255;
    }
}
} // namespace

HRESULT DecodePng(const uint8_t* data, size_t size, const ImageFit* fit, DecodedImage& image)
{
    Context context(spng_ctx_new(0));
    if (!context) return E_OUTOFMEMORY;
    spng_ctx* png = context.get();
    spng_set_image_limits(png, kMaxImageSide, kMaxImageSide);
    spng_set_chunk_limits(png, size, kChunkCacheLimit);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Checksums would stop nearly every mutated file at its first chunk.
    spng_set_crc_action(png, SPNG_CRC_USE, SPNG_CRC_USE);
#else
    spng_set_crc_action(png, SPNG_CRC_ERROR, SPNG_CRC_DISCARD);
#endif
    ChunkFilter filter;
    filter.data = data;
    filter.size = size;
    filter.keptLeft = std::min<size_t>(8, size);
    if (int error = spng_set_png_stream(png, ChunkFilter::Read, &filter); error != 0) return Failure(error);

    spng_ihdr header{};
    if (int error = spng_get_ihdr(png, &header); error != 0) return Failure(error);
    if (OutsideImageLimits(header.width, header.height)) return D3DXERR_INVALIDDATA;
    spng_trns transparency{};
    const bool hasTransparency = spng_get_trns(png, &transparency) == 0;
    const bool alpha = header.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA
        || header.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA || hasTransparency;
    image.info.width = header.width;
    image.info.height = header.height;
    image.info.format = FileFormat(header, alpha);
    image.info.fileType = D3DXIFF_PNG;
    image.info.hasAlpha = alpha;
    if (fit == nullptr) return S_OK;

    const int flags = SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE;
    if (int error = spng_decode_image(png, nullptr, 0, SPNG_FMT_RGBA8, flags); error != 0) return Failure(error);
    const size_t rowBytes = size_t{header.width} * 4;
    RowCollector rows = StartRows(header.width, header.height, fit->width, fit->height, false);
    const bool plausible = StoredBytes(header) <= uint64_t{size} * kDeflateExpansion;
    if (plausible) ReserveRows(rows);
    int status = 0;
    if (header.interlace_method == SPNG_INTERLACE_NONE) {
        std::vector<uint8_t> row(rowBytes);
        while (status == 0) {
            status = spng_decode_row(png, row.data(), row.size());
            if (status != 0 && status != SPNG_EOI) return Failure(status);
            ToBgra(row.data(), header.width, alpha);
            AddRow(rows, row.data());
        }
    } else {
        // Passes fill rows in turn, so the whole image is needed before any row is done.
        if (!plausible) return D3DXERR_INVALIDDATA;
        if (uint64_t{header.width} * header.height > kMaxInterlacedTexels) return E_OUTOFMEMORY;
        const uint64_t bytes = uint64_t{rowBytes} * header.height;
        std::vector<uint8_t> whole(static_cast<size_t>(bytes));
        while (status == 0) {
            spng_row_info where{};
            if (int error = spng_get_row_info(png, &where); error != 0) return Failure(error);
            if (where.row_num >= header.height) return D3DXERR_INVALIDDATA;
            status = spng_decode_row(png, whole.data() + where.row_num * rowBytes, rowBytes);
            if (status != 0 && status != SPNG_EOI) return Failure(status);
        }
        for (uint32_t y = 0; y < header.height; ++y) {
            ToBgra(whole.data() + y * rowBytes, header.width, alpha);
            AddRow(rows, whole.data() + y * rowBytes);
        }
    }
    image.levels.push_back(FinishRows(rows));
    return S_OK;
}

} // namespace portable
