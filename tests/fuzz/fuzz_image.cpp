// libFuzzer target: the image decoders and the textures made from them.
#include <cstddef>
#include <cstdint>

#include "platform/portable/image_texture.h"

namespace {
void Check(bool condition)
{
    if (!condition) __builtin_trap();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DecodedImage image;
    if (FAILED(DecodeImage(data, size, image))) return 0;
    Check(!image.levels.empty());
    Check(image.levels[0].size() == static_cast<size_t>(image.width) * image.height * 4);

    TextureRequest defaults;
    TextureRequest fileSized;
    fileSized.width = D3DX_DEFAULT_NONPOW2;
    fileSized.height = D3DX_DEFAULT_NONPOW2;
    fileSized.mipLevels = D3DX_FROM_FILE;
    fileSized.colorKey = D3DCOLOR_ARGB(255, 0, 0, 0);
    for (const TextureRequest& request : {defaults, fileSized}) {
        PortableTextureData texture;
        D3DXIMAGE_INFO info{};
        if (FAILED(BuildTextureData(image, request, texture, info))) continue;
        UINT width = texture.width, height = texture.height;
        for (const std::vector<uint8_t>& level : texture.levels) {
            Check(level.size() == static_cast<size_t>(width) * height * 4);
            width = width > 1 ? width / 2 : 1;
            height = height > 1 ? height / 2 : 1;
        }
    }
    return 0;
}
