// xinfo: loads a .x model the way the program does and prints what D3DX
// makes of it: encoding, counts, bounding box, subsets and materials, and
// whether each texture loads. The same source builds against the real D3DX.
//
//   xinfo [--vertices] <model.x>
//
// --vertices also lists every vertex and face.
//
// Exit codes: 0 the model loads, 1 it does not, 2 bad arguments, 3 no device.
#include <algorithm>
#include <cfloat>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tools/xinfo_platform.h"

namespace {

std::wstring Widen(const std::string& text, UINT codePage)
{
    if (text.empty()) return std::wstring();
    const int length = MultiByteToWideChar(codePage, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::vector<wchar_t> wide(static_cast<size_t>(length));
    MultiByteToWideChar(codePage, 0, text.c_str(), -1, wide.data(), length);
    return std::wstring(wide.data());
}

std::string ResultName(HRESULT result)
{
    struct Named {
        HRESULT code;
        const char* name;
    };
    static const Named kNames[] = {
        {E_FAIL, "E_FAIL"},
        {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
        {E_NOTIMPL, "E_NOTIMPL"},
        {D3DERR_INVALIDCALL, "D3DERR_INVALIDCALL"},
        {D3DERR_NOTAVAILABLE, "D3DERR_NOTAVAILABLE"},
        {D3DXERR_INVALIDDATA, "D3DXERR_INVALIDDATA"},
        {MAKE_HRESULT(1, 0x876, 854), "DXFILEERR_BADALLOC"},
        {MAKE_HRESULT(1, 0x876, 908), "D3DXFERR_BADFILETYPE"},
        {MAKE_HRESULT(1, 0x876, 909), "D3DXFERR_BADFILEVERSION"},
        {MAKE_HRESULT(1, 0x876, 910), "D3DXFERR_BADFILEFLOATSIZE"},
        {MAKE_HRESULT(1, 0x876, 911), "D3DXFERR_BADFILE"},
        {MAKE_HRESULT(1, 0x876, 912), "D3DXFERR_PARSEERROR"},
        {MAKE_HRESULT(1, 0x876, 913), "D3DXFERR_BADARRAYSIZE"},
        {MAKE_HRESULT(1, 0x876, 914), "D3DXFERR_BADDATAREFERENCE"},
    };
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lx", static_cast<unsigned long>(static_cast<uint32_t>(result)));
    for (const Named& named : kNames) {
        if (named.code == result) return std::string(named.name) + " (" + hex + ")";
    }
    return hex;
}

// The encoding the 16-byte header announces, read directly from the file.
std::string Encoding(const std::string& path)
{
    char header[16];
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    if (!file) {
        // A path written the Windows way, on a system whose separator is '/'.
        std::string slashed = path;
        std::replace(slashed.begin(), slashed.end(), '\\', '/');
        file.open(std::filesystem::path(slashed), std::ios::binary);
    }
    if (!file.read(header, sizeof header) || std::memcmp(header, "xof ", 4) != 0) return "unknown";
    const std::string format(header + 8, 4);
    const std::string floats(header + 12, 4);
    std::string name = format == "txt " ? "text"
        : format == "bin "              ? "binary"
        : format == "tzip"              ? "compressed text (MSZIP)"
        : format == "bzip"              ? "compressed binary (MSZIP)"
                                        : "unknown \"" + format + "\"";
    const std::string version(header + 4, 4);
    return name + ", version " + version.substr(0, 2) + "." + version.substr(2) + ", "
        + (floats == "0064" ? "64" : "32") + "-bit floats";
}

std::string FormatName(D3DFORMAT format)
{
    switch (static_cast<int>(format)) {
    case D3DFMT_R8G8B8: return "R8G8B8";
    case D3DFMT_A8R8G8B8: return "A8R8G8B8";
    case D3DFMT_X8R8G8B8: return "X8R8G8B8";
    case D3DFMT_R5G6B5: return "R5G6B5";
    case D3DFMT_X1R5G5B5: return "X1R5G5B5";
    case D3DFMT_A1R5G5B5: return "A1R5G5B5";
    case D3DFMT_A4R4G4B4: return "A4R4G4B4";
    case D3DFMT_X4R4G4B4: return "X4R4G4B4";
    case D3DFMT_R3G3B2: return "R3G3B2";
    case D3DFMT_A8R3G3B2: return "A8R3G3B2";
    case D3DFMT_A2B10G10R10: return "A2B10G10R10";
    case D3DFMT_A2R10G10B10: return "A2R10G10B10";
    case D3DFMT_G16R16: return "G16R16";
    case D3DFMT_L16: return "L16";
    case D3DFMT_A4L4: return "A4L4";
    case D3DFMT_A8: return "A8";
    case D3DFMT_A8B8G8R8: return "A8B8G8R8";
    case D3DFMT_X8B8G8R8: return "X8B8G8R8";
    case 41: return "P8";
    case D3DFMT_L8: return "L8";
    case D3DFMT_A8L8: return "A8L8";
    case D3DFMT_UYVY: return "UYVY";
    case D3DFMT_YUY2: return "YUY2";
    case D3DFMT_R8G8_B8G8: return "R8G8_B8G8";
    case D3DFMT_G8R8_G8B8: return "G8R8_G8B8";
    case D3DFMT_DXT1: return "DXT1";
    case D3DFMT_DXT2: return "DXT2";
    case D3DFMT_DXT3: return "DXT3";
    case D3DFMT_DXT4: return "DXT4";
    case D3DFMT_DXT5: return "DXT5";
    default: return "format " + std::to_string(static_cast<int>(format));
    }
}

const char* FileTypeName(D3DXIMAGE_FILEFORMAT type)
{
    switch (type) {
    case D3DXIFF_BMP: return "BMP";
    case D3DXIFF_JPG: return "JPEG";
    case D3DXIFF_TGA: return "TGA";
    case D3DXIFF_PNG: return "PNG";
    case D3DXIFF_DDS: return "DDS";
    default: return "other";
    }
}

std::string FvfText(DWORD fvf)
{
    std::string text = "XYZ";
    if (fvf & D3DFVF_NORMAL) text += " NORMAL";
    if (fvf & D3DFVF_DIFFUSE) text += " DIFFUSE";
    if (fvf & D3DFVF_TEX1) text += " TEX1";
    return text;
}

void PrintColor(const char* label, const D3DCOLORVALUE& color)
{
    std::printf(" %s (%g, %g, %g, %g)", label, color.r, color.g, color.b, color.a);
}

std::string Directory(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// FNV-1a over bytes: equal buffers print equal sums.
uint32_t Checksum(const void* data, size_t size)
{
    uint32_t hash = 2166136261u;
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}

// Where a format keeps each channel in a texel of `bytes` bytes (luminance
// in `red`); a channel without a mask is absent.
struct Packing {
    D3DFORMAT format;
    unsigned bytes;
    uint32_t red, green, blue, alpha;
    bool luminance;
};

const Packing* PackingOf(D3DFORMAT format)
{
    static const Packing kPackings[] = {
        {D3DFMT_A8R8G8B8, 4, 0xff0000, 0xff00, 0xff, 0xff000000, false},
        {D3DFMT_X8R8G8B8, 4, 0xff0000, 0xff00, 0xff, 0, false},
        {D3DFMT_A8B8G8R8, 4, 0xff, 0xff00, 0xff0000, 0xff000000, false},
        {D3DFMT_X8B8G8R8, 4, 0xff, 0xff00, 0xff0000, 0, false},
        {D3DFMT_R8G8B8, 3, 0xff0000, 0xff00, 0xff, 0, false},
        {D3DFMT_R5G6B5, 2, 0xf800, 0x7e0, 0x1f, 0, false},
        {D3DFMT_X1R5G5B5, 2, 0x7c00, 0x3e0, 0x1f, 0, false},
        {D3DFMT_A1R5G5B5, 2, 0x7c00, 0x3e0, 0x1f, 0x8000, false},
        {D3DFMT_A4R4G4B4, 2, 0xf00, 0xf0, 0xf, 0xf000, false},
        {D3DFMT_X4R4G4B4, 2, 0xf00, 0xf0, 0xf, 0, false},
        {D3DFMT_R3G3B2, 1, 0xe0, 0x1c, 0x3, 0, false},
        {D3DFMT_A8R3G3B2, 2, 0xe0, 0x1c, 0x3, 0xff00, false},
        {D3DFMT_A2R10G10B10, 4, 0x3ff00000, 0xffc00, 0x3ff, 0xc0000000, false},
        {D3DFMT_A2B10G10R10, 4, 0x3ff, 0xffc00, 0x3ff00000, 0xc0000000, false},
        {D3DFMT_G16R16, 4, 0xffff, 0xffff0000, 0, 0, false},
        {D3DFMT_L8, 1, 0xff, 0, 0, 0, true},
        {D3DFMT_A8L8, 2, 0xff, 0, 0, 0xff00, true},
        {D3DFMT_A4L4, 1, 0xf, 0, 0, 0xf0, true},
        {D3DFMT_L16, 2, 0xffff, 0, 0, 0, true},
        {D3DFMT_A8, 1, 0, 0, 0, 0xff, false},
    };
    for (const Packing& packing : kPackings) {
        if (packing.format == format) return &packing;
    }
    return nullptr;
}

bool IsDxt(D3DFORMAT format)
{
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4
        || format == D3DFMT_DXT5;
}

unsigned MaskBits(uint32_t mask)
{
    unsigned bits = 0;
    for (; mask != 0; mask &= mask - 1) ++bits;
    return bits;
}

// A channel at the precision its format keeps (at most 8 bits), from a packed texel.
uint8_t Field(uint32_t pixel, uint32_t mask, uint8_t absent)
{
    if (mask == 0) return absent;
    unsigned shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    const unsigned bits = MaskBits(mask);
    const uint32_t raw = (pixel & mask) >> shift;
    return static_cast<uint8_t>(bits > 8 ? raw >> (bits - 8) : raw);
}

// The same from an 8-bit value.
uint8_t Reduced(uint8_t value, uint32_t mask, uint8_t absent)
{
    if (mask == 0) return absent;
    const unsigned bits = MaskBits(mask);
    return static_cast<uint8_t>(bits >= 8 ? value : value >> (8 - bits));
}

// DXT blocks to B, G, R, A bytes by the formats' definitions.
std::vector<uint8_t> DecodeBlocks(const LevelTexels& level)
{
    const unsigned blockBytes = level.format == D3DFMT_DXT1 ? 8 : 16;
    const UINT blocksWide = (level.width + 3) / 4, blocksHigh = (level.height + 3) / 4;
    std::vector<uint8_t> out(size_t{level.width} * level.height * 4);
    const auto u16 = [](const uint8_t* p) { return static_cast<unsigned>(p[0] | (p[1] << 8)); };
    for (UINT by = 0; by < blocksHigh; ++by) {
        for (UINT bx = 0; bx < blocksWide; ++bx) {
            const uint8_t* block = level.bytes.data() + (size_t{by} * blocksWide + bx) * blockBytes;
            const uint8_t* colors = blockBytes == 16 ? block + 8 : block;
            const unsigned c0 = u16(colors), c1 = u16(colors + 2);
            int palette[4][4];
            for (int e = 0; e < 2; ++e) {
                const unsigned c = e == 0 ? c0 : c1;
                palette[e][0] = static_cast<int>(((c & 31) * 255 + 15) / 31);
                palette[e][1] = static_cast<int>((((c >> 5) & 63) * 255 + 31) / 63);
                palette[e][2] = static_cast<int>(((c >> 11) * 255 + 15) / 31);
                palette[e][3] = 255;
            }
            const bool four = blockBytes == 16 || c0 > c1;
            for (int k = 0; k < 3; ++k) {
                palette[2][k] =
                    four ? (2 * palette[0][k] + palette[1][k] + 1) / 3 : (palette[0][k] + palette[1][k] + 1) / 2;
                palette[3][k] = four ? (palette[0][k] + 2 * palette[1][k] + 1) / 3 : 0;
            }
            palette[2][3] = 255;
            palette[3][3] = four ? 255 : 0;
            int alphas[8] = {};
            if (level.format == D3DFMT_DXT4 || level.format == D3DFMT_DXT5) {
                const int a0 = block[0], a1 = block[1];
                alphas[0] = a0;
                alphas[1] = a1;
                for (int i = 1; i < 7; ++i) {
                    alphas[i + 1] = a0 > a1 ? ((7 - i) * a0 + i * a1 + 3) / 7
                        : i < 5             ? ((5 - i) * a0 + i * a1 + 2) / 5
                                            : 0;
                }
                if (a0 <= a1) alphas[7] = 255;
            }
            uint64_t alphaBits = 0;
            for (int i = 0; i < 6; ++i) alphaBits |= static_cast<uint64_t>(block[2 + i]) << (8 * i);
            const uint32_t indices =
                colors[4] | (colors[5] << 8) | (colors[6] << 16) | (static_cast<uint32_t>(colors[7]) << 24);
            for (UINT i = 0; i < 16; ++i) {
                const UINT x = bx * 4 + i % 4, y = by * 4 + i / 4;
                if (x >= level.width || y >= level.height) continue;
                uint8_t* texel = out.data() + (size_t{y} * level.width + x) * 4;
                for (int k = 0; k < 4; ++k) texel[k] = static_cast<uint8_t>(palette[(indices >> (2 * i)) & 3][k]);
                if (level.format == D3DFMT_DXT2 || level.format == D3DFMT_DXT3) {
                    texel[3] = static_cast<uint8_t>(((block[i / 2] >> (4 * (i % 2))) & 15) * 17);
                } else if (blockBytes == 16) {
                    texel[3] = static_cast<uint8_t>(alphas[(alphaBits >> (3 * i)) & 7]);
                }
            }
        }
    }
    return out;
}

// Whether the texture lines sum level 0's texels.
bool g_sumTexels = false;

// A sum over level 0's texels, each channel at the precision the texture's
// format keeps (absent alpha as opaque), the same whether the texels come
// packed or as bytes; "unread" for a format it does not know.
std::string TexelSum(LevelTexels level)
{
    const size_t count = size_t{level.width} * level.height;
    std::vector<uint8_t> canonical(count * 4);
    const Packing* packing = PackingOf(level.format);
    if (IsDxt(level.format)) {
        if (!level.bgra) level.bytes = DecodeBlocks(level);
        if (level.bytes.size() < count * 4) return "unread";
        canonical = level.bytes;
        if (level.format == D3DFMT_DXT1) {
            for (size_t i = 0; i < count; ++i) {
                if (canonical[4 * i + 3] == 0) std::fill_n(canonical.begin() + 4 * i, 3, 0);
            }
        }
    } else if (packing != nullptr) {
        if (level.bytes.size() < count * (level.bgra ? 4 : packing->bytes)) return "unread";
        for (size_t i = 0; i < count; ++i) {
            uint8_t* out = canonical.data() + 4 * i;
            if (level.bgra) {
                const uint8_t* in = level.bytes.data() + 4 * i;
                out[0] =
                    Reduced(packing->luminance ? in[2] : in[0], packing->luminance ? packing->red : packing->blue, 0);
                out[1] =
                    Reduced(packing->luminance ? in[2] : in[1], packing->luminance ? packing->red : packing->green, 0);
                out[2] = Reduced(in[2], packing->red, 0);
                out[3] = Reduced(in[3], packing->alpha, 255);
            } else {
                uint32_t pixel = 0;
                for (unsigned b = 0; b < packing->bytes; ++b)
                    pixel |= uint32_t{level.bytes[i * packing->bytes + b]} << (8 * b);
                out[2] = Field(pixel, packing->red, 0);
                out[0] = packing->luminance ? out[2] : Field(pixel, packing->blue, 0);
                out[1] = packing->luminance ? out[2] : Field(pixel, packing->green, 0);
                out[3] = Field(pixel, packing->alpha, 255);
            }
        }
    } else {
        return "unread";
    }
    char text[16];
    std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(Checksum(canonical.data(), canonical.size())));
    return text;
}

const char* ResourceTypeName(D3DRESOURCETYPE type)
{
    switch (type) {
    case D3DRTYPE_TEXTURE: return "texture";
    case D3DRTYPE_CUBETEXTURE: return "cube texture";
    case D3DRTYPE_VOLUMETEXTURE: return "volume texture";
    default: return "other resource";
    }
}

void PrintChecksums(ID3DXMesh* mesh)
{
    const size_t vertexBytes = static_cast<size_t>(mesh->GetNumVertices()) * mesh->GetNumBytesPerVertex();
    const size_t indexBytes =
        static_cast<size_t>(mesh->GetNumFaces()) * 3 * ((mesh->GetOptions() & D3DXMESH_32BIT) ? 4 : 2);
    void* data = nullptr;
    uint32_t vertices = 0, indices = 0, attributes = 0;
    if (SUCCEEDED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) {
        // Every field is 4 bytes: -0 counts as +0 (a text "-0.0" may load as
        // either), and so does a diffuse colour of 0x80000000.
        std::vector<uint32_t> words(vertexBytes / 4);
        std::memcpy(words.data(), data, words.size() * 4);
        for (uint32_t& word : words) {
            if (word == 0x80000000u) word = 0;
        }
        vertices = Checksum(words.data(), words.size() * 4);
        mesh->UnlockVertexBuffer();
    }
    if (SUCCEEDED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data))) {
        indices = Checksum(data, indexBytes);
        mesh->UnlockIndexBuffer();
    }
    DWORD* attributeData = nullptr;
    if (SUCCEEDED(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributeData))) {
        attributes = Checksum(attributeData, static_cast<size_t>(mesh->GetNumFaces()) * sizeof(DWORD));
        mesh->UnlockAttributeBuffer();
    }
    std::printf("Checksums: vertices %08lx, indices %08lx, attributes %08lx\n", static_cast<unsigned long>(vertices),
                static_cast<unsigned long>(indices), static_cast<unsigned long>(attributes));
}

void PrintVertices(ID3DXMesh* mesh)
{
    const DWORD fvf = mesh->GetFVF();
    const DWORD stride = mesh->GetNumBytesPerVertex();
    void* data = nullptr;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) return;
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (DWORD v = 0; v < mesh->GetNumVertices(); ++v) {
        const unsigned char* vertex = bytes + static_cast<size_t>(v) * stride;
        float values[3];
        std::memcpy(values, vertex, 12);
        std::printf("  vertex %lu: position (%.9g, %.9g, %.9g)", static_cast<unsigned long>(v), values[0], values[1],
                    values[2]);
        size_t offset = 12;
        if (fvf & D3DFVF_NORMAL) {
            std::memcpy(values, vertex + offset, 12);
            std::printf(" normal (%.9g, %.9g, %.9g)", values[0], values[1], values[2]);
            offset += 12;
        }
        if (fvf & D3DFVF_DIFFUSE) {
            DWORD color;
            std::memcpy(&color, vertex + offset, 4);
            std::printf(" diffuse %08lx", static_cast<unsigned long>(color));
            offset += 4;
        }
        if (fvf & D3DFVF_TEX1) {
            std::memcpy(values, vertex + offset, 8);
            std::printf(" texcoord (%.9g, %.9g)", values[0], values[1]);
        }
        std::printf("\n");
    }
    mesh->UnlockVertexBuffer();

    const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    DWORD* attributes = nullptr;
    if (FAILED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data))) return;
    if (FAILED(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes))) {
        mesh->UnlockIndexBuffer();
        return;
    }
    for (DWORD f = 0; f < mesh->GetNumFaces(); ++f) {
        DWORD corner[3];
        for (int k = 0; k < 3; ++k) {
            corner[k] = wide ? static_cast<const DWORD*>(data)[3 * f + k] : static_cast<const WORD*>(data)[3 * f + k];
        }
        std::printf("  face %lu: %lu %lu %lu, attribute %lu\n", static_cast<unsigned long>(f),
                    static_cast<unsigned long>(corner[0]), static_cast<unsigned long>(corner[1]),
                    static_cast<unsigned long>(corner[2]), static_cast<unsigned long>(attributes[f]));
    }
    mesh->UnlockAttributeBuffer();
    mesh->UnlockIndexBuffer();
}

void PrintGeometry(ID3DXMesh* mesh)
{
    const DWORD fvf = mesh->GetFVF();
    const DWORD stride = mesh->GetNumBytesPerVertex();
    const DWORD options = mesh->GetOptions();
    std::printf("Vertices: %lu\n", static_cast<unsigned long>(mesh->GetNumVertices()));
    std::printf("Faces: %lu\n", static_cast<unsigned long>(mesh->GetNumFaces()));
    std::printf("Vertex format: 0x%03lx (%s), %lu bytes per vertex\n", static_cast<unsigned long>(fvf),
                FvfText(fvf).c_str(), static_cast<unsigned long>(stride));
    std::printf("Options: 0x%03lx (%s indices)\n", static_cast<unsigned long>(options),
                (options & D3DXMESH_32BIT) ? "32-bit" : "16-bit");

    void* vertices = nullptr;
    if (mesh->GetNumVertices() > 0 && SUCCEEDED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices))) {
        float low[3] = {FLT_MAX, FLT_MAX, FLT_MAX};
        float high[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
        const auto* bytes = static_cast<const unsigned char*>(vertices);
        for (DWORD v = 0; v < mesh->GetNumVertices(); ++v) {
            float position[3];
            std::memcpy(position, bytes + static_cast<size_t>(v) * stride, sizeof position);
            for (int c = 0; c < 3; ++c) {
                if (position[c] < low[c]) low[c] = position[c];
                if (position[c] > high[c]) high[c] = position[c];
            }
        }
        mesh->UnlockVertexBuffer();
        std::printf("Bounding box: (%g, %g, %g) to (%g, %g, %g)\n", low[0], low[1], low[2], high[0], high[1], high[2]);
    }

    PrintChecksums(mesh);

    DWORD ranges = 0;
    mesh->GetAttributeTable(nullptr, &ranges);
    std::vector<D3DXATTRIBUTERANGE> table(ranges);
    if (ranges > 0) mesh->GetAttributeTable(table.data(), &ranges);
    std::printf("Attribute table: %lu entries\n", static_cast<unsigned long>(ranges));
    for (const D3DXATTRIBUTERANGE& range : table) {
        std::printf("  attribute %lu: faces %lu..%lu (%lu), vertices %lu..%lu (%lu)\n",
                    static_cast<unsigned long>(range.AttribId), static_cast<unsigned long>(range.FaceStart),
                    static_cast<unsigned long>(range.FaceStart + range.FaceCount - 1),
                    static_cast<unsigned long>(range.FaceCount), static_cast<unsigned long>(range.VertexStart),
                    static_cast<unsigned long>(range.VertexStart + range.VertexCount - 1),
                    static_cast<unsigned long>(range.VertexCount));
    }

    // The subsets DrawSubset draws, from the faces' attributes (a loaded mesh has no table).
    std::map<DWORD, std::pair<DWORD, DWORD>> subsets; // attribute -> first face, face count
    DWORD* attributes = nullptr;
    const DWORD faces = mesh->GetNumFaces();
    if (SUCCEEDED(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes))) {
        for (DWORD face = 0; face < faces; ++face) {
            auto found = subsets.try_emplace(attributes[face], face, 0).first;
            ++found->second.second;
        }
        mesh->UnlockAttributeBuffer();
    }
    std::printf("Subsets: %lu\n", static_cast<unsigned long>(subsets.size()));
    for (const auto& [attribute, range] : subsets) {
        std::printf("  attribute %lu: %lu faces from face %lu\n", static_cast<unsigned long>(attribute),
                    static_cast<unsigned long>(range.second), static_cast<unsigned long>(range.first));
    }
}

// Prints the materials; false when a texture does not load.
bool PrintMaterials(IDirect3DDevice9* device, ID3DXBuffer* buffer, DWORD count, const std::string& modelPath)
{
    bool texturesLoad = true;
    std::printf("Materials: %lu\n", static_cast<unsigned long>(count));
    if (buffer == nullptr) return true;
    const auto* materials = static_cast<const D3DXMATERIAL*>(buffer->GetBufferPointer());
    for (DWORD i = 0; i < count; ++i) {
        const D3DMATERIAL9& material = materials[i].MatD3D;
        std::printf("  %lu:", static_cast<unsigned long>(i));
        PrintColor("diffuse", material.Diffuse);
        PrintColor("ambient", material.Ambient);
        PrintColor("specular", material.Specular);
        PrintColor("emissive", material.Emissive);
        std::printf(" power %g\n", material.Power);
        if (materials[i].pTextureFilename == nullptr) {
            std::printf("     no texture\n");
            continue;
        }
        const std::string name = materials[i].pTextureFilename;
        const std::string texturePath = Directory(modelPath) + name;
        const std::wstring widePath = Widen(Directory(modelPath), ArgumentCodePage()) + Widen(name, CP_ACP);
        IDirect3DTexture9* texture = nullptr;
        D3DXIMAGE_INFO info{};
        const HRESULT result = D3DXCreateTextureFromFileExW(device, widePath.c_str(), D3DX_DEFAULT, D3DX_DEFAULT,
                                                            D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                            D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, nullptr, &texture);
        if (SUCCEEDED(result)) {
            std::printf("     texture \"%s\": loads from \"%s\": %s %s %ux%ux%u %s, %u levels in the file; %lu levels",
                        name.c_str(), texturePath.c_str(), FileTypeName(info.ImageFileFormat),
                        ResourceTypeName(info.ResourceType), info.Width, info.Height, info.Depth,
                        FormatName(info.Format).c_str(), info.MipLevels,
                        static_cast<unsigned long>(texture->GetLevelCount()));
            LevelTexels level;
            if (g_sumTexels) {
                const bool read = ReadLevelZero(texture, level);
                std::printf(", level 0 %ux%u %s, texels %s", level.width, level.height,
                            read ? FormatName(level.format).c_str() : "unread",
                            read ? TexelSum(level).c_str() : "unread");
            }
            std::printf("\n");
            texture->Release();
        } else {
            std::printf("     texture \"%s\": does not load from \"%s\": %s\n", name.c_str(), texturePath.c_str(),
                        ResultName(result).c_str());
            texturesLoad = false;
        }
    }
    return texturesLoad;
}

// The effect instance of each material: its file, then each default's
// name, type and value (a string, floats or DWORDs).
void PrintEffectInstances(ID3DXBuffer* buffer, DWORD count)
{
    std::printf("Effect instances: %s\n", buffer == nullptr ? "none" : std::to_string(count).c_str());
    if (buffer == nullptr) return;
    const auto* instances = static_cast<const D3DXEFFECTINSTANCE*>(buffer->GetBufferPointer());
    for (DWORD i = 0; i < count; ++i) {
        const D3DXEFFECTINSTANCE& instance = instances[i];
        std::printf("  %lu: file %s%s%s, %lu defaults\n", static_cast<unsigned long>(i),
                    instance.pEffectFilename == nullptr ? "" : "\"",
                    instance.pEffectFilename == nullptr ? "none" : instance.pEffectFilename,
                    instance.pEffectFilename == nullptr ? "" : "\"", static_cast<unsigned long>(instance.NumDefaults));
        for (DWORD d = 0; d < instance.NumDefaults; ++d) {
            const D3DXEFFECTDEFAULT& value = instance.pDefaults[d];
            std::printf("     \"%s\" type %d, %lu bytes:", value.pParamName == nullptr ? "(null)" : value.pParamName,
                        static_cast<int>(value.Type), static_cast<unsigned long>(value.NumBytes));
            if (value.Type == D3DXEDT_STRING && value.pValue != nullptr) {
                std::printf(" \"%.*s\"", static_cast<int>(value.NumBytes), static_cast<const char*>(value.pValue));
            } else if (value.Type == D3DXEDT_FLOATS && value.pValue != nullptr) {
                for (DWORD f = 0; f < value.NumBytes / 4; ++f)
                    std::printf(" %g", static_cast<const float*>(value.pValue)[f]);
            } else if (value.Type == D3DXEDT_DWORD && value.pValue != nullptr) {
                for (DWORD f = 0; f < value.NumBytes / 4; ++f)
                    std::printf(" %lu", static_cast<unsigned long>(static_cast<const DWORD*>(value.pValue)[f]));
            }
            std::printf("\n");
        }
    }
}

// One model's report on standard output, its failure to load on `errors`;
// the exit code of a run for that model alone.
int Report(IDirect3DDevice9* device, const std::string& path, bool listVertices, FILE* errors)
{
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    ID3DXBuffer* effects = nullptr;
    DWORD materialCount = 0;
    const std::wstring widePath = Widen(path, ArgumentCodePage());
    const HRESULT result = D3DXLoadMeshFromXW(widePath.c_str(), D3DXMESH_MANAGED, device, nullptr, &materials, &effects,
                                              &materialCount, &mesh);
    if (FAILED(result)) {
        std::fprintf(errors, "xinfo: \"%s\" does not load: %s\n", path.c_str(), ResultName(result).c_str());
        return 1;
    }
    std::printf("File: %s\n", path.c_str());
    std::printf("Encoding: %s\n", Encoding(path).c_str());
    PrintGeometry(mesh);
    if (listVertices) PrintVertices(mesh);
    const bool texturesLoad = PrintMaterials(device, materials, materialCount, path);
    std::printf("Textures: %s\n", texturesLoad ? "all load" : "some do not load");
    PrintEffectInstances(effects, materialCount);

    if (effects != nullptr) effects->Release();
    if (materials != nullptr) materials->Release();
    mesh->Release();
    return 0;
}

// D3DXCreateTextureFromFileExW's answers to argument classes, for one image file.
void ReportArguments(IDirect3DDevice9* device, const std::string& path)
{
    const std::wstring file = Widen(path, ArgumentCodePage());
    struct Case {
        const char* name;
        bool device, file, texture;
        DWORD filter, mipFilter;
    };
    const Case kCases[] = {
        {"defaults", true, true, true, D3DX_DEFAULT, D3DX_DEFAULT},
        {"null device", false, true, true, D3DX_DEFAULT, D3DX_DEFAULT},
        {"null file", true, false, true, D3DX_DEFAULT, D3DX_DEFAULT},
        {"null texture", true, true, false, D3DX_DEFAULT, D3DX_DEFAULT},
    };
    std::vector<Case> cases(std::begin(kCases), std::end(kCases));
    for (DWORD filter : {0x0u, 0x1u, 0x2u, 0x3u, 0x4u, 0x5u, 0x6u, 0x7u, 0x8u, 0xffu, 0x80001u, 0x70005u, 0x100u}) {
        cases.push_back({"filter", true, true, true, filter, D3DX_DEFAULT});
        cases.push_back({"mip filter", true, true, true, D3DX_DEFAULT, filter});
    }
    for (DWORD skip : {1u, 2u, 3u, 4u, 9u, 31u}) {
        cases.push_back({"skip levels", true, true, true, D3DX_DEFAULT, D3DX_SKIP_DDS_MIP_LEVELS(skip, D3DX_DEFAULT)});
        cases.push_back(
            {"skip levels", true, true, true, D3DX_DEFAULT, D3DX_SKIP_DDS_MIP_LEVELS(skip, D3DX_FILTER_POINT)});
        cases.push_back({"skip levels", true, true, true, D3DX_DEFAULT, D3DX_SKIP_DDS_MIP_LEVELS(skip, 0x7)});
    }
    for (const Case& c : cases) {
        IDirect3DTexture9* texture = nullptr;
        D3DXIMAGE_INFO info{};
        const HRESULT result = D3DXCreateTextureFromFileExW(
            c.device ? device : nullptr, c.file ? file.c_str() : nullptr, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
            D3DFMT_UNKNOWN, D3DPOOL_MANAGED, c.filter, c.mipFilter, 0, &info, nullptr, c.texture ? &texture : nullptr);
        std::printf("  arguments \"%s\" %s filter %08lx mip filter %08lx: %s", path.c_str(), c.name,
                    static_cast<unsigned long>(c.filter), static_cast<unsigned long>(c.mipFilter),
                    ResultName(result).c_str());
        if (SUCCEEDED(result) && texture != nullptr) {
            LevelTexels level;
            const bool read = ReadLevelZero(texture, level);
            std::printf(", file %ux%u %u levels; %lu levels, level 0 %ux%u, texels %s", info.Width, info.Height,
                        info.MipLevels, static_cast<unsigned long>(texture->GetLevelCount()), level.width, level.height,
                        read ? TexelSum(level).c_str() : "unread");
        }
        std::printf("\n");
        if (texture != nullptr) texture->Release();
    }
}

} // namespace

// xinfo [--vertices | --texels] MODEL: the report on standard output; a sum
// of each texture's level 0 texels with --texels only (the copy it reads
// weighs as much as the texture).
// xinfo --arguments IMAGE...: how texture loads answer argument classes.
// xinfo --each FOLDER MODEL...: the report of the n-th model (from 0) in
// FOLDER/n.txt, its failure too, with a sum of each texture's level 0
// texels; one start for many models (under Wine a start costs a second or
// more).
int main(int argc, char** argv)
{
    const bool listVertices = argc == 3 && std::strcmp(argv[1], "--vertices") == 0;
    const bool sumTexels = argc == 3 && std::strcmp(argv[1], "--texels") == 0;
    const bool each = argc >= 3 && std::strcmp(argv[1], "--each") == 0;
    const bool arguments = argc >= 3 && std::strcmp(argv[1], "--arguments") == 0;
    if (argc != 2 && !listVertices && !sumTexels && !each && !arguments) {
        std::fprintf(stderr,
                     "usage: xinfo [--vertices | --texels] <model.x>\n       xinfo --each <folder> <model.x>...\n"
                     "       xinfo --arguments <image>...\n");
        return 2;
    }
    std::string error;
    IDirect3DDevice9* device = CreateInspectionDevice(error);
    if (device == nullptr) {
        std::fprintf(stderr, "xinfo: %s\n", error.c_str());
        DestroyInspectionDevice(nullptr);
        return 3;
    }
    int status = 0;
    g_sumTexels = each || sumTexels;
    if (arguments) {
        for (int i = 2; i < argc; ++i) ReportArguments(device, argv[i]);
    } else if (each) {
        for (int i = 3; i < argc; ++i) {
            const std::string out = std::string(argv[2]) + "/" + std::to_string(i - 3) + ".txt";
            std::fflush(stdout);
            if (std::freopen(out.c_str(), "w", stdout) == nullptr) {
                std::fprintf(stderr, "xinfo: cannot write %s\n", out.c_str());
                status = 3;
                break;
            }
            if (Report(device, argv[i], false, stdout) != 0) status = 1;
        }
        std::fflush(stdout);
    } else {
        status = Report(device, argv[argc - 1], listVertices, stderr);
    }
    DestroyInspectionDevice(device);
    return status;
}
