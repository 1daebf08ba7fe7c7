#include "platform/portable/d3dx/image/resample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace portable {

std::vector<uint8_t> BoxDownsample(const std::vector<uint8_t>& source, uint32_t width, uint32_t height,
                                   uint32_t targetWidth, uint32_t targetHeight)
{
    std::vector<uint8_t> out(static_cast<size_t>(targetWidth) * targetHeight * 4);
    const bool halveX = targetWidth < width;
    const bool halveY = targetHeight < height;
    for (uint32_t y = 0; y < targetHeight; ++y) {
        const uint32_t y0 = halveY ? std::min(2 * y, height - 1) : std::min(y, height - 1);
        const uint32_t y1 = halveY ? std::min(2 * y + 1, height - 1) : y0;
        for (uint32_t x = 0; x < targetWidth; ++x) {
            const uint32_t x0 = halveX ? std::min(2 * x, width - 1) : std::min(x, width - 1);
            const uint32_t x1 = halveX ? std::min(2 * x + 1, width - 1) : x0;
            const uint8_t* a = &source[(static_cast<size_t>(y0) * width + x0) * 4];
            const uint8_t* b = &source[(static_cast<size_t>(y0) * width + x1) * 4];
            const uint8_t* c = &source[(static_cast<size_t>(y1) * width + x0) * 4];
            const uint8_t* d = &source[(static_cast<size_t>(y1) * width + x1) * 4];
            uint8_t* texel = &out[(static_cast<size_t>(y) * targetWidth + x) * 4];
            for (int k = 0; k < 4; ++k) texel[k] = static_cast<uint8_t>((a[k] + b[k] + c[k] + d[k] + 2) / 4);
        }
    }
    return out;
}

std::vector<ResampleTap> ResampleTaps(uint32_t from, uint32_t to)
{
    std::vector<ResampleTap> taps(to);
    const double scale = static_cast<double>(from) / to;
    for (uint32_t i = 0; i < to; ++i) {
        ResampleTap& tap = taps[i];
        if (to < from) {
            // Shrinking: the mean over the footprint [i, i + 1) * scale.
            const double start = i * scale;
            const double end = (i + 1) * scale;
            tap.first = static_cast<uint32_t>(std::floor(start));
            const uint32_t last = std::min(from - 1, static_cast<uint32_t>(std::ceil(end)) - 1);
            tap.count = last - tap.first + 1;
            for (uint32_t s = tap.first; s <= last; ++s) {
                const double overlap = std::min<double>(end, s + 1.0) - std::max<double>(start, s);
                tap.weights.push_back(static_cast<float>(overlap / scale));
            }
        } else {
            const double centre = (i + 0.5) * scale - 0.5;
            const double clamped = std::clamp(centre, 0.0, static_cast<double>(from - 1));
            tap.first = static_cast<uint32_t>(std::floor(clamped));
            const double fraction = clamped - tap.first;
            if (tap.first + 1 < from && fraction > 0.0) {
                tap.count = 2;
                tap.weights = {static_cast<float>(1.0 - fraction), static_cast<float>(fraction)};
            } else {
                tap.count = 1;
                tap.weights = {1.0f};
            }
        }
    }
    return taps;
}

namespace {
// One source row resized across into floats.
void ResizeRow(const uint8_t* row, const std::vector<ResampleTap>& columns, float* out)
{
    for (size_t x = 0; x < columns.size(); ++x) {
        const ResampleTap& tap = columns[x];
        float sum[4] = {};
        for (uint32_t s = 0; s < tap.count; ++s) {
            const uint8_t* texel = row + (static_cast<size_t>(tap.first) + s) * 4;
            for (int k = 0; k < 4; ++k) sum[k] += texel[k] * tap.weights[s];
        }
        std::copy(sum, sum + 4, out + x * 4);
    }
}
} // namespace

std::vector<uint8_t> Resample(const std::vector<uint8_t>& source, uint32_t width, uint32_t height, uint32_t targetWidth,
                              uint32_t targetHeight)
{
    if (width == targetWidth && height == targetHeight) return source;
    const std::vector<ResampleTap> columns = ResampleTaps(width, targetWidth);
    const std::vector<ResampleTap> rows = ResampleTaps(height, targetHeight);
    // Horizontal pass into floats a row at a time, then vertical. The rows of
    // one target row follow those of the row before, sharing at most two, so
    // two resized rows are kept: memory beyond the result is a few rows.
    const size_t rowFloats = static_cast<size_t>(targetWidth) * 4;
    std::vector<float> resized[2] = {std::vector<float>(rowFloats), std::vector<float>(rowFloats)};
    uint32_t resizedRow[2] = {UINT32_MAX, UINT32_MAX};
    const auto resizedSourceRow = [&](uint32_t y) -> const float* {
        for (int i = 0; i < 2; ++i) {
            if (resizedRow[i] == y) return resized[i].data();
        }
        // Replaces the older of the two: rows are asked for in rising order.
        const bool firstIsOlder =
            resizedRow[0] == UINT32_MAX || (resizedRow[1] != UINT32_MAX && resizedRow[0] < resizedRow[1]);
        const int i = firstIsOlder ? 0 : 1;
        ResizeRow(&source[static_cast<size_t>(y) * width * 4], columns, resized[i].data());
        resizedRow[i] = y;
        return resized[i].data();
    };
    std::vector<uint8_t> out(static_cast<size_t>(targetWidth) * targetHeight * 4);
    std::vector<float> sums(rowFloats);
    for (uint32_t y = 0; y < targetHeight; ++y) {
        const ResampleTap& tap = rows[y];
        std::fill(sums.begin(), sums.end(), 0.0f);
        for (uint32_t s = 0; s < tap.count; ++s) {
            const float* wide = resizedSourceRow(tap.first + s);
            const float weight = tap.weights[s];
            for (size_t i = 0; i < rowFloats; ++i) sums[i] += wide[i] * weight;
        }
        uint8_t* texel = &out[static_cast<size_t>(y) * rowFloats];
        for (size_t i = 0; i < rowFloats; ++i) {
            texel[i] = static_cast<uint8_t>(std::clamp(sums[i] + 0.5f, 0.0f, 255.0f));
        }
    }
    return out;
}

uint32_t NextPowerOfTwo(uint32_t value)
{
    uint32_t result = 1;
    while (result < value && result < 0x80000000u) result <<= 1;
    return result;
}

uint32_t FullMipCount(uint32_t width, uint32_t height)
{
    uint32_t count = 1;
    while (width > 1 || height > 1) {
        width = std::max(1u, width / 2);
        height = std::max(1u, height / 2);
        ++count;
    }
    return count;
}

} // namespace portable
