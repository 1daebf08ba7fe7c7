// The texture D3DXCreateTextureFromFileEx makes from an image file: its
// size, format and mip chain, by D3DX's rules for default arguments.
#pragma once

#include "platform/portable/d3dx/image/decode.h"
#include "platform/portable/d3d9/gl/resource_data.h"

namespace portable {

struct TextureRequest {
    UINT width = D3DX_DEFAULT;     // D3DX_DEFAULT rounds the file's up to a power of two;
    UINT height = D3DX_DEFAULT;    // 0, D3DX_DEFAULT_NONPOW2 and D3DX_FROM_FILE keep it
    UINT mipLevels = D3DX_DEFAULT; // D3DX_DEFAULT and 0: the full chain; D3DX_FROM_FILE: the file's
    D3DFORMAT format = D3DFMT_UNKNOWN;
    D3DCOLOR colorKey = 0; // texels of this ARGB color become transparent black; 0: none
    UINT skipLevels = 0;   // of a DDS file with more levels than this: its top levels left out
};

// Whether a filter or mip filter argument names a filter (or is D3DX_DEFAULT);
// the levels to skip are left out of the mip filter first.
bool ValidFilter(DWORD filter);

struct TextureShape {
    UINT width = 0;
    UINT height = 0;
    UINT levels = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
};

// The texture a request makes of a file; a side beyond maxSide (the device's
// largest) becomes maxSide, and the image is scaled to fit.
TextureShape ShapeTexture(const ImageInfo& info, const TextureRequest& request, UINT maxSide);

// Fills `texture` with the shape's levels from the decoded image (whose
// levels it takes), each file level scaled to its texture level.
HRESULT BuildTextureData(DecodedImage&& image, const TextureShape& shape, D3DCOLOR colorKey, TextureData& texture);

// The whole load from a file's bytes: the header, the shape, the image
// decoded no larger than the texture needs, the levels. `info` describes the file.
HRESULT LoadTextureData(const uint8_t* data, size_t size, const TextureRequest& request, UINT maxSide,
                        TextureData& texture, D3DXIMAGE_INFO& info);

} // namespace portable
