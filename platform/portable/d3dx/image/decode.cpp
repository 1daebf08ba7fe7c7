#include "platform/portable/d3dx/image/decode.h"

#include <algorithm>
#include <cstring>

namespace portable {

namespace {
void Emit(RowCollector& collector, const float* sums)
{
    const size_t start = collector.bgra.size();
    collector.bgra.resize(start + size_t{collector.width} * 4);
    uint8_t* out = collector.bgra.data() + start;
    for (size_t i = 0; i < size_t{collector.width} * 4; ++i) {
        out[i] = static_cast<uint8_t>(std::clamp(sums[i] + 0.5f, 0.0f, 255.0f));
    }
}

// Adds one source row, already resized across (null: a blank row), to the
// output rows it falls in, and emits those it completes.
void Accumulate(RowCollector& collector, const float* wide)
{
    const uint32_t y = collector.received++;
    const size_t count = size_t{collector.width} * 4;
    if (collector.height == collector.sourceHeight) {
        if (wide != nullptr) {
            Emit(collector, wide);
        } else {
            collector.bgra.resize(collector.bgra.size() + count, 0);
        }
        return;
    }
    for (uint32_t t = collector.nextRow; t < collector.height && collector.rows[t].first <= y; ++t) {
        const ResampleTap& tap = collector.rows[t];
        if (y >= tap.first + tap.count) continue;
        std::vector<float>& sums = collector.sums[t & 1];
        if (y == tap.first) std::fill(sums.begin(), sums.end(), 0.0f);
        if (wide == nullptr) continue;
        const float weight = tap.weights[y - tap.first];
        for (size_t i = 0; i < count; ++i) sums[i] += wide[i] * weight;
    }
    while (collector.nextRow < collector.height) {
        const ResampleTap& tap = collector.rows[collector.nextRow];
        if (tap.first + tap.count - 1 > y) break;
        Emit(collector, collector.sums[collector.nextRow & 1].data());
        ++collector.nextRow;
    }
}

using Decoder = HRESULT (*)(const uint8_t*, size_t, const ImageFit*, DecodedImage&);

// JPEG files may put fill bytes before their start marker.
bool IsJpeg(const uint8_t* data, size_t size)
{
    if (size < 2 || data[0] != 0xff) return false;
    size_t pos = 1;
    while (pos < size && data[pos] == 0xff) ++pos;
    return pos < size && data[pos] == 0xd8;
}

// By signature; TGA files have none, so whatever else is left is tried as one.
Decoder DecoderFor(const uint8_t* data, size_t size)
{
    if (size >= 4 && std::memcmp(data, "DDS ", 4) == 0) return DecodeDds;
    if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0) return DecodePng;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return DecodeBmp;
    if (IsJpeg(data, size)) return DecodeJpeg;
    return DecodeTga;
}
} // namespace

HRESULT ReadImageInfo(const uint8_t* data, size_t size, ImageInfo& info)
{
    info = ImageInfo{};
    if (data == nullptr || size == 0) return D3DXERR_INVALIDDATA;
    DecodedImage image;
    const HRESULT result = DecoderFor(data, size)(data, size, nullptr, image);
    if (SUCCEEDED(result)) info = image.info;
    return result;
}

HRESULT DecodeImage(const uint8_t* data, size_t size, const ImageFit& fit, DecodedImage& image)
{
    image = DecodedImage{};
    if (data == nullptr || size == 0) return D3DXERR_INVALIDDATA;
    const HRESULT result = DecoderFor(data, size)(data, size, &fit, image);
    if (FAILED(result)) image = DecodedImage{};
    return result;
}

RowCollector StartRows(uint32_t sourceWidth, uint32_t sourceHeight, uint32_t fitWidth, uint32_t fitHeight,
                       bool bottomUp)
{
    RowCollector collector;
    collector.sourceWidth = sourceWidth;
    collector.sourceHeight = sourceHeight;
    collector.width = std::max(1u, std::min(sourceWidth, fitWidth));
    collector.height = std::max(1u, std::min(sourceHeight, fitHeight));
    collector.bottomUp = bottomUp;
    const bool reduced = collector.width < sourceWidth || collector.height < sourceHeight;
    if (collector.width < sourceWidth) collector.columns = ResampleTaps(sourceWidth, collector.width);
    if (collector.height < sourceHeight) {
        collector.rows = ResampleTaps(sourceHeight, collector.height);
        for (std::vector<float>& sums : collector.sums) sums.assign(size_t{collector.width} * 4, 0.0f);
    }
    if (reduced) collector.wide.assign(size_t{collector.width} * 4, 0.0f);
    return collector;
}

void ReserveRows(RowCollector& collector) { collector.bgra.reserve(size_t{collector.width} * collector.height * 4); }

void AddRow(RowCollector& collector, const uint8_t* bgra)
{
    if (collector.received >= collector.sourceHeight) return;
    if (collector.wide.empty()) {
        // Kept as it is.
        ++collector.received;
        collector.bgra.insert(collector.bgra.end(), bgra, bgra + size_t{collector.width} * 4);
        return;
    }
    float* wide = collector.wide.data();
    if (collector.columns.empty()) {
        for (size_t i = 0; i < size_t{collector.width} * 4; ++i) wide[i] = bgra[i];
    } else {
        for (uint32_t x = 0; x < collector.width; ++x) {
            const ResampleTap& tap = collector.columns[x];
            float sum[4] = {};
            for (uint32_t s = 0; s < tap.count; ++s) {
                const uint8_t* texel = bgra + size_t{tap.first + s} * 4;
                for (int k = 0; k < 4; ++k) sum[k] += texel[k] * tap.weights[s];
            }
            std::copy(sum, sum + 4, wide + size_t{x} * 4);
        }
    }
    Accumulate(collector, wide);
}

void AddBlankRows(RowCollector& collector, uint32_t count)
{
    count = std::min(count, RowsLeft(collector));
    if (collector.wide.empty()) {
        collector.received += count;
        collector.bgra.resize(collector.bgra.size() + size_t{count} * collector.width * 4, 0);
        return;
    }
    for (uint32_t i = 0; i < count; ++i) Accumulate(collector, nullptr);
}

ImageLevel FinishRows(RowCollector& collector)
{
    AddBlankRows(collector, RowsLeft(collector));
    ImageLevel level;
    level.width = collector.width;
    level.height = collector.height;
    level.bgra = std::move(collector.bgra);
    if (collector.bottomUp) {
        const size_t rowBytes = size_t{level.width} * 4;
        for (size_t top = 0, bottom = level.height - 1; top < bottom; ++top, --bottom) {
            std::swap_ranges(level.bgra.begin() + static_cast<ptrdiff_t>(top * rowBytes),
                             level.bgra.begin() + static_cast<ptrdiff_t>((top + 1) * rowBytes),
                             level.bgra.begin() + static_cast<ptrdiff_t>(bottom * rowBytes));
        }
    }
    collector = RowCollector{};
    return level;
}

} // namespace portable
