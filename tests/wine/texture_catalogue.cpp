// Writes a catalogue of image files spanning the layouts of each kind the
// texture loader reads (BMP headers, depths and compressions; TGA types, map
// entries, depths, origins and attribute bits; DDS pixel formats, mip counts,
// cube maps and volumes; PNG depths and color types; JPEG), files cut short
// or damaged, and models "textures-N.x" whose materials name them all, so that
// xinfo natively and xinfo.exe with the real D3DX can be compared. Texel
// values come from a fixed hash: every bit of a stored texel varies.
//   texture_catalogue OUTPUT_DIR
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <zlib.h>

#include "tests/portable/d3dx/image/test_files.h"

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

uint8_t Noise(uint32_t seed, uint32_t i)
{
    uint32_t x = seed * 0x9e3779b9u ^ (i + 1) * 0x85ebca6bu;
    x ^= x >> 15;
    x *= 0xc2b2ae35u;
    x ^= x >> 13;
    return static_cast<uint8_t>(x >> 7);
}

std::string NoiseBytes(uint32_t seed, size_t count)
{
    std::string bytes(count, '\0');
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(Noise(seed, static_cast<uint32_t>(i)));
    return bytes;
}

void Put8(std::string& out, uint32_t v) { out.push_back(static_cast<char>(v & 0xff)); }
void Put16(std::string& out, uint32_t v)
{
    Put8(out, v);
    Put8(out, v >> 8);
}
void Put32(std::string& out, uint32_t v)
{
    Put16(out, v);
    Put16(out, v >> 16);
}
void PutBig32(std::string& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) Put8(out, v >> shift);
}

std::string Hex(uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(v));
    return text;
}

// ---- BMP ----

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;

struct BmpCase {
    uint32_t header;
    uint32_t bits;
    uint32_t compression;
    uint32_t masks[4]; // for BI_BITFIELDS, and a V4/V5 header's alpha mask
    bool topDown;
    uint32_t paletteUsed; // 0: the full palette
};

// Run-length data for an 8x4 image: runs and literals crossing the row ends,
// a skip, an end of line and an end of image.
std::string RleData(bool four, uint32_t seed)
{
    std::string out;
    const auto run = [&](uint32_t count) { out += {static_cast<char>(count), static_cast<char>(Noise(seed, count))}; };
    const auto literal = [&](uint32_t count) {
        out += {'\0', static_cast<char>(count)};
        const uint32_t bytes = four ? (count + 1) / 2 : count;
        out += NoiseBytes(seed + count, bytes);
        if (bytes % 2 != 0) out.push_back('\0');
    };
    run(5);
    literal(3);                            // the first row
    run(3);                                // the second row ...
    literal(7);                            // ... and past its end
    out += "\0\0";                         // end of line
    out += {'\0', '\x02', '\x02', '\x01'}; // skip two right, one up
    run(4);
    out += {'\0', '\x01'};
    return out;
}

std::string MakeBmp(const BmpCase& c, uint32_t width, uint32_t height, uint32_t seed, bool zeroTopBytes)
{
    const bool core = c.header == 12;
    const uint32_t entries = c.bits <= 8 ? (c.paletteUsed != 0 ? c.paletteUsed : 1u << c.bits) : 0;
    const bool masksAfter = c.compression == kBitFields && c.header == 40;
    std::string palette;
    for (uint32_t i = 0; i < entries; ++i) {
        palette += NoiseBytes(seed * 31 + i, 3);
        if (!core) palette.push_back('\0');
    }
    std::string pixels;
    if (c.compression == kRle8 || c.compression == kRle4) {
        pixels = RleData(c.compression == kRle4, seed);
    } else {
        const uint32_t stride = (width * c.bits + 31) / 32 * 4;
        pixels = NoiseBytes(seed, size_t{stride} * height);
        if (zeroTopBytes) {
            for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = '\0';
        }
    }
    std::string info;
    Put32(info, c.header);
    if (core) {
        Put16(info, width);
        Put16(info, height);
        Put16(info, 1);
        Put16(info, c.bits);
    } else {
        Put32(info, width);
        Put32(info, c.topDown ? static_cast<uint32_t>(-static_cast<int32_t>(height)) : height);
        Put16(info, 1);
        Put16(info, c.bits);
        Put32(info, c.compression);
        Put32(info, static_cast<uint32_t>(pixels.size()));
        Put32(info, 2835);
        Put32(info, 2835);
        Put32(info, c.paletteUsed);
        Put32(info, 0);
        for (uint32_t i = 0; info.size() < c.header; ++i) Put32(info, i < 4 ? c.masks[i] : (i == 4 ? 0x73524742 : 0));
        info.resize(c.header);
    }
    if (masksAfter) {
        for (int i = 0; i < 3; ++i) Put32(info, c.masks[i]);
    }
    std::string file = "BM";
    const uint32_t offset = static_cast<uint32_t>(14 + info.size() + palette.size());
    Put32(file, offset + static_cast<uint32_t>(pixels.size()));
    Put32(file, 0);
    Put32(file, offset);
    return file + info + palette + pixels;
}

void AddBmps(Files& files)
{
    const uint32_t headers[] = {12, 40, 52, 56, 108, 124};
    struct Masks {
        uint32_t bits;
        uint32_t masks[4];
    };
    const Masks fields[] = {
        {16, {0xf800, 0x7e0, 0x1f, 0}},        {16, {0x7c00, 0x3e0, 0x1f, 0}},
        {16, {0x7c00, 0x3e0, 0x1f, 0x8000}},   {16, {0xf00, 0xf0, 0xf, 0xf000}},
        {32, {0xff0000, 0xff00, 0xff, 0}},     {32, {0xff0000, 0xff00, 0xff, 0xff000000}},
        {32, {0x3ff00000, 0xffc00, 0x3ff, 0}},
    };
    uint32_t seed = 1;
    for (uint32_t header : headers) {
        const std::string prefix = "bmp-h" + std::to_string(header) + "-";
        for (uint32_t bits : {1u, 4u, 8u, 16u, 24u, 32u}) {
            for (bool topDown : {false, true}) {
                if (topDown && header == 12) continue;
                const std::string order = topDown ? "-top-down" : "";
                std::vector<uint32_t> used = {0};
                if (bits <= 8 && header != 12) used.push_back(bits == 1 ? 1 : 3);
                for (uint32_t paletteUsed : used) {
                    const BmpCase c{header, bits, kRgb, {}, topDown, paletteUsed};
                    const std::string name = prefix + std::to_string(bits) + order
                        + (paletteUsed != 0 ? "-palette" + std::to_string(paletteUsed) : "");
                    files.push_back({name + ".bmp", MakeBmp(c, 2, 4, ++seed, false)});
                }
                if (bits == 32) {
                    files.push_back({prefix + "32-zero-top" + order + ".bmp",
                                     MakeBmp({header, 32, kRgb, {}, topDown, 0}, 2, 4, ++seed, true)});
                }
            }
        }
        if (header == 12) continue;
        // V4 and V5 headers' alpha mask with plain 16 and 32 bits.
        if (header >= 56) {
            files.push_back({prefix + "16-alpha-mask.bmp",
                             MakeBmp({header, 16, kRgb, {0, 0, 0, 0x8000}, false, 0}, 2, 4, ++seed, false)});
            files.push_back({prefix + "32-alpha-mask.bmp",
                             MakeBmp({header, 32, kRgb, {0, 0, 0, 0xff000000}, false, 0}, 2, 4, ++seed, false)});
        }
        for (const Masks& m : fields) {
            if (m.masks[3] != 0 && header < 56) continue; // no room for an alpha mask
            for (bool topDown : {false, true}) {
                const BmpCase c{header,  m.bits, kBitFields, {m.masks[0], m.masks[1], m.masks[2], m.masks[3]},
                                topDown, 0};
                files.push_back({prefix + "fields-" + std::to_string(m.bits) + "-" + Hex(m.masks[0]) + "-"
                                     + Hex(m.masks[3]) + (topDown ? "-top-down" : "") + ".bmp",
                                 MakeBmp(c, 2, 4, ++seed, false)});
            }
        }
        for (uint32_t compression : {kRle8, kRle4}) {
            const uint32_t bits = compression == kRle8 ? 8 : 4;
            // Wine's D3DX dies on runs of indices past a short palette.
            for (uint32_t paletteUsed : {0u}) {
                const BmpCase c{header, bits, compression, {}, false, paletteUsed};
                files.push_back(
                    {prefix + "rle" + std::to_string(bits) + "-palette" + std::to_string(paletteUsed) + ".bmp",
                     MakeBmp(c, 8, 4, ++seed, false)});
            }
        }
    }
}

// ---- TGA ----

std::string TgaHeader(uint32_t type, uint32_t mapLength, uint32_t mapBits, uint32_t mapFirst, uint32_t width,
                      uint32_t height, uint32_t bits, uint32_t descriptor)
{
    std::string out;
    Put8(out, 3); // image id length
    Put8(out, mapLength != 0 ? 1 : 0);
    Put8(out, type);
    Put16(out, mapFirst);
    Put16(out, mapLength);
    Put8(out, mapBits);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, width);
    Put16(out, height);
    Put8(out, bits);
    Put8(out, descriptor);
    return out + "id!";
}

// Packets of runs and raw stretches of 3 and 5 texels over width x height,
// so that packets cross the row ends.
std::string TgaRle(uint32_t texels, uint32_t bytes, uint32_t seed)
{
    std::string out;
    bool run = true;
    for (uint32_t done = 0; done < texels; run = !run) {
        const uint32_t count = std::min(run ? 3u : 5u, texels - done);
        Put8(out, (run ? 0x80 : 0) | (count - 1));
        out += NoiseBytes(seed + done, size_t{bytes} * (run ? 1 : count));
        done += count;
    }
    return out;
}

void AddTgas(Files& files)
{
    const uint32_t width = 8, height = 4;
    uint32_t seed = 5000;
    for (uint32_t type : {1u, 2u, 3u, 9u, 10u, 11u}) {
        const bool mapped = (type & 7) == 1;
        const std::vector<uint32_t> mapSizes =
            mapped ? std::vector<uint32_t>{15, 16, 24, 32} : std::vector<uint32_t>{0};
        for (uint32_t mapBits : mapSizes) {
            // Wine's D3DX dies on depths a type does not have.
            const std::vector<uint32_t> depths = mapped ? std::vector<uint32_t>{8}
                : type % 8 == 2                         ? std::vector<uint32_t>{15, 16, 24, 32}
                                                        : std::vector<uint32_t>{8, 16};
            for (uint32_t bits : depths) {
                for (uint32_t origin : {0x00u, 0x10u, 0x20u, 0x30u}) {
                    for (uint32_t attribute : {0u, 1u, 8u}) {
                        const uint32_t bytes = (bits + 7) / 8;
                        const uint32_t mapLength = mapped ? 1u << std::min(bits, 8u) : 0;
                        std::string file =
                            TgaHeader(type, mapLength, mapBits, 0, width, height, bits, origin | attribute);
                        file += NoiseBytes(++seed, size_t{mapLength} * ((mapBits + 7) / 8));
                        file += type >= 9 ? TgaRle(width * height, bytes, ++seed)
                                          : NoiseBytes(++seed, width * height * bytes);
                        files.push_back({"tga-t" + std::to_string(type)
                                             + (mapped ? "-map" + std::to_string(mapBits) : "") + "-"
                                             + std::to_string(bits) + "-o" + Hex(origin) + "-a"
                                             + std::to_string(attribute) + ".tga",
                                         file});
                    }
                }
            }
        }
    }
    // A map that starts past index 0.
    for (uint32_t type : {1u, 9u}) {
        for (auto [first, length] : {std::pair<uint32_t, uint32_t>{4, 252}}) {
            std::string file = TgaHeader(type, length, 24, first, width, height, 8, 0);
            file += NoiseBytes(++seed, length * 3);
            file += type == 9 ? TgaRle(width * height, 1, ++seed) : NoiseBytes(++seed, width * height);
            files.push_back({"tga-t" + std::to_string(type) + "-map-first" + std::to_string(first) + "-length"
                                 + std::to_string(length) + ".tga",
                             file});
        }
    }
    // A map beside true color, which readers skip.
    std::string beside = TgaHeader(2, 16, 24, 0, width, height, 24, 0);
    beside += NoiseBytes(seed + 1, 16 * 3);
    beside += NoiseBytes(seed + 2, width * height * 3);
    files.push_back({"tga-t2-with-map.tga", beside});
}

// ---- DDS ----

constexpr uint32_t kDdsFourCC = 0x4, kDdsRgb = 0x40, kDdsLuminance = 0x20000, kDdsAlphaPixels = 0x1, kDdsAlpha = 0x2;

struct DdsFormat {
    const char* name;
    uint32_t flags;
    uint32_t fourCC;
    uint32_t bits;
    uint32_t masks[4];
    uint32_t blockBytes; // bytes per 4x4 block, or 0
    uint32_t pairBytes;  // bytes per 2x1 texel pair, or 0
};

constexpr uint32_t Code(const char (&text)[5]) { return portable::FourCC(text); }

// P8 is left out: Wine's D3DX dies on it.
const DdsFormat kDdsFormats[] = {
    {"a8r8g8b8", kDdsRgb | kDdsAlphaPixels, 0, 32, {0xff0000, 0xff00, 0xff, 0xff000000}, 0, 0},
    {"x8r8g8b8", kDdsRgb, 0, 32, {0xff0000, 0xff00, 0xff, 0}, 0, 0},
    {"a8b8g8r8", kDdsRgb | kDdsAlphaPixels, 0, 32, {0xff, 0xff00, 0xff0000, 0xff000000}, 0, 0},
    {"x8b8g8r8", kDdsRgb, 0, 32, {0xff, 0xff00, 0xff0000, 0}, 0, 0},
    {"r8g8b8", kDdsRgb, 0, 24, {0xff0000, 0xff00, 0xff, 0}, 0, 0},
    {"r5g6b5", kDdsRgb, 0, 16, {0xf800, 0x7e0, 0x1f, 0}, 0, 0},
    {"x1r5g5b5", kDdsRgb, 0, 16, {0x7c00, 0x3e0, 0x1f, 0}, 0, 0},
    {"a1r5g5b5", kDdsRgb | kDdsAlphaPixels, 0, 16, {0x7c00, 0x3e0, 0x1f, 0x8000}, 0, 0},
    {"a4r4g4b4", kDdsRgb | kDdsAlphaPixels, 0, 16, {0xf00, 0xf0, 0xf, 0xf000}, 0, 0},
    {"x4r4g4b4", kDdsRgb, 0, 16, {0xf00, 0xf0, 0xf, 0}, 0, 0},
    {"r3g3b2", kDdsRgb, 0, 8, {0xe0, 0x1c, 0x3, 0}, 0, 0},
    {"a8r3g3b2", kDdsRgb | kDdsAlphaPixels, 0, 16, {0xe0, 0x1c, 0x3, 0xff00}, 0, 0},
    {"a2b10g10r10", kDdsRgb | kDdsAlphaPixels, 0, 32, {0x3ff, 0xffc00, 0x3ff00000, 0xc0000000}, 0, 0},
    {"a2r10g10b10", kDdsRgb | kDdsAlphaPixels, 0, 32, {0x3ff00000, 0xffc00, 0x3ff, 0xc0000000}, 0, 0},
    {"g16r16", kDdsRgb, 0, 32, {0xffff, 0xffff0000, 0, 0}, 0, 0},
    {"l8", kDdsLuminance, 0, 8, {0xff, 0, 0, 0}, 0, 0},
    {"a8l8", kDdsLuminance | kDdsAlphaPixels, 0, 16, {0xff, 0, 0, 0xff00}, 0, 0},
    {"a4l4", kDdsLuminance | kDdsAlphaPixels, 0, 8, {0xf, 0, 0, 0xf0}, 0, 0},
    {"l16", kDdsLuminance, 0, 16, {0xffff, 0, 0, 0}, 0, 0},
    {"a8", kDdsAlpha, 0, 8, {0, 0, 0, 0xff}, 0, 0},
    {"dxt1", kDdsFourCC, Code("DXT1"), 0, {}, 8, 0},
    {"dxt2", kDdsFourCC, Code("DXT2"), 0, {}, 16, 0},
    {"dxt3", kDdsFourCC, Code("DXT3"), 0, {}, 16, 0},
    {"dxt4", kDdsFourCC, Code("DXT4"), 0, {}, 16, 0},
    {"dxt5", kDdsFourCC, Code("DXT5"), 0, {}, 16, 0},
    {"r8g8-b8g8", kDdsFourCC, Code("RGBG"), 0, {}, 0, 4},
    {"g8r8-g8b8", kDdsFourCC, Code("GRGB"), 0, {}, 0, 4},
    {"uyvy", kDdsFourCC, Code("UYVY"), 0, {}, 0, 4},
    {"yuy2", kDdsFourCC, Code("YUY2"), 0, {}, 0, 4},
    {"a16b16g16r16", kDdsFourCC, 36, 64, {}, 0, 0},
    {"r16f", kDdsFourCC, 111, 16, {}, 0, 0},
    {"g16r16f", kDdsFourCC, 112, 32, {}, 0, 0},
    {"a16b16g16r16f", kDdsFourCC, 113, 64, {}, 0, 0},
    {"r32f", kDdsFourCC, 114, 32, {}, 0, 0},
    {"g32r32f", kDdsFourCC, 115, 64, {}, 0, 0},
    {"a32b32g32r32f", kDdsFourCC, 116, 128, {}, 0, 0},
};

uint32_t DdsLevelBytes(const DdsFormat& f, uint32_t width, uint32_t height)
{
    if (f.blockBytes != 0) return (width + 3) / 4 * ((height + 3) / 4) * f.blockBytes;
    if (f.pairBytes != 0) return (width + 1) / 2 * height * f.pairBytes;
    return width * height * f.bits / 8;
}

// Half floats and floats of moderate size, so that every reader keeps them.
std::string FloatTexels(uint32_t seed, size_t bytes, bool half)
{
    std::string out;
    for (size_t i = 0; out.size() < bytes; ++i) {
        const uint32_t n = Noise(seed, static_cast<uint32_t>(i)); // 0..255 -> 0.0 .. 1.0
        if (half) {
            const uint32_t value = n == 0 ? 0 : (14u << 10) | (n << 2); // 0.5 .. 1.0
            Put16(out, value);
        } else {
            const float value = static_cast<float>(n) / 255.0f;
            uint32_t word;
            std::memcpy(&word, &value, 4);
            Put32(out, word);
        }
    }
    out.resize(bytes);
    return out;
}

enum class DdsKind { Plain, Cube, Volume };

std::string MakeDdsFile(const DdsFormat& f, uint32_t width, uint32_t height, uint32_t depth, DdsKind kind,
                        bool writeMipCount, uint32_t mipCount, uint32_t storedLevels, uint32_t seed)
{
    std::string file = "DDS ";
    Put32(file, 124);
    Put32(file, 0x1007 | (writeMipCount ? 0x20000 : 0) | (kind == DdsKind::Volume ? 0x800000 : 0));
    Put32(file, height);
    Put32(file, width);
    Put32(file, 0);
    Put32(file, kind == DdsKind::Volume ? depth : 0);
    Put32(file, mipCount);
    file.append(44, '\0');
    Put32(file, 32);
    Put32(file, f.flags);
    Put32(file, f.fourCC);
    Put32(file, f.fourCC != 0 ? 0 : f.bits);
    for (uint32_t mask : f.masks) Put32(file, f.fourCC != 0 ? 0 : mask);
    Put32(file, 0x1000 | (storedLevels > 1 ? 0x400008 : 0) | (kind != DdsKind::Plain ? 0x8 : 0));
    Put32(file, kind == DdsKind::Cube ? 0xfe00 : kind == DdsKind::Volume ? 0x200000 : 0);
    file.append(12, '\0');
    const uint32_t faces = kind == DdsKind::Cube ? 6 : 1;
    const bool half = f.fourCC == 111 || f.fourCC == 112 || f.fourCC == 113;
    const bool single = f.fourCC == 114 || f.fourCC == 115 || f.fourCC == 116;
    for (uint32_t face = 0; face < faces; ++face) {
        for (uint32_t level = 0; level < storedLevels; ++level) {
            const uint32_t w = std::max(1u, width >> level), h = std::max(1u, height >> level);
            const uint32_t d = kind == DdsKind::Volume ? std::max(1u, depth >> level) : 1;
            const size_t bytes = size_t{DdsLevelBytes(f, w, h)} * d;
            const uint32_t levelSeed = seed + face * 100 + level;
            file += half || single ? FloatTexels(levelSeed, bytes, half) : NoiseBytes(levelSeed, bytes);
        }
    }
    return file;
}

void AddDdss(Files& files)
{
    uint32_t seed = 9000;
    for (const DdsFormat& f : kDdsFormats) {
        const std::string prefix = std::string("dds-") + f.name;
        // Mip counts: none given, 0, 1, the full chain, more than it.
        files.push_back({prefix + ".dds", MakeDdsFile(f, 8, 8, 1, DdsKind::Plain, false, 0, 1, seed += 1000)});
        files.push_back({prefix + "-mips0.dds", MakeDdsFile(f, 8, 8, 1, DdsKind::Plain, true, 0, 1, seed += 1000)});
        files.push_back({prefix + "-mips1.dds", MakeDdsFile(f, 8, 8, 1, DdsKind::Plain, true, 1, 1, seed += 1000)});
        files.push_back({prefix + "-mips4.dds", MakeDdsFile(f, 8, 8, 1, DdsKind::Plain, true, 4, 4, seed += 1000)});
        files.push_back({prefix + "-mips9.dds", MakeDdsFile(f, 8, 8, 1, DdsKind::Plain, true, 9, 4, seed += 1000)});
        files.push_back({prefix + "-cube.dds", MakeDdsFile(f, 8, 8, 1, DdsKind::Cube, true, 2, 2, seed += 1000)});
        files.push_back({prefix + "-volume.dds", MakeDdsFile(f, 8, 8, 4, DdsKind::Volume, true, 2, 2, seed += 1000)});
        const std::string whole = MakeDdsFile(f, 8, 8, 1, DdsKind::Plain, true, 4, 4, seed += 1000);
        files.push_back({prefix + "-cut-data.dds", whole.substr(0, whole.size() - 3)});
    }
    // Sides that are not multiples of the blocks.
    const auto format = [](const std::string& name) {
        return *std::find_if(std::begin(kDdsFormats), std::end(kDdsFormats),
                             [&](const DdsFormat& f) { return f.name == name; });
    };
    files.push_back(
        {"dds-dxt1-6x2.dds", MakeDdsFile(format("dxt1"), 6, 2, 1, DdsKind::Plain, true, 1, 1, seed += 1000)});
    files.push_back(
        {"dds-dxt5-2x8.dds", MakeDdsFile(format("dxt5"), 2, 8, 1, DdsKind::Plain, true, 1, 1, seed += 1000)});
}

// ---- PNG ----

void PngChunk(std::string& file, const char* type, const std::string& data)
{
    const std::string chunk = type + data;
    PutBig32(file, static_cast<uint32_t>(data.size()));
    file += chunk;
    PutBig32(
        file,
        static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(chunk.data()), static_cast<uInt>(chunk.size()))));
}

std::string MakePngFile(uint32_t width, uint32_t height, uint32_t depth, uint32_t colorType, const std::string& trns,
                        uint32_t seed, bool interlaced)
{
    const uint32_t channels = colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
    std::string header;
    PutBig32(header, width);
    PutBig32(header, height);
    Put8(header, depth);
    Put8(header, colorType);
    Put16(header, 0);
    Put8(header, interlaced ? 1 : 0);
    std::string raw;
    const auto addRows = [&](uint32_t w, uint32_t h) {
        const size_t rowBytes = (size_t{w} * channels * depth + 7) / 8;
        for (uint32_t y = 0; y < h; ++y) {
            raw.push_back(static_cast<char>(y % 5)); // each of the row filters
            raw += NoiseBytes(seed++, rowBytes);
        }
    };
    if (!interlaced) {
        addRows(width, height);
    } else {
        static const uint32_t kPass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                             {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
        for (const auto& p : kPass) {
            const uint32_t w = width > p[0] ? (width - p[0] + p[2] - 1) / p[2] : 0;
            const uint32_t h = height > p[1] ? (height - p[1] + p[3] - 1) / p[3] : 0;
            if (w > 0 && h > 0) addRows(w, h);
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
             static_cast<uLong>(raw.size()));
    packed.resize(packedSize);
    std::string file = "\x89PNG\r\n\x1a\n";
    PngChunk(file, "IHDR", header);
    if (colorType == 3) PngChunk(file, "PLTE", NoiseBytes(seed + 500, 3u << std::min(depth, 8u)));
    if (!trns.empty()) PngChunk(file, "tRNS", trns);
    PngChunk(file, "tEXt", std::string("Comment\0catalogue", 17));
    PngChunk(file, "IDAT", packed);
    PngChunk(file, "IEND", "");
    return file;
}

void AddPngs(Files& files)
{
    const std::map<uint32_t, std::vector<uint32_t>> depths = {
        {0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
    uint32_t seed = 40000;
    for (const auto& [colorType, list] : depths) {
        for (uint32_t depth : list) {
            const std::string name = "png-c" + std::to_string(colorType) + "-" + std::to_string(depth);
            files.push_back({name + ".png", MakePngFile(8, 4, depth, colorType, "", seed += 100, false)});
            files.push_back({name + "-interlaced.png", MakePngFile(8, 4, depth, colorType, "", seed += 100, true)});
            std::string trns;
            if (colorType == 0) {
                PutBig32(trns, 1);
                trns = trns.substr(2);
            } else if (colorType == 2) {
                for (int i = 0; i < 3; ++i) trns += std::string("\0\x01", 2);
            } else if (colorType == 3) {
                trns = NoiseBytes(seed + 7, 2); // fewer entries than the palette: the rest are opaque
            }
            if (!trns.empty())
                files.push_back({name + "-trns.png", MakePngFile(8, 4, depth, colorType, trns, seed += 100, false)});
        }
    }
}

// ---- JPEG ----

void AddJpegs(Files& files)
{
    const portable::Texels image = portable::Pattern(16, 8);
    files.push_back({"jpeg-color.jpg", portable::MakeJpeg(image)});
    files.push_back({"jpeg-grey.jpg", portable::MakeJpeg(image, true)});
    files.push_back({"jpeg-progressive.jpg", portable::MakeJpeg(image, false, true)});
}

// ---- Damaged files ----

// Each kind's first file cut inside its header and just after it, and one
// with its header's sizes out of range.
void AddDamaged(Files& files)
{
    std::map<std::string, std::string> firsts;
    for (const auto& [name, bytes] : files) {
        const std::string kind = name.substr(0, name.find('-'));
        if (!firsts.count(kind)) firsts[kind] = bytes;
    }
    Files damaged;
    for (const auto& [kind, bytes] : firsts) {
        for (size_t cut : {size_t{2}, size_t{10}, size_t{17}, size_t{30}, size_t{60}, size_t{127}}) {
            if (cut < bytes.size())
                damaged.push_back({"cut-" + kind + "-" + std::to_string(cut) + ".bin", bytes.substr(0, cut)});
        }
    }
    const auto patched = [&](const std::string& source, size_t at, std::string with) {
        for (const auto& [name, bytes] : files) {
            if (name == source) return bytes.substr(0, at) + with + bytes.substr(at + with.size());
        }
        return std::string();
    };
    damaged.push_back({"bad-bmp-header-size.bmp", patched("bmp-h40-24.bmp", 14, std::string("\x50\0\0\0", 4))});
    damaged.push_back({"bad-bmp-planes.bmp", patched("bmp-h40-24.bmp", 26, std::string("\x02\0", 2))});
    damaged.push_back({"bad-bmp-zero-width.bmp", patched("bmp-h40-24.bmp", 18, std::string("\0\0\0\0", 4))});
    damaged.push_back({"bad-bmp-offset.bmp", patched("bmp-h40-24.bmp", 10, std::string("\xff\xff\0\0", 4))});
    damaged.push_back({"bad-tga-zero-height.tga", patched("tga-t2-24-o0-a0.tga", 14, std::string("\0\0", 2))});
    damaged.push_back({"bad-tga-map-type.tga", patched("tga-t2-24-o0-a0.tga", 1, std::string("\x02", 1))});
    damaged.push_back({"bad-dds-header-size.dds", patched("dds-a8r8g8b8.dds", 4, std::string("\x7b", 1))});
    damaged.push_back({"bad-dds-pixel-format-size.dds", patched("dds-a8r8g8b8.dds", 76, std::string("\x18", 1))});
    damaged.push_back({"bad-dds-fourcc.dds", patched("dds-dxt1.dds", 84, "DXT9")});
    damaged.push_back({"bad-png-crc.png", patched("png-c2-8.png", 29, "\x01")});
    damaged.push_back({"bad-png-depth.png", patched("png-c2-8.png", 24, "\x03")});
    files.insert(files.end(), damaged.begin(), damaged.end());
    for (const auto& [name, bytes] : Files(files)) {
        if (name == "png-c6-8.png") files.push_back({"cut-png-data.png", bytes.substr(0, bytes.size() - 20)});
        if (name == "jpeg-color.jpg") files.push_back({"cut-jpeg-data.jpg", bytes.substr(0, bytes.size() / 2)});
        if (name == "tga-t10-24-o0-a0.tga") files.push_back({"cut-tga-data.tga", bytes.substr(0, bytes.size() - 5)});
        if (name == "bmp-h40-rle8-palette0.bmp")
            files.push_back({"cut-bmp-rle.bmp", bytes.substr(0, bytes.size() - 6)});
    }
}

// Wine's X file reader holds a few hundred texture names per file at most.
constexpr size_t kFilesPerModel = 200;

std::string Model(const Files& files)
{
    const std::string count = std::to_string(files.size());
    std::string model = "xof 0303txt 0032\nMesh Catalogue {\n " + std::to_string(3 * files.size()) + ";\n";
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string x = std::to_string(i);
        model += " " + x + ".0;0.0;0.0;, " + x + ".0;1.0;0.0;, " + x + ".5;0.0;1.0;"
            + (i + 1 < files.size() ? ",\n" : ";\n");
    }
    model += " " + count + ";\n";
    for (size_t i = 0; i < files.size(); ++i) {
        model += " 3;" + std::to_string(3 * i) + "," + std::to_string(3 * i + 1) + "," + std::to_string(3 * i + 2) + ";"
            + (i + 1 < files.size() ? ",\n" : ";\n");
    }
    model += " MeshMaterialList {\n  " + count + ";\n  " + count + ";\n  ";
    for (size_t i = 0; i < files.size(); ++i) model += std::to_string(i) + (i + 1 < files.size() ? ", " : ";;\n");
    for (const auto& file : files) {
        model += "  Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; TextureFilename { \"" + file.first
            + "\"; } }\n";
    }
    return model + " }\n}\n";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: texture_catalogue OUTPUT_DIR\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    Files files;
    AddBmps(files);
    AddTgas(files);
    AddDdss(files);
    AddPngs(files);
    AddJpegs(files);
    AddDamaged(files);
    for (const auto& [name, bytes] : files) std::ofstream(out / name, std::ios::binary) << bytes;
    for (size_t first = 0, n = 0; first < files.size(); first += kFilesPerModel, ++n) {
        const size_t end = std::min(files.size(), first + kFilesPerModel);
        std::ofstream(out / ("textures-" + std::to_string(n) + ".x"), std::ios::binary)
            << Model(Files(files.begin() + static_cast<ptrdiff_t>(first), files.begin() + static_cast<ptrdiff_t>(end)));
    }
    std::printf("%zu image files\n", files.size());
    return 0;
}
