// Tokens and values of the text form of .x files.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/portable/d3dx/xfile/decimal_float.h"
#include "platform/portable/d3dx/xfile/token.h"

namespace portable {

namespace xtext {
enum : uint8_t { kSpace = 1, kSeparator = 2, kDelimiter = 4 };

constexpr uint8_t ClassOf(unsigned char c)
{
    switch (c) {
    case ' ': case '\t': case '\r': case '\n': case '\0':
        return kSpace | kDelimiter;
    case ',': case ';':
        return kSeparator | kDelimiter;
    case '{': case '}': case '[': case ']': case '(': case ')': case '<': case '>': case '"': case '#':
        return kDelimiter;
    default:
        return 0;
    }
}

struct ClassTable {
    uint8_t of[256];
    constexpr ClassTable() : of()
    {
        for (int c = 0; c < 256; ++c) of[c] = ClassOf(static_cast<unsigned char>(c));
    }
};

inline constexpr ClassTable kClasses{};
} // namespace xtext

struct XTextReader {
    const char* p;
    const char* end;

    XTextReader(const char* begin, size_t size) : p(begin), end(begin + size) {}

    size_t Remaining() const { return static_cast<size_t>(end - p); }
    // The most values the rest can hold: a digit and a delimiter each, the
    // last without its delimiter.
    size_t MaxValues() const { return (Remaining() + 1) / 2; }

    static uint8_t Class(char c) { return xtext::kClasses.of[static_cast<unsigned char>(c)]; }
    static bool IsSpace(char c) { return (Class(c) & xtext::kSpace) != 0; }
    static bool IsDelimiter(char c) { return (Class(c) & xtext::kDelimiter) != 0; }

    bool AtComment() const { return *p == '#' || (*p == '/' && p + 1 < end && p[1] == '/'); }

    void SkipLine()
    {
        while (p < end && *p != '\n') ++p;
    }

    void SkipSpace()
    {
        for (;;) {
            while (p < end && IsSpace(*p)) ++p;
            if (p >= end || !AtComment()) return;
            SkipLine();
        }
    }

    void SkipSeparators()
    {
        for (;;) {
            while (p < end && (Class(*p) & (xtext::kSpace | xtext::kSeparator)) != 0) ++p;
            if (p >= end || !AtComment()) return;
            SkipLine();
        }
    }

    // The characters of a number or a name, up to the next delimiter.
    std::string_view Word()
    {
        const char* start = p;
        while (p < end && !IsDelimiter(*p) && !(*p == '/' && p + 1 < end && p[1] == '/')) ++p;
        return std::string_view(start, static_cast<size_t>(p - start));
    }

    static bool ParseUnsigned(std::string_view word, uint32_t& value)
    {
        bool negative = false;
        if (!word.empty() && (word[0] == '-' || word[0] == '+')) {
            negative = word[0] == '-';
            word.remove_prefix(1);
        }
        if (word.empty() || word.size() > 10) return false;
        uint64_t result = 0;
        for (char c : word) {
            if (c < '0' || c > '9') return false;
            result = result * 10 + static_cast<uint64_t>(c - '0');
        }
        if (result > 0xffffffffull) return false;
        value = negative ? static_cast<uint32_t>(0u - static_cast<uint32_t>(result)) : static_cast<uint32_t>(result);
        return true;
    }

    static bool ParseFloat(std::string_view word, float& value)
    {
        if (!word.empty() && word[0] == '+') word.remove_prefix(1);
        if (word.empty()) return false;
        const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
        if (result.ec == std::errc::result_out_of_range) {
            // Values beyond the float range: from_chars leaves them alone.
            double wide = 0.0;
            const auto again = std::from_chars(word.data(), word.data() + word.size(), wide);
            if (again.ec != std::errc() || again.ptr != word.data() + word.size()) return false;
            value = static_cast<float>(wide);
            return true;
        }
        return result.ec == std::errc() && result.ptr == word.data() + word.size();
    }

    // True when a word ends at `s`.
    bool AtWordEnd(const char* s) const
    {
        return s >= end || IsDelimiter(*s) || (*s == '/' && s + 1 < end && s[1] == '/');
    }

    // Inlined into the loops that read runs of values.
    [[gnu::always_inline]] bool ReadUInt(uint32_t& value)
    {
        SkipSeparators();
        const char* next = nullptr;
        if (decimal_float::ParseInteger(p, end, value, next) && AtWordEnd(next)) {
            p = next;
            return true;
        }
        return ParseUnsigned(Word(), value);
    }

    [[gnu::always_inline]] bool ReadFloat(float& value)
    {
        SkipSeparators();
        const char* next = nullptr;
        if (decimal_float::Parse(p, end, value, next) && AtWordEnd(next)) {
            p = next;
            return true;
        }
        return ParseFloat(Word(), value);
    }

    // `count` values of one kind into consecutive slots.
    bool ReadUInts(uint32_t* out, size_t count)
    {
        for (size_t i = 0; i < count; ++i) {
            if (!ReadUInt(out[i])) return false;
        }
        return true;
    }

    bool ReadFloats(uint32_t* out, size_t count)
    {
        for (size_t i = 0; i < count; ++i) {
            float value;
            if (!ReadFloat(value)) return false;
            std::memcpy(out + i, &value, sizeof value);
        }
        return true;
    }

    bool ReadString(std::string_view& value)
    {
        SkipSeparators();
        if (p >= end || *p != '"') return false;
        const char* start = ++p;
        while (p < end && *p != '"') ++p;
        if (p >= end) return false;
        value = std::string_view(start, static_cast<size_t>(p - start));
        ++p;
        return true;
    }

    bool EndMembers() { return true; }

    static int HexDigit(char c)
    {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    // "<XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX>", with p on the '<'.
    bool ReadGuid(XGuid& guid)
    {
        static constexpr int kGroups[5] = {8, 4, 4, 4, 12};
        if (end - p < 38 || p[37] != '>') return false;
        const char* q = p + 1;
        uint64_t groups[5] = {};
        for (int g = 0; g < 5; ++g) {
            for (int i = 0; i < kGroups[g]; ++i) {
                const int digit = HexDigit(*q++);
                if (digit < 0) return false;
                groups[g] = (groups[g] << 4) | static_cast<uint64_t>(digit);
            }
            if (g < 4 && *q++ != '-') return false;
        }
        guid.data1 = static_cast<uint32_t>(groups[0]);
        guid.data2 = static_cast<uint16_t>(groups[1]);
        guid.data3 = static_cast<uint16_t>(groups[2]);
        guid.data4[0] = static_cast<uint8_t>(groups[3] >> 8);
        guid.data4[1] = static_cast<uint8_t>(groups[3]);
        for (int i = 0; i < 6; ++i) guid.data4[2 + i] = static_cast<uint8_t>(groups[4] >> (8 * (5 - i)));
        p += 38;
        return true;
    }

    XToken Next()
    {
        XToken token;
        SkipSpace();
        if (p >= end) return token;
        const char c = *p;
        switch (c) {
        case '{': ++p; token.kind = XTok::OBrace; return token;
        case '}': ++p; token.kind = XTok::CBrace; return token;
        case '[': ++p; token.kind = XTok::OBracket; return token;
        case ']': ++p; token.kind = XTok::CBracket; return token;
        case '(': ++p; token.kind = XTok::OParen; return token;
        case ')': ++p; token.kind = XTok::CParen; return token;
        case '>': ++p; token.kind = XTok::CAngle; return token;
        case ',': ++p; token.kind = XTok::Comma; return token;
        case ';': ++p; token.kind = XTok::Semicolon; return token;
        case '<':
            token.kind = ReadGuid(token.guid) ? XTok::Guid : XTok::Error;
            return token;
        case '"':
            token.kind = ReadString(token.text) ? XTok::String : XTok::Error;
            return token;
        default:
            break;
        }
        if (c == '.' && !(p + 1 < end && p[1] >= '0' && p[1] <= '9')) {
            ++p;
            token.kind = XTok::Dot;
            return token;
        }
        const std::string_view word = Word();
        if (word.empty()) {
            token.kind = XTok::Error;
            return token;
        }
        const char first = word[0];
        if ((first >= '0' && first <= '9') || first == '-' || first == '+' || first == '.') {
            float number = 0.0f;
            if (ParseUnsigned(word, token.integer)) {
                token.kind = XTok::Integer;
            } else if (ParseFloat(word, number)) {
                token.kind = XTok::Float;
            } else {
                token.kind = XTok::Name; // such as "01_Root"
            }
            token.text = word;
            return token;
        }
        token.kind = XTok::Name;
        token.text = word;
        return token;
    }

    XToken Peek()
    {
        const char* saved = p;
        XToken token = Next();
        p = saved;
        return token;
    }

    // Skips the rest of an object whose opening brace has been read.
    bool SkipObjectBody()
    {
        size_t depth = 1;
        while (p < end) {
            const char c = *p;
            if (c == '"') {
                ++p;
                while (p < end && *p != '"') ++p;
                if (p >= end) return false;
                ++p;
            } else if (c == '#' || (c == '/' && p + 1 < end && p[1] == '/')) {
                SkipLine();
            } else {
                ++p;
                if (c == '{') {
                    ++depth;
                } else if (c == '}' && --depth == 0) {
                    return true;
                }
            }
        }
        return false;
    }
};

} // namespace portable
