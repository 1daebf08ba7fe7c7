// Image files as D3DX reads them for textures: BMP, TGA, PNG, JPEG and DDS,
// decoded to B, G, R, A bytes per texel, level by level through a row
// collector. The files come from users' model
// folders: every decoder bounds what it reads and what it allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/portable/d3dx/api.h"
#include "platform/portable/d3dx/image/resample.h"

namespace portable {

// Largest width or height of an image file: no Direct3D device takes a wider
// texture. Larger files are refused before any texel is decoded.
constexpr uint32_t kMaxImageSide = 16384;

// What D3DXIMAGE_INFO reports of a file.
struct ImageInfo {
    UINT width = 0;
    UINT height = 0;
    UINT mipLevels = 1;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    D3DXIMAGE_FILEFORMAT fileType = D3DXIFF_BMP;
    bool hasAlpha = false;
    // A DDS file may hold a cube map or a volume; the texture takes the
    // first face, or the first slice, of each level.
    D3DRESOURCETYPE resourceType = D3DRTYPE_TEXTURE;
    UINT depth = 1;
};

struct ImageLevel {
    UINT width = 0;
    UINT height = 0;
    std::vector<uint8_t> bgra; // rows from the top
};

struct DecodedImage {
    ImageInfo info;
    std::vector<ImageLevel> levels; // level 0 first; more than one only for a DDS file with mip levels
};

// The largest level 0 the caller needs; level i's bound is this halved i
// times. A level larger than its bound on a side is reduced to the bound on
// that side while it decodes, each texel the mean of those it covers.
struct ImageFit {
    UINT width = kMaxImageSide;
    UINT height = kMaxImageSide;
};

// Reads only the header. D3DXERR_INVALIDDATA for data that is not an image of
// these kinds, or one larger than kMaxImageSide.
HRESULT ReadImageInfo(const uint8_t* data, size_t size, ImageInfo& info);

// Decodes every level. D3DXERR_INVALIDDATA as above and for damaged data;
// E_OUTOFMEMORY when the image would need more memory than a decoder allows.
HRESULT DecodeImage(const uint8_t* data, size_t size, const ImageFit& fit, DecodedImage& image);

// The decoders behind both: each fills image.info from the header and, when
// `fit` is given, image.levels.
HRESULT DecodeBmp(const uint8_t* data, size_t size, const ImageFit* fit, DecodedImage& image);
HRESULT DecodeDds(const uint8_t* data, size_t size, const ImageFit* fit, DecodedImage& image);
HRESULT DecodeJpeg(const uint8_t* data, size_t size, const ImageFit* fit, DecodedImage& image);
HRESULT DecodePng(const uint8_t* data, size_t size, const ImageFit* fit, DecodedImage& image);
HRESULT DecodeTga(const uint8_t* data, size_t size, const ImageFit* fit, DecodedImage& image);

// True when a side of width x height is 0 or above kMaxImageSide.
inline bool OutsideImageLimits(uint64_t width, uint64_t height)
{
    return width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide;
}

// One image level collected row by row as a decoder produces it, reduced on
// the way to the size the texture needs: each texel the mean of the source
// texels it covers, as Resample shrinks. Memory grows with the rows that
// arrive, never with the size a file claims, and a level larger than needed
// never exists in full.
struct RowCollector {
    uint32_t sourceWidth = 0;
    uint32_t sourceHeight = 0;
    uint32_t width = 0; // of the result: the source's, or less where it exceeds the fit
    uint32_t height = 0;
    bool bottomUp = false; // rows arrive bottom row first
    uint32_t received = 0; // source rows so far
    // Reduction state: the taps of each axis, one source row resized across,
    // and the sums of the (at most two) output rows still open.
    std::vector<ResampleTap> columns;
    std::vector<ResampleTap> rows;
    std::vector<float> wide;
    std::vector<float> sums[2];
    uint32_t nextRow = 0;      // first output row not yet finished
    std::vector<uint8_t> bgra; // finished output rows, in arrival order
};

// A collector for a sourceWidth x sourceHeight level whose result is at most
// fitWidth x fitHeight (each at least 1).
RowCollector StartRows(uint32_t sourceWidth, uint32_t sourceHeight, uint32_t fitWidth, uint32_t fitHeight,
                       bool bottomUp);

// Takes the whole result's memory at once, for a decoder that knows its
// file can hold every row (without it, memory grows as rows arrive).
void ReserveRows(RowCollector& collector);

// The next source row: sourceWidth texels, B, G, R, A.
void AddRow(RowCollector& collector, const uint8_t* bgra);
// `count` rows of transparent black (rows a file leaves out).
void AddBlankRows(RowCollector& collector, uint32_t count);
// Source rows still to come.
inline uint32_t RowsLeft(const RowCollector& collector) { return collector.sourceHeight - collector.received; }

// The finished level, rows from the top; every source row must have arrived.
ImageLevel FinishRows(RowCollector& collector);

} // namespace portable
