#include "platform/portable/image_texture.h"

#include <algorithm>

#include "platform/portable/image_resample.h"

namespace {
bool IsDxt(D3DFORMAT format)
{
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4
           || format == D3DFMT_DXT5;
}

bool FormatHasAlpha(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8:
    case D3DFMT_A8B8G8R8:
    case D3DFMT_A8L8:
    case D3DFMT_DXT1:
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
        return true;
    default:
        return false;
    }
}

// The format the texture gets for the file's own: what a Direct3D 9 device
// offers in its place when it lacks the format.
D3DFORMAT TextureFormat(const DecodedImage& image)
{
    switch (image.fileFormat) {
    case D3DFMT_R8G8B8: return D3DFMT_X8R8G8B8;
    case D3DFMT_A8B8G8R8: return D3DFMT_A8R8G8B8;
    case D3DFMT_X8B8G8R8: return D3DFMT_X8R8G8B8;
    case D3DFMT_UNKNOWN: return image.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    default: break;
    }
    if (static_cast<int>(image.fileFormat) == 41) return image.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    return image.fileFormat;
}

// With a colour key the texture needs alpha: the opaque formats' alpha twins.
D3DFORMAT AlphaFormat(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_X8R8G8B8: return D3DFMT_A8R8G8B8;
    case D3DFMT_X1R5G5B5: return D3DFMT_A1R5G5B5;
    case D3DFMT_X8B8G8R8: return D3DFMT_A8B8G8R8;
    case D3DFMT_L8: return D3DFMT_A8L8;
    default: return format;
    }
}

UINT Side(UINT requested, UINT fileSide)
{
    if (requested == D3DX_DEFAULT) return NextPowerOfTwo(fileSide);
    if (requested == 0 || requested == D3DX_DEFAULT_NONPOW2 || requested == D3DX_FROM_FILE) return fileSide;
    return requested;
}
} // namespace

HRESULT BuildTextureData(const DecodedImage& image, const TextureRequest& request, PortableTextureData& texture,
                         D3DXIMAGE_INFO& info)
{
    if (image.levels.empty() || image.width == 0 || image.height == 0) return D3DXERR_INVALIDDATA;
    info = D3DXIMAGE_INFO{};
    info.Width = image.width;
    info.Height = image.height;
    info.Depth = 1;
    info.MipLevels = static_cast<UINT>(image.levels.size());
    info.Format = image.fileFormat;
    info.ResourceType = D3DRTYPE_TEXTURE;
    info.ImageFileFormat = image.fileType;

    D3DFORMAT format = request.format;
    if (format == D3DFMT_UNKNOWN || static_cast<UINT>(format) == D3DX_DEFAULT
        || static_cast<UINT>(format) == D3DX_FROM_FILE) {
        format = TextureFormat(image);
        if (request.colorKey != 0) format = AlphaFormat(format);
    }
    UINT width = std::min(Side(request.width, image.width), kMaxTextureSide);
    UINT height = std::min(Side(request.height, image.height), kMaxTextureSide);
    if (IsDxt(format)) {
        // Block formats take whole blocks.
        width = (width + 3) & ~3u;
        height = (height + 3) & ~3u;
    }
    const UINT fullChain = FullMipCount(width, height);
    UINT levelCount = request.mipLevels;
    if (levelCount == D3DX_FROM_FILE) levelCount = static_cast<UINT>(image.levels.size());
    if (levelCount == 0 || levelCount == D3DX_DEFAULT || levelCount > fullChain) levelCount = fullChain;

    texture.width = width;
    texture.height = height;
    texture.format = format;
    texture.levels.clear();
    texture.levels.reserve(levelCount);
    const bool opaque = !FormatHasAlpha(format);
    UINT levelWidth = width, levelHeight = height;
    UINT fileWidth = image.width, fileHeight = image.height;
    UINT lastWidth = width, lastHeight = height;
    for (UINT level = 0; level < levelCount; ++level) {
        if (level < image.levels.size()) {
            // The file's own level, fitted to the texture's.
            std::vector<uint8_t> texels = Resample(image.levels[level], fileWidth, fileHeight, levelWidth, levelHeight);
            if (request.colorKey != 0) {
                for (size_t i = 0; i < texels.size(); i += 4) {
                    const D3DCOLOR argb = D3DCOLOR_ARGB(texels[i + 3], texels[i + 2], texels[i + 1], texels[i]);
                    if (argb == request.colorKey) std::fill_n(texels.begin() + static_cast<ptrdiff_t>(i), 4, 0);
                }
            }
            texture.levels.push_back(std::move(texels));
        } else {
            const std::vector<uint8_t>& previous = texture.levels.back();
            texture.levels.push_back(BoxDownsample(previous, lastWidth, lastHeight, levelWidth, levelHeight));
        }
        lastWidth = levelWidth;
        lastHeight = levelHeight;
        if (opaque) {
            std::vector<uint8_t>& texels = texture.levels.back();
            for (size_t i = 3; i < texels.size(); i += 4) texels[i] = 255;
        }
        levelWidth = std::max(1u, levelWidth / 2);
        levelHeight = std::max(1u, levelHeight / 2);
        fileWidth = std::max(1u, fileWidth / 2);
        fileHeight = std::max(1u, fileHeight / 2);
    }
    return S_OK;
}
