#include "platform/portable/d3dx/xfile/source.h"

#include "platform/portable/d3dx/xfile/mszip.h"
#include "platform/portable/d3dx/xfile/result.h"

namespace portable {

HRESULT OpenXFileSource(const char* data, size_t size, XFileSource& source)
{
    source = XFileSource{};
    xformat::Header header;
    switch (xformat::ReadHeader(data, size, header)) {
    case xformat::HeaderFault::None: break;
    case xformat::HeaderFault::Magic:
    case xformat::HeaderFault::Format: return D3DXFERR_BADFILETYPE;
    case xformat::HeaderFault::Version: return D3DXFERR_BADFILEVERSION;
    case xformat::HeaderFault::FloatSize: return D3DXFERR_BADFILEFLOATSIZE;
    }
    source.encoding = header.encoding;
    source.binary = xformat::IsBinary(header.encoding);
    source.floatBits = header.floatBits;

    if (xformat::IsCompressed(header.encoding)) {
        const HRESULT inflated = InflateMsZip(reinterpret_cast<const uint8_t*>(data + xformat::kHeaderSize),
                                              size - xformat::kHeaderSize, source.inflated);
        if (FAILED(inflated)) {
            XInflatedBytes().swap(source.inflated);
            return inflated;
        }
        source.body = source.inflated.data();
        source.bodySize = source.inflated.size();
    } else {
        source.body = data + xformat::kHeaderSize;
        source.bodySize = size - xformat::kHeaderSize;
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
