// Windows icon files (.ico): one image per size, the largest (256 pixels) as
// PNG, the others as 32-bit bitmaps with an empty mask.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/modelgen/image.h"

namespace modelgen {

// Each image square, 1 to 256 pixels; all opaque.
std::vector<std::uint8_t> EncodeIco(const std::vector<Image>& images);

} // namespace modelgen
