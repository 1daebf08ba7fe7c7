// BMP, TGA, PNG and JPEG files through stb_image.
#include <algorithm>
#include <cstring>

#include "platform/portable/image_decode.h"
#include "platform/portable/image_stb_config.h"

namespace {
enum class Kind { Bmp, Png, Jpeg, Tga };

// Where the segments of a JPEG file begin, after its start marker (which
// stb_image, like the format, allows fill bytes before); 0 for no JPEG.
size_t JpegStart(const uint8_t* data, size_t size)
{
    if (size < 2 || data[0] != 0xff) return 0;
    size_t pos = 1;
    while (pos < size && data[pos] == 0xff) ++pos;
    return pos < size && data[pos] == 0xd8 ? pos + 1 : 0;
}

Kind KindOf(const uint8_t* data, size_t size)
{
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return Kind::Bmp;
    if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0) return Kind::Png;
    if (JpegStart(data, size) != 0) return Kind::Jpeg;
    return Kind::Tga; // TGA files carry no signature
}

// The format D3DX reports for the file, from its channel count and header.
D3DFORMAT FileFormat(Kind kind, const uint8_t* data, size_t size, int channels)
{
    switch (kind) {
    case Kind::Bmp: {
        const unsigned bits = size >= 30 ? static_cast<unsigned>(data[28] | (data[29] << 8)) : 24;
        if (bits <= 8) return static_cast<D3DFORMAT>(41); // D3DFMT_P8
        if (bits == 16) return D3DFMT_X1R5G5B5;
        if (bits == 24) return D3DFMT_R8G8B8;
        return channels == 4 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    }
    case Kind::Tga: {
        const unsigned bits = size >= 17 ? data[16] : 24;
        if (size >= 3 && (data[2] == 1 || data[2] == 9)) return static_cast<D3DFORMAT>(41); // colour-mapped
        if (channels <= 2) return D3DFMT_L8;
        if (bits == 16) return channels == 4 ? D3DFMT_A1R5G5B5 : D3DFMT_X1R5G5B5;
        return channels == 4 ? D3DFMT_A8R8G8B8 : D3DFMT_R8G8B8;
    }
    case Kind::Png:
    case Kind::Jpeg:
        break;
    }
    switch (channels) {
    case 1: return D3DFMT_L8;
    case 2: return D3DFMT_A8L8;
    case 3: return D3DFMT_R8G8B8;
    default: return D3DFMT_A8R8G8B8;
    }
}

// stb_image trusts the code counts of a JPEG Huffman table: more than 256
// codes overrun its tables. Such files are damaged; refuse them first. The
// walk reads markers as stb does: bytes between segments are skipped, and a
// table is read wherever its segment says, even past the segment's end.
bool JpegHuffmanTablesFit(const uint8_t* data, size_t size)
{
    const auto at = [&](size_t i) -> size_t { return i < size ? data[i] : 0; };
    size_t pos = JpegStart(data, size);
    while (pos < size) {
        if (data[pos] != 0xff) {
            ++pos;
            continue;
        }
        while (pos < size && data[pos] == 0xff) ++pos;
        if (pos >= size) break;
        const uint8_t marker = data[pos++];
        if (marker == 0x00 || marker == 0x01 || marker == 0xd8 || (marker >= 0xd0 && marker <= 0xd7)) continue;
        if (marker == 0xd9 || pos + 2 > size) break;
        const size_t length = (at(pos) << 8) | at(pos + 1);
        if (length < 2) break;
        if (marker == 0xc4) {
            for (size_t table = pos + 2; table < pos + length;) {
                size_t codes = 0;
                for (size_t i = 1; i <= 16; ++i) codes += at(table + i);
                if (codes > 256) return false;
                table += 17 + codes;
            }
        }
        pos += length;
    }
    return true;
}

// stb_image sizes its buffer for a PNG's image data from the chunk lengths
// before it reads them: a length beyond the end of the file would have it
// allocate up to gigabytes for a few bytes of input. Such files are truncated
// or damaged; refuse them first.
bool PngChunksFit(const uint8_t* data, size_t size)
{
    size_t pos = 8;
    while (pos + 8 <= size) {
        const size_t length = (static_cast<size_t>(data[pos]) << 24) | (static_cast<size_t>(data[pos + 1]) << 16)
                              | (static_cast<size_t>(data[pos + 2]) << 8) | data[pos + 3];
        if (length > size - pos - 8) return false;
        if (std::memcmp(data + pos + 4, "IEND", 4) == 0) return true;
        pos += 12 + length;
    }
    return true;
}

D3DXIMAGE_FILEFORMAT FileType(Kind kind)
{
    switch (kind) {
    case Kind::Bmp: return D3DXIFF_BMP;
    case Kind::Png: return D3DXIFF_PNG;
    case Kind::Jpeg: return D3DXIFF_JPG;
    case Kind::Tga: return D3DXIFF_TGA;
    }
    return D3DXIFF_BMP;
}
} // namespace

HRESULT DecodeStbImage(const uint8_t* data, size_t size, DecodedImage& image)
{
    if (size > static_cast<size_t>(INT32_MAX)) return D3DXERR_INVALIDDATA;
    const int length = static_cast<int>(size);
    const Kind kind = KindOf(data, size);
    if (kind == Kind::Jpeg && !JpegHuffmanTablesFit(data, size)) return D3DXERR_INVALIDDATA;
    if (kind == Kind::Png && !PngChunksFit(data, size)) return D3DXERR_INVALIDDATA;
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, length, &width, &height, &channels)) return D3DXERR_INVALIDDATA;
    if (width <= 0 || height <= 0 || static_cast<uint32_t>(width) > kMaxImageSide
        || static_cast<uint32_t>(height) > kMaxImageSide
        || static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kMaxImageTexels) {
        return D3DXERR_INVALIDDATA;
    }
    int decodedWidth = 0, decodedHeight = 0, fileChannels = 0;
    stbi_uc* rgba = stbi_load_from_memory(data, length, &decodedWidth, &decodedHeight, &fileChannels, 4);
    if (rgba == nullptr) return D3DXERR_INVALIDDATA;
    if (decodedWidth != width || decodedHeight != height) {
        stbi_image_free(rgba);
        return D3DXERR_INVALIDDATA;
    }
    image.width = static_cast<UINT>(width);
    image.height = static_cast<UINT>(height);
    image.fileType = FileType(kind);
    image.fileFormat = FileFormat(kind, data, size, fileChannels);
    image.hasAlpha = fileChannels == 2 || fileChannels == 4;
    const size_t texels = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<uint8_t> level(texels * 4);
    for (size_t i = 0; i < texels; ++i) {
        level[4 * i + 0] = rgba[4 * i + 2];
        level[4 * i + 1] = rgba[4 * i + 1];
        level[4 * i + 2] = rgba[4 * i + 0];
        level[4 * i + 3] = image.hasAlpha ? rgba[4 * i + 3] : 255;
    }
    stbi_image_free(rgba);
    image.levels.push_back(std::move(level));
    return S_OK;
}
