// The encodings of a DirectX .x file and their 16-byte headers.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace modelgen {

enum class XFormat { Text, Binary };

struct XEncoding {
    XFormat format = XFormat::Text;
    bool compressed = false; // MSZIP ("tzip" / "bzip")
    int floatBits = 32;      // 32 or 64
};

bool operator==(const XEncoding& a, const XEncoding& b);

// Names: text, text64, bin32, bin64, tzip32, tzip64, bzip32, bzip64.
std::optional<XEncoding> ParseXEncoding(std::string_view name);
std::string XEncodingName(const XEncoding& encoding);
const std::vector<XEncoding>& AllXEncodings();

// "xof 0303txt 0032" and its kin.
std::string XFileHeader(const XEncoding& encoding);

} // namespace modelgen
