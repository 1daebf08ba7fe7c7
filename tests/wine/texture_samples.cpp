// Writes image files of every kind and layout the texture loader reads, some
// damaged ones, and a model "textures.x" whose materials name them all, so
// that xinfo natively and xinfo.exe with the real D3DX can be compared.
//   texture_samples OUTPUT_DIR
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/portable/d3dx/image/test_files.h"

using namespace portable;

namespace {
Texels WithAlpha(Texels image)
{
    for (size_t i = 3; i < image.bgra.size(); i += 4) image.bgra[i] = static_cast<uint8_t>(i * 37);
    return image;
}

std::string NoAlphaBits(std::string tga)
{
    tga[17] = static_cast<char>(tga[17] & 0xf0);
    return tga;
}

// A V4 file with alpha in its texels' top bytes, but no alpha mask (plain RGB).
std::string AlphaBytesWithoutMask(std::string bmp)
{
    for (size_t at : {30, 66}) bmp.replace(at, 4, 4, '\0'); // compression, alpha mask
    return bmp;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: texture_samples OUTPUT_DIR\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    const Texels opaque = Pattern(6, 5);
    const Texels alpha = WithAlpha(Pattern(6, 5));
    std::vector<std::pair<std::string, std::string>> files = {
        {"bmp1.bmp", MakeBmp(opaque, BmpLayout{1})},
        {"bmp4.bmp", MakeBmp(opaque, BmpLayout{4})},
        {"bmp8.bmp", MakeBmp(opaque, BmpLayout{8})},
        {"bmp8-core.bmp", MakeBmp(opaque, BmpLayout{8, 12})},
        {"bmp16.bmp", MakeBmp(opaque, BmpLayout{16})},
        {"bmp16-565.bmp", MakeBmp(opaque, BmpLayout{16, 40, 0xf800, 0x7e0, 0x1f, 0})},
        {"bmp24.bmp", MakeBmp(opaque, BmpLayout{24})},
        {"bmp24-top-down.bmp", MakeBmp(opaque, BmpLayout{24, 40, 0, 0, 0, 0, true})},
        {"bmp24-core.bmp", MakeBmp(opaque, BmpLayout{24, 12})},
        {"bmp32.bmp", MakeBmp(alpha, BmpLayout{32})},
        {"bmp32-v5-alpha.bmp", MakeBmp(alpha, BmpLayout{32, 124, 0xff0000, 0xff00, 0xff, 0xff000000})},
        {"bmp32-v4-no-alpha.bmp", MakeBmp(opaque, BmpLayout{32, 108, 0xff0000, 0xff00, 0xff, 0})},
        {"bmp32-alpha-bytes.bmp",
         AlphaBytesWithoutMask(MakeBmp(alpha, BmpLayout{32, 108, 0xff0000, 0xff00, 0xff, 0xff000000}))},
        {"tga8.tga", MakeTga(opaque, 8, false, false)},
        // Wine's D3DX refuses 16-bit BMP and TGA files with an alpha bit, which
        // Windows' reads, and reports an RLE BMP now with alpha, now without:
        // those are left to the unit tests.
        {"tga16.tga", NoAlphaBits(MakeTga(opaque, 16, false, false))},
        {"tga24.tga", MakeTga(opaque, 24, false, false)},
        {"tga24-rle.tga", MakeTga(opaque, 24, false, true)},
        {"tga32.tga", MakeTga(alpha, 32, true, false)},
        {"tga-mapped.tga", MakeMappedTga()},
        {"png-grey.png", MakePng(opaque, 1)},
        {"png-rgb.png", MakePng(opaque, 3)},
        {"png-rgba.png", MakePng(alpha, 4)},
        {"png-interlaced.png", MakePng(alpha, 4, true)},
        {"jpeg.jpg", MakeJpeg(opaque)},
        {"jpeg-grey.jpg", MakeJpeg(opaque, true)},
        {"jpeg-progressive.jpg", MakeJpeg(opaque, false, true)},
        {"dds-mips.dds", MakeDds(4, 2, DdsLayout{}, {std::string(32, '\x40'), std::string(8, '\x80'), "abcd"})},
    };
    // DDS formats by their masks, reported as the file's own.
    const DdsLayout maskLayouts[] = {
        {0, 16, 0xf00, 0xf0, 0xf, 0},                    // X4R4G4B4
        {0, 8, 0xe0, 0x1c, 0x3, 0},                      // R3G3B2
        {0, 16, 0xe0, 0x1c, 0x3, 0xff00},                // A8R3G3B2
        {0, 32, 0x3ff, 0xffc00, 0x3ff00000, 0xc0000000}, // A2R10G10B10 to D3DX
        {0, 32, 0x3ff00000, 0xffc00, 0x3ff, 0xc0000000}, // A2R10G10B10
        {0, 32, 0xffff, 0xffff0000, 0, 0},               // G16R16
        {0, 16, 0xffff, 0, 0, 0, true},                  // L16
        {0, 8, 0xf, 0, 0, 0xf0, true},                   // A4L4
    };
    for (size_t i = 0; i < std::size(maskLayouts); ++i) {
        const DdsLayout& layout = maskLayouts[i];
        files.push_back({"dds-masks-" + std::to_string(i) + ".dds",
                         MakeDds(4, 4, layout, {std::string(16 * layout.bitCount / 8, '\x5a')})});
    }
    // Damaged files: cut short, or claiming more than they hold.
    const std::string png = MakePng(opaque, 3), jpeg = MakeJpeg(Pattern(64, 64));
    std::string claim = MakePng(Pattern(16, 4), 3);
    claim[16] = 0, claim[17] = 0, claim[18] = 0x40, claim[19] = 0; // 16384 wide
    claim[20] = 0, claim[21] = 0, claim[22] = 0x10, claim[23] = 0; // 4096 high
    std::string tallBmp = MakeBmp(opaque, 24);
    tallBmp[22] = 100;
    files.insert(files.end(),
                 {
                     {"cut.png", png.substr(0, png.size() / 2)},
                     {"cut.jpg", jpeg.substr(0, jpeg.size() / 2)},
                     {"claims-large.png", claim},
                     {"claims-rows.bmp", tallBmp},
                     {"cut.tga", MakeTga(opaque, 24, false, false).substr(0, 40)},
                     {"notes.bmp", "these are notes"},
                 });

    std::string model = "xof 0303txt 0032\nMesh Samples {\n " + std::to_string(3 * files.size()) + ";\n";
    for (size_t i = 0; i < files.size(); ++i) {
        model += " " + std::to_string(i) + ".0;0.0;0.0;, " + std::to_string(i) + ".0;1.0;0.0;, " + std::to_string(i)
            + ".5;0.0;1.0;" + (i + 1 < files.size() ? ",\n" : ";\n");
    }
    model += " " + std::to_string(files.size()) + ";\n";
    for (size_t i = 0; i < files.size(); ++i) {
        model += " 3;" + std::to_string(3 * i) + "," + std::to_string(3 * i + 1) + "," + std::to_string(3 * i + 2) + ";"
            + (i + 1 < files.size() ? ",\n" : ";\n");
    }
    model +=
        " MeshMaterialList {\n  " + std::to_string(files.size()) + ";\n  " + std::to_string(files.size()) + ";\n  ";
    for (size_t i = 0; i < files.size(); ++i) model += std::to_string(i) + (i + 1 < files.size() ? ", " : ";;\n");
    for (const auto& [name, bytes] : files) {
        model +=
            "  Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; TextureFilename { \"" + name + "\"; } }\n";
        std::ofstream(out / name, std::ios::binary) << bytes;
    }
    model += " }\n}\n";
    std::ofstream(out / "textures.x", std::ios::binary) << model;
    return 0;
}
