#include "platform/portable/d3dx/image/decode.h"

#include <cstring>

namespace portable {

namespace {
using Decoder = HRESULT (*)(const uint8_t*, size_t, const ImageFit*, DecodedImage&);

// JPEG files may put fill bytes before their start marker.
bool IsJpeg(const uint8_t* data, size_t size)
{
    if (size < 2 || data[0] != 0xff) return false;
    size_t pos = 1;
    while (pos < size && data[pos] == 0xff) ++pos;
    return pos < size && data[pos] == 0xd8;
}

// By signature; TGA files have none, so whatever else is left is tried as one.
Decoder DecoderFor(const uint8_t* data, size_t size)
{
    if (size >= 4 && std::memcmp(data, "DDS ", 4) == 0) return DecodeDds;
    if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0) return DecodePng;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return DecodeBmp;
    if (IsJpeg(data, size)) return DecodeJpeg;
    return DecodeTga;
}
} // namespace

HRESULT ReadImageInfo(const uint8_t* data, size_t size, ImageInfo& info)
{
    info = ImageInfo{};
    if (data == nullptr || size == 0) return D3DXERR_INVALIDDATA;
    DecodedImage image;
    const HRESULT result = DecoderFor(data, size)(data, size, nullptr, image);
    if (SUCCEEDED(result)) info = image.info;
    return result;
}

HRESULT DecodeImage(const uint8_t* data, size_t size, const ImageFit& fit, DecodedImage& image)
{
    image = DecodedImage{};
    if (data == nullptr || size == 0) return D3DXERR_INVALIDDATA;
    const HRESULT result = DecoderFor(data, size)(data, size, &fit, image);
    if (FAILED(result)) image = DecodedImage{};
    return result;
}

} // namespace portable
