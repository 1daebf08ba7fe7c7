// PNG encoding of an RGB image (8 bits per channel, no interlace).
#pragma once

#include <cstdint>
#include <vector>

#include "tools/modelgen/image.h"

namespace modelgen {

// Each row gets the filter with the smallest sum of absolute residuals and
// the pixel data is zlib-compressed at a fixed level, so equal images give
// equal files.
std::vector<std::uint8_t> EncodePng(const Image& image);

} // namespace modelgen
