#include "tests/modelgen/test_files.h"

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#include <stb/stb_image.h>

namespace modelgen_test {

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    path = std::filesystem::temp_directory_path() /
           ("modelgen_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot open " + path.string());
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

DecodedImage DecodeImage(const std::vector<std::uint8_t>& bytes) {
    DecodedImage image;
    unsigned char* pixels = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &image.width,
                                                  &image.height, &image.channels, 3);
    if (pixels == nullptr) return image;
    image.rgb.assign(pixels, pixels + static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3);
    stbi_image_free(pixels);
    return image;
}

}  // namespace modelgen_test
