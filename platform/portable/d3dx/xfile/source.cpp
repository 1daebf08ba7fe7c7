#include "platform/portable/d3dx/xfile/source.h"

#include <cstring>

#include "platform/portable/d3dx/xfile/mszip.h"
#include "platform/portable/d3dx/xfile/result.h"

using namespace portable;

namespace portable {

namespace {
constexpr size_t kHeaderSize = 16;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
} // namespace

HRESULT OpenXFileSource(const char* data, size_t size, XFileSource& source)
{
    source = XFileSource{};
    if (data == nullptr || size < kHeaderSize || std::memcmp(data, "xof ", 4) != 0) return D3DXFERR_BADFILETYPE;
    // Version: major "03", any two-digit minor.
    if (data[4] != '0' || data[5] != '3' || !IsDigit(data[6]) || !IsDigit(data[7])) return D3DXFERR_BADFILEVERSION;

    const std::string_view format(data + 8, 4);
    if (format == "txt ") {
        source.encoding = XFileEncoding::Text;
    } else if (format == "bin ") {
        source.encoding = XFileEncoding::Binary;
    } else if (format == "tzip") {
        source.encoding = XFileEncoding::TextCompressed;
    } else if (format == "bzip") {
        source.encoding = XFileEncoding::BinaryCompressed;
    } else {
        return D3DXFERR_BADFILETYPE;
    }
    source.binary = source.encoding == XFileEncoding::Binary || source.encoding == XFileEncoding::BinaryCompressed;

    const std::string_view floatSize(data + 12, 4);
    if (floatSize == "0032") {
        source.floatBits = 32;
    } else if (floatSize == "0064") {
        source.floatBits = 64;
    } else {
        return D3DXFERR_BADFILEFLOATSIZE;
    }

    if (source.encoding == XFileEncoding::TextCompressed || source.encoding == XFileEncoding::BinaryCompressed) {
        const HRESULT inflated =
            InflateMsZip(reinterpret_cast<const uint8_t*>(data + kHeaderSize), size - kHeaderSize, source.inflated);
        if (FAILED(inflated)) {
            XInflatedBytes().swap(source.inflated);
            return inflated;
        }
        source.body = source.inflated.data();
        source.bodySize = source.inflated.size();
    } else {
        source.body = data + kHeaderSize;
        source.bodySize = size - kHeaderSize;
    }
    return S_OK;
}

std::string_view XFileEncodingName(XFileEncoding encoding)
{
    switch (encoding) {
    case XFileEncoding::Text: return "text";
    case XFileEncoding::Binary: return "binary";
    case XFileEncoding::TextCompressed: return "compressed text";
    case XFileEncoding::BinaryCompressed: return "compressed binary";
    }
    return "unknown";
}

} // namespace portable
