// File helpers for the modelgen tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace modelgen_test {

// A fresh empty folder, removed again by the destructor.
struct TempFolder {
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::filesystem::path path;
};

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);

struct DecodedImage {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<std::uint8_t> rgb;  // empty when decoding failed
};
// Decodes PNG bytes with libspng into RGB; channels are the file's.
DecodedImage DecodeImage(const std::vector<std::uint8_t>& bytes);

}  // namespace modelgen_test
