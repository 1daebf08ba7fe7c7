// Scaling of B, G, R, A texel arrays: box-filtered mip levels and resizing.
#pragma once

#include <cstdint>
#include <vector>

namespace portable {

// The next mip level: each texel the rounded mean of a 2x2 block (2x1 or 1x2
// once a side is 1). An odd side repeats its last row or column.
std::vector<uint8_t> BoxDownsample(const std::vector<uint8_t>& source, uint32_t width, uint32_t height,
                                   uint32_t targetWidth, uint32_t targetHeight);

// Resizes to any size: the mean of the covered texels when shrinking,
// bilinear between texel centres when growing.
std::vector<uint8_t> Resample(const std::vector<uint8_t>& source, uint32_t width, uint32_t height, uint32_t targetWidth,
                              uint32_t targetHeight);

// One axis of a resize: for each target position, the source positions
// first .. first + count - 1 and their weights.
struct ResampleTap {
    uint32_t first = 0;
    uint32_t count = 0;
    std::vector<float> weights;
};
std::vector<ResampleTap> ResampleTaps(uint32_t from, uint32_t to);

// Smallest power of two not below `value` (at least 1).
uint32_t NextPowerOfTwo(uint32_t value);
// Number of levels down to 1x1.
uint32_t FullMipCount(uint32_t width, uint32_t height);

} // namespace portable
