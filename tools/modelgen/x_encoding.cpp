#include "tools/modelgen/x_encoding.h"

#include "platform/portable/d3dx/xfile/format.h"

namespace modelgen {

bool operator==(const XEncoding& a, const XEncoding& b)
{
    return a.format == b.format && a.compressed == b.compressed && a.floatBits == b.floatBits;
}

const std::vector<XEncoding>& AllXEncodings()
{
    static const std::vector<XEncoding> all = {
        {XFormat::Text, false, 32},   {XFormat::Text, false, 64},  {XFormat::Binary, false, 32},
        {XFormat::Binary, false, 64}, {XFormat::Text, true, 32},   {XFormat::Text, true, 64},
        {XFormat::Binary, true, 32},  {XFormat::Binary, true, 64},
    };
    return all;
}

std::string XEncodingName(const XEncoding& encoding)
{
    if (encoding.format == XFormat::Text && !encoding.compressed) return encoding.floatBits == 64 ? "text64" : "text";
    std::string name = encoding.format == XFormat::Text ? "tzip" : (encoding.compressed ? "bzip" : "bin");
    return name + (encoding.floatBits == 64 ? "64" : "32");
}

std::optional<XEncoding> ParseXEncoding(std::string_view name)
{
    for (const XEncoding& encoding : AllXEncodings())
        if (XEncodingName(encoding) == name) return encoding;
    return std::nullopt;
}

std::string XFileHeader(const XEncoding& encoding)
{
    using xformat::Encoding;
    xformat::Header header;
    if (encoding.format == XFormat::Text)
        header.encoding = encoding.compressed ? Encoding::TextCompressed : Encoding::Text;
    else
        header.encoding = encoding.compressed ? Encoding::BinaryCompressed : Encoding::Binary;
    header.floatBits = encoding.floatBits == 64 ? 64 : 32;
    return xformat::HeaderText(header);
}

} // namespace modelgen
