#include "platform/portable/image_decode.h"

#include <cstring>

HRESULT DecodeImage(const uint8_t* data, size_t size, DecodedImage& image)
{
    image = DecodedImage{};
    if (data == nullptr || size == 0) return D3DXERR_INVALIDDATA;
    if (size >= 4 && std::memcmp(data, "DDS ", 4) == 0) return DecodeDdsImage(data, size, image);
    return DecodeStbImage(data, size, image);
}
