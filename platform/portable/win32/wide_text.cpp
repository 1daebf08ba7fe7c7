// Text: wide strings to UTF-8, and MultiByteToWideChar.
#include "platform/portable/win32/wide_text.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "platform/portable/win32/api.h"
#include "platform/portable/win32/api_guard.h"

using namespace portable;

namespace portable {

namespace {
constexpr uint32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool IsHighSurrogate(uint32_t code) { return code >= 0xD800 && code <= 0xDBFF; }
bool IsLowSurrogate(uint32_t code) { return code >= 0xDC00 && code <= 0xDFFF; }
} // namespace

std::string WideToUtf8(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t code = static_cast<uint32_t>(text[i]);
        if (IsHighSurrogate(code) && i + 1 < text.size() && IsLowSurrogate(static_cast<uint32_t>(text[i + 1]))) {
            code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<uint32_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(code) || IsLowSurrogate(code) || code > 0x10FFFF) {
            code = kReplacement;
        }
        AppendUtf8(out, code);
    }
    return out;
}

} // namespace portable

// MultiByteToWideChar. The ANSI code page (CP_ACP) is Windows-1252, the code
// page of Western Windows systems, on which 8-bit names in data files are
// written; UTF-8 is decoded only when CP_UTF8 is asked for. Wide characters
// are 32 bits here, so each code point takes one.
namespace {
constexpr UINT kThreadAnsiCodePage = 3;
constexpr UINT kWindows1252 = 1252;
constexpr UINT kLatin1 = 28591;
constexpr DWORD kPrecomposed = 0x1;
constexpr DWORD kUseGlyphChars = 0x4;
constexpr DWORD kErrorOnInvalid = 0x8;
constexpr wchar_t kReplacement = 0xFFFD;

// Bytes 0x80-0x9F; the five the code page leaves undefined map to the C1 controls, as on Windows.
constexpr wchar_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::wstring DecodeWindows1252(const unsigned char* bytes, size_t count)
{
    std::wstring text(count, L'\0');
    for (size_t i = 0; i < count; ++i)
        text[i] = bytes[i] >= 0x80 && bytes[i] < 0xA0 ? kWindows1252High[bytes[i] - 0x80] : bytes[i];
    return text;
}

std::wstring DecodeLatin1(const unsigned char* bytes, size_t count)
{
    std::wstring text(count, L'\0');
    for (size_t i = 0; i < count; ++i) text[i] = bytes[i];
    return text;
}

// The length of the valid UTF-8 sequence at the start of bytes and its code
// point, or 0 when it is invalid (overlong, surrogate, beyond U+10FFFF,
// truncated); for an invalid one, skip is the length of the maximal
// subpart to replace by one U+FFFD.
size_t DecodeUtf8Sequence(const unsigned char* bytes, size_t count, char32_t& code, size_t& skip)
{
    const unsigned char lead = bytes[0];
    skip = 1;
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if (i >= count) return 0;
        const unsigned char next = bytes[i];
        if (next < low || next > high) return 0;
        low = 0x80;
        high = 0xBF;
        code = (code << 6) | (next & 0x3F);
        skip = i + 1;
    }
    return length;
}

std::optional<std::wstring> DecodeUtf8(const unsigned char* bytes, size_t count, bool errorOnInvalid)
{
    std::wstring text;
    text.reserve(count);
    size_t i = 0;
    while (i < count) {
        char32_t code = 0;
        size_t skip = 1;
        const size_t length = DecodeUtf8Sequence(bytes + i, count - i, code, skip);
        if (length == 0) {
            if (errorOnInvalid) return std::nullopt;
            text += kReplacement;
            i += skip;
        } else {
            text += static_cast<wchar_t>(code);
            i += length;
        }
    }
    return text;
}

std::optional<std::wstring> Decode(UINT codePage, DWORD flags, const unsigned char* bytes, size_t count)
{
    switch (codePage) {
    case CP_ACP:
    case kThreadAnsiCodePage:
    case kWindows1252:
        if (flags & ~(kPrecomposed | kUseGlyphChars | kErrorOnInvalid)) return std::nullopt;
        return DecodeWindows1252(bytes, count);
    case kLatin1:
        if (flags & ~(kPrecomposed | kUseGlyphChars | kErrorOnInvalid)) return std::nullopt;
        return DecodeLatin1(bytes, count);
    case CP_UTF8:
        if (flags & ~kErrorOnInvalid) return std::nullopt;
        return DecodeUtf8(bytes, count, (flags & kErrorOnInvalid) != 0);
    default: return std::nullopt;
    }
}
} // namespace

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteCount, LPWSTR wide,
                               int wideCount)
{
    return GuardedCall<int>(0, 0, [&]() -> int {
        if (multiByte == nullptr || multiByteCount == 0 || multiByteCount < -1 || wideCount < 0) return 0;
        if (wide == nullptr && wideCount > 0) return 0;
        // A count of -1 reads through the terminator, which is converted too.
        const size_t count = multiByteCount == -1 ? std::strlen(multiByte) + 1 : static_cast<size_t>(multiByteCount);
        const auto* bytes = reinterpret_cast<const unsigned char*>(multiByte);
        if (wide != nullptr && static_cast<const void*>(wide) == static_cast<const void*>(multiByte)) return 0;

        const std::optional<std::wstring> text = Decode(codePage, flags, bytes, count);
        if (!text || text->size() > static_cast<size_t>(INT32_MAX)) return 0;
        const int needed = static_cast<int>(text->size());
        if (wideCount == 0) return needed;
        // Too small a buffer is an error; nothing is written.
        if (needed > wideCount) return 0;
        std::memcpy(wide, text->data(), text->size() * sizeof(wchar_t));
        return needed;
    });
}
