// Image files as D3DX reads them for textures: BMP, TGA, PNG, JPEG and DDS,
// decoded to B, G, R, A bytes per texel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/portable/d3dx9_api.h"

// Largest width or height accepted, and largest texel count of one image
// (the fuzzing build lowers the count so that each run stays quick).
#ifndef WALKTHROUGH_MAX_IMAGE_TEXELS
#define WALKTHROUGH_MAX_IMAGE_TEXELS (1ull << 26)
#endif
constexpr uint32_t kMaxImageSide = 16384;
constexpr uint64_t kMaxImageTexels = WALKTHROUGH_MAX_IMAGE_TEXELS;

struct DecodedImage {
    UINT width = 0;
    UINT height = 0;
    // Level 0 first; more than one only for a DDS file with mip levels.
    std::vector<std::vector<uint8_t>> levels;
    D3DFORMAT fileFormat = D3DFMT_UNKNOWN; // as D3DXIMAGE_INFO reports it
    D3DXIMAGE_FILEFORMAT fileType = D3DXIFF_BMP;
    bool hasAlpha = false;
};

// D3DXERR_INVALIDDATA for data that is not an image of these kinds, or one
// too large or damaged.
HRESULT DecodeImage(const uint8_t* data, size_t size, DecodedImage& image);

// The decoders behind DecodeImage.
HRESULT DecodeDdsImage(const uint8_t* data, size_t size, DecodedImage& image);
HRESULT DecodeStbImage(const uint8_t* data, size_t size, DecodedImage& image);
