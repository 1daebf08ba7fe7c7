#include "tools/modelgen/icon.h"

#include <stdexcept>
#include <string>

#include "tools/modelgen/ico_writer.h"
#include "tools/modelgen/png_writer.h"
#include "tools/modelgen/textures.h"

namespace modelgen {
namespace {
// Divisible by every icon size.
constexpr int kDrawingSize = 768;
} // namespace

std::vector<int> IconPngSizes() { return {16, 32, 48, 64, 128, 256}; }
std::vector<int> IconIcoSizes() { return {16, 32, 48, 256}; }

Image MakeIcon(int size)
{
    if (size <= 0 || kDrawingSize % size != 0) throw std::invalid_argument("icon size must divide 768");
    static const Image drawing = MakeCrateWood(kDrawingSize);
    const int step = kDrawingSize / size;
    Image icon = MakeImage(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Color sum;
            for (int dy = 0; dy < step; ++dy)
                for (int dx = 0; dx < step; ++dx) sum = sum + GetPixel(drawing, x * step + dx, y * step + dy);
            SetPixel(icon, x, y, sum * (1.0f / static_cast<float>(step * step)));
        }
    }
    return icon;
}

std::vector<WrittenFile> WriteIcons(const std::filesystem::path& directory)
{
    std::filesystem::create_directories(directory);
    std::vector<WrittenFile> written;
    const auto write = [&](const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
        WriteFileBytes(path, bytes);
        written.push_back({path, bytes.size()});
    };
    for (const int size : IconPngSizes())
        write(directory / ("walkthrough-" + std::to_string(size) + ".png"), EncodePng(MakeIcon(size)));
    std::vector<Image> images;
    for (const int size : IconIcoSizes()) images.push_back(MakeIcon(size));
    write(directory / "walkthrough.ico", EncodeIco(images));
    return written;
}

} // namespace modelgen
