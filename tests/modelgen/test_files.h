// File helpers for the modelgen tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"

namespace modelgen_test {

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);

struct DecodedImage {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<std::uint8_t> rgb; // empty when decoding failed
};
// Decodes PNG bytes with libspng into RGB; channels are the file's.
DecodedImage DecodeImage(const std::vector<std::uint8_t>& bytes);

} // namespace modelgen_test
