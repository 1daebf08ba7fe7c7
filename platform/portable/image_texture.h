// The texture D3DXCreateTextureFromFileEx makes from a decoded image: its
// size, format and mip chain, by D3DX's rules for default arguments.
#pragma once

#include "platform/portable/image_decode.h"
#include "platform/portable/managed_resources.h"

// Largest texture side; bigger requests are clamped, as D3DX clamps to the device's limit.
constexpr UINT kMaxTextureSide = 8192;

struct TextureRequest {
    UINT width = D3DX_DEFAULT;     // D3DX_DEFAULT rounds the file's up to a power of two;
    UINT height = D3DX_DEFAULT;    // 0, D3DX_DEFAULT_NONPOW2 and D3DX_FROM_FILE keep it
    UINT mipLevels = D3DX_DEFAULT; // D3DX_DEFAULT and 0: the full chain; D3DX_FROM_FILE: the file's
    D3DFORMAT format = D3DFMT_UNKNOWN;
    D3DCOLOR colorKey = 0; // texels of this ARGB colour become transparent black; 0: none
};

// Fills `texture` (levels, size, format) from `image`; `info` describes the file.
HRESULT BuildTextureData(const DecodedImage& image, const TextureRequest& request, PortableTextureData& texture,
                         D3DXIMAGE_INFO& info);
