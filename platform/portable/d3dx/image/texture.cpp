#include "platform/portable/d3dx/image/texture.h"

#include <algorithm>

#include "platform/portable/d3dx/image/resample.h"

namespace portable {

namespace {
constexpr D3DFORMAT kA16B16G16R16F = static_cast<D3DFORMAT>(113);
constexpr D3DFORMAT kA32B32G32R32F = static_cast<D3DFORMAT>(116);

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
    case D3DFMT_DXT5: return true;
    default: return format == kA16B16G16R16F || format == kA32B32G32R32F;
    }
}

// The format the texture gets for the file's own: what a Direct3D 9 device
// offers in its place when it lacks the format.
D3DFORMAT TextureFormat(const ImageInfo& image)
{
    switch (image.format) {
    case D3DFMT_R8G8B8: return D3DFMT_X8R8G8B8;
    case D3DFMT_A8B8G8R8: return D3DFMT_A8R8G8B8;
    case D3DFMT_X8B8G8R8: return D3DFMT_X8R8G8B8;
    case D3DFMT_UNKNOWN:
    case D3DFMT_R3G3B2:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A2B10G10R10:
    case D3DFMT_A2R10G10B10:
    case D3DFMT_G16R16:
    case D3DFMT_UYVY:
    case D3DFMT_YUY2:
    case D3DFMT_R8G8_B8G8:
    case D3DFMT_G8R8_G8B8: return image.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    case D3DFMT_L16: return D3DFMT_L8;
    case D3DFMT_A4L4: return D3DFMT_A8L8;
    default: break;
    }
    // A palette may hold alpha: D3DX gives palette files alpha whatever their entries hold.
    if (static_cast<int>(image.format) == 41) return D3DFMT_A8R8G8B8;
    return image.format;
}

// With a color key the texture needs alpha: the opaque formats' alpha twins.
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

bool ValidFilter(DWORD filter)
{
    if (filter == D3DX_DEFAULT) return true;
    return (filter & 0xffff) <= D3DX_FILTER_BOX;
}

namespace {
// The file as the texture sees it once the top levels are skipped.
ImageInfo Skipped(const ImageInfo& info, UINT skip)
{
    if (info.fileType != D3DXIFF_DDS || skip == 0 || skip >= info.mipLevels) return info;
    ImageInfo skipped = info;
    skipped.width = std::max(1u, info.width >> skip);
    skipped.height = std::max(1u, info.height >> skip);
    skipped.mipLevels = info.mipLevels - skip;
    return skipped;
}
} // namespace

TextureShape ShapeTexture(const ImageInfo& fileInfo, const TextureRequest& request, UINT maxSide)
{
    const ImageInfo info = Skipped(fileInfo, request.skipLevels);
    TextureShape shape;
    shape.format = request.format;
    if (shape.format == D3DFMT_UNKNOWN || static_cast<UINT>(shape.format) == D3DX_DEFAULT
        || static_cast<UINT>(shape.format) == D3DX_FROM_FILE) {
        shape.format = TextureFormat(info);
        if (request.colorKey != 0) shape.format = AlphaFormat(shape.format);
    }
    shape.width = std::min(Side(request.width, info.width), maxSide);
    shape.height = std::min(Side(request.height, info.height), maxSide);
    if (IsDxt(shape.format)) {
        // Block formats take whole blocks.
        shape.width = (shape.width + 3) & ~3u;
        shape.height = (shape.height + 3) & ~3u;
    }
    const UINT fullChain = FullMipCount(shape.width, shape.height);
    shape.levels = request.mipLevels;
    if (shape.levels == D3DX_FROM_FILE) shape.levels = info.mipLevels;
    if (shape.levels == 0 || shape.levels == D3DX_DEFAULT || shape.levels > fullChain) shape.levels = fullChain;
    return shape;
}

HRESULT BuildTextureData(DecodedImage&& image, const TextureShape& shape, D3DCOLOR colorKey, TextureData& texture)
{
    if (image.levels.empty() || shape.width == 0 || shape.height == 0 || shape.levels == 0) {
        return D3DXERR_INVALIDDATA;
    }
    texture.width = shape.width;
    texture.height = shape.height;
    texture.format = shape.format;
    texture.levels.clear();
    texture.levels.reserve(shape.levels);
    const bool opaque = !FormatHasAlpha(shape.format);
    UINT levelWidth = shape.width, levelHeight = shape.height;
    UINT lastWidth = shape.width, lastHeight = shape.height;
    for (UINT level = 0; level < shape.levels; ++level) {
        if (level < image.levels.size()) {
            // The file's own level, fitted to the texture's.
            ImageLevel& file = image.levels[level];
            std::vector<uint8_t> texels = file.width == levelWidth && file.height == levelHeight
                ? std::move(file.bgra)
                : Resample(file.bgra, file.width, file.height, levelWidth, levelHeight);
            file.bgra = {};
            if (colorKey != 0) {
                for (size_t i = 0; i < texels.size(); i += 4) {
                    const D3DCOLOR argb = D3DCOLOR_ARGB(texels[i + 3], texels[i + 2], texels[i + 1], texels[i]);
                    if (argb == colorKey) std::fill_n(texels.begin() + static_cast<ptrdiff_t>(i), 4, 0);
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
    }
    return S_OK;
}

HRESULT LoadTextureData(const uint8_t* data, size_t size, const TextureRequest& request, UINT maxSide,
                        TextureData& texture, D3DXIMAGE_INFO& info)
{
    ImageInfo file;
    HRESULT result = ReadImageInfo(data, size, file);
    if (FAILED(result)) return result;
    const TextureShape shape = ShapeTexture(file, request, std::max(1u, maxSide));
    // Skipped levels are decoded too (level i's fit is level 0's halved i times), then dropped.
    const ImageInfo skipped = Skipped(file, request.skipLevels);
    const UINT skip = file.mipLevels - skipped.mipLevels;
    const auto widen = [skip](UINT side) {
        return static_cast<UINT>(std::min<uint64_t>(uint64_t{side} << skip, kMaxImageSide));
    };
    DecodedImage image;
    result = DecodeImage(data, size, ImageFit{widen(shape.width), widen(shape.height)}, image);
    if (FAILED(result)) return result;
    if (skip > 0 && image.levels.size() > skip) image.levels.erase(image.levels.begin(), image.levels.begin() + skip);
    info = D3DXIMAGE_INFO{};
    info.Width = file.width;
    info.Height = file.height;
    info.Depth = file.depth;
    info.MipLevels = file.mipLevels;
    info.Format = file.format;
    info.ResourceType = file.resourceType;
    info.ImageFileFormat = file.fileType;
    return BuildTextureData(std::move(image), shape, request.colorKey, texture);
}

} // namespace portable
