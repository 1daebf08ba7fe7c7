#include "tests/modelgen/test_files.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include <spng.h>

namespace modelgen_test {

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot open " + path.string());
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

DecodedImage DecodeImage(const std::vector<std::uint8_t>& bytes)
{
    DecodedImage image;
    spng_ctx* context = spng_ctx_new(0);
    if (context == nullptr) return image;
    spng_ihdr header{};
    size_t size = 0;
    if (spng_set_png_buffer(context, bytes.data(), bytes.size()) == 0 && spng_get_ihdr(context, &header) == 0
        && spng_decoded_image_size(context, SPNG_FMT_RGB8, &size) == 0) {
        std::vector<std::uint8_t> rgb(size);
        if (spng_decode_image(context, rgb.data(), rgb.size(), SPNG_FMT_RGB8, 0) == 0) {
            image.width = static_cast<int>(header.width);
            image.height = static_cast<int>(header.height);
            const int channels[7] = {1, 0, 3, 3, 2, 0, 4}; // by color type
            image.channels = header.color_type <= 6 ? channels[header.color_type] : 0;
            image.rgb = std::move(rgb);
        }
    }
    spng_ctx_free(context);
    return image;
}

} // namespace modelgen_test
