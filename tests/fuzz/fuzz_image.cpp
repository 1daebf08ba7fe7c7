// libFuzzer target: one image decoder (FUZZ_IMAGE_DECODER, one target per
// decoder), with the image limits the program uses, and the textures made of
// what it decodes. The textures asked for are small, so that a file of any
// size the limits allow is decoded and reduced in one run.
#include <cstddef>
#include <cstdint>

#include "platform/portable/d3dx/image/texture.h"

using namespace portable;

namespace portable {

#ifndef FUZZ_IMAGE_DECODER
#error "FUZZ_IMAGE_DECODER names the decoder under test"
#endif

namespace {
void Check(bool condition)
{
    if (!condition) __builtin_trap();
}

void CheckTexture(const TextureData& texture, const TextureShape& shape)
{
    Check(texture.width == shape.width && texture.height == shape.height);
    Check(texture.levels.size() == shape.levels);
    UINT width = texture.width, height = texture.height;
    for (const std::vector<uint8_t>& level : texture.levels) {
        Check(level.size() == size_t{width} * height * 4);
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
    }
}
} // namespace

} // namespace portable

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DecodedImage header;
    if (FAILED(FUZZ_IMAGE_DECODER(data, size, nullptr, header))) return 0;
    const ImageInfo& info = header.info;
    Check(!OutsideImageLimits(info.width, info.height));

    TextureRequest small; // an odd size, both ways from most files: reduced and grown
    small.width = 48;
    small.height = 40;
    small.mipLevels = D3DX_FROM_FILE;
    small.colorKey = D3DCOLOR_ARGB(255, 0, 0, 0);
    TextureRequest defaults; // what the program asks for, where that texture stays small
    for (const TextureRequest* request : {&small, &defaults}) {
        const TextureShape shape = ShapeTexture(info, *request, kMaxTextureSide);
        if (shape.width > 256 || shape.height > 256) continue;
        DecodedImage image;
        const ImageFit fit{shape.width, shape.height};
        if (FAILED(FUZZ_IMAGE_DECODER(data, size, &fit, image))) continue;
        const ImageInfo& decoded = image.info;
        Check(decoded.width == info.width && decoded.height == info.height && decoded.mipLevels == info.mipLevels
              && decoded.format == info.format && decoded.fileType == info.fileType
              && decoded.hasAlpha == info.hasAlpha);
        Check(!image.levels.empty() && image.levels.size() == info.mipLevels);
        for (size_t i = 0; i < image.levels.size(); ++i) {
            const ImageLevel& level = image.levels[i];
            Check(level.width <= std::max(1u, shape.width >> i) && level.height <= std::max(1u, shape.height >> i));
            Check(level.bgra.size() == size_t{level.width} * level.height * 4);
        }
        TextureData texture;
        Check(SUCCEEDED(BuildTextureData(std::move(image), shape, request->colorKey, texture)));
        CheckTexture(texture, shape);
    }
    return 0;
}
