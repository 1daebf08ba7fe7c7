#include "platform/portable/d3dx/font/text.h"

namespace portable {

namespace {
constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kMaxCodePoint = 0x10FFFF;

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}
} // namespace

void DecodeWideText(LPCWSTR text, INT count, std::u32string& decoded)
{
    decoded.clear();
    if (text == nullptr) return;
    size_t length = 0;
    if (count < 0) {
        while (text[length] != 0) ++length;
    } else {
        length = static_cast<size_t>(count);
    }
    decoded.reserve(length);

    for (size_t i = 0; i < length; ++i) {
        const auto c = static_cast<char32_t>(static_cast<std::make_unsigned_t<WCHAR>>(text[i]));
        if (IsHighSurrogate(c) && i + 1 < length) {
            const auto next = static_cast<char32_t>(static_cast<std::make_unsigned_t<WCHAR>>(text[i + 1]));
            if (IsLowSurrogate(next)) {
                decoded += 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
                ++i;
                continue;
            }
        }
        decoded += (IsHighSurrogate(c) || IsLowSurrogate(c) || c > kMaxCodePoint) ? kReplacement : c;
    }
}

std::u32string DecodeWideText(LPCWSTR text, INT count)
{
    std::u32string decoded;
    DecodeWideText(text, count, decoded);
    return decoded;
}

std::string Utf8FromWide(LPCWSTR text)
{
    std::string out;
    for (char32_t c : DecodeWideText(text, -1)) AppendUtf8(out, c);
    return out;
}

} // namespace portable
