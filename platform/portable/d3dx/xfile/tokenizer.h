// The tokenizer of .x files: the tokens the parser reads, and the readers of
// the text and the binary form (whose codes are in format.h) that produce
// them and read runs of values, such as the lists of integers or floats that
// hold the data.
#pragma once

#include <bit>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/portable/d3dx/xfile/decimal_float.h"
#include "platform/portable/d3dx/xfile/document.h"
#include "platform/portable/d3dx/xfile/format.h"

namespace portable {

enum class XTok : uint8_t {
    End,
    Error,
    Name,
    String,
    Integer,
    Float,
    Guid,
    OBrace,
    CBrace,
    OBracket,
    CBracket,
    OParen,
    CParen,
    OAngle,
    CAngle,
    Dot,
    Comma,
    Semicolon,
    // Keywords; the text reader reports them as names.
    Template,
    Array,
    TypeWord,
    TypeDword,
    TypeFloat,
    TypeDouble,
    TypeChar,
    TypeUchar,
    TypeSword,
    TypeSdword,
    TypeVoid,
    TypeString,
    TypeUnicode,
    TypeCstring,
};

struct XToken {
    XTok kind = XTok::End;
    std::string_view text; // names and strings
    uint32_t integer = 0;
    XGuid guid;
};

// The text form.

namespace xtext {
enum : uint8_t { kSpace = 1, kSeparator = 2, kDelimiter = 4 };

constexpr uint8_t ClassOf(unsigned char c)
{
    switch (c) {
    case ' ':
    case '\t':
    case '\r':
    case '\n':
    case '\0': return kSpace | kDelimiter;
    case ',':
    case ';': return kSeparator | kDelimiter;
    case '{':
    case '}':
    case '[':
    case ']':
    case '(':
    case ')':
    case '<':
    case '>':
    case '"':
    case '#': return kDelimiter;
    default: return 0;
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

    // The separators that end a value: semicolons, then at most one comma,
    // and at least one of them ("1;;," and "1," but not "1,," or "1,;" or
    // "1 2"), as D3DX reads them; blanks and comments may stand between.
    [[gnu::always_inline]] bool EndValue()
    {
        // Most values end in one separator with the next value right after it.
        if (end - p > 1 && (Class(*p) & xtext::kSeparator) != 0 && Class(p[1]) == 0) {
            ++p;
            return true;
        }
        bool ended = false;
        bool comma = false;
        while (p < end) {
            const char c = *p;
            const uint8_t kind = Class(c);
            if ((kind & xtext::kSeparator) != 0) {
                if (comma) return false;
                comma = c == ',';
                ended = true;
            } else if ((kind & xtext::kSpace) == 0) {
                if (!AtComment()) break;
                SkipLine();
                continue;
            }
            ++p;
        }
        return ended;
    }

    // Inlined into the loops that read runs of values. A value read before
    // leaves the reader on the next one: Blanks skips the blanks before the
    // first one only.
    template <bool Blanks = true>
    [[gnu::always_inline]] bool ReadUInt(uint32_t& value)
    {
        if constexpr (Blanks) SkipSpace();
        const char* next = nullptr;
        if (decimal_float::ParseInteger(p, end, value, next) && AtWordEnd(next)) {
            p = next;
            return EndValue();
        }
        return ParseUnsigned(Word(), value) && EndValue();
    }

    template <bool Blanks = true>
    [[gnu::always_inline]] bool ReadFloat(float& value)
    {
        if constexpr (Blanks) SkipSpace();
        const char* next = nullptr;
        if (decimal_float::Parse(p, end, value, next) && AtWordEnd(next)) {
            p = next;
            return EndValue();
        }
        return ParseFloat(Word(), value) && EndValue();
    }

    // `count` values of one kind into consecutive slots.
    bool ReadUInts(uint32_t* out, size_t count)
    {
        if (count == 0) return true;
        if (!ReadUInt(out[0])) return false;
        for (size_t i = 1; i < count; ++i) {
            if (!ReadUInt<false>(out[i])) return false;
        }
        return true;
    }

    bool ReadFloats(uint32_t* out, size_t count)
    {
        for (size_t i = 0; i < count; ++i) {
            float value;
            if (!(i == 0 ? ReadFloat(value) : ReadFloat<false>(value))) return false;
            std::memcpy(out + i, &value, sizeof value);
        }
        return true;
    }

    // A string token, with p on its opening quote.
    bool ReadQuoted(std::string_view& value)
    {
        if (p >= end || *p != '"') return false;
        const char* start = ++p;
        while (p < end && *p != '"') ++p;
        if (p >= end) return false;
        value = std::string_view(start, static_cast<size_t>(p - start));
        ++p;
        return true;
    }

    // A string member and the separators that end it.
    bool ReadString(std::string_view& value)
    {
        SkipSpace();
        return ReadQuoted(value) && EndValue();
    }

    bool EndMembers() { return true; }
    // Whether a separator may stand among an object's children.
    static constexpr bool kSeparatorsAmongChildren = true;

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
        case '{':
            ++p;
            token.kind = XTok::OBrace;
            return token;
        case '}':
            ++p;
            token.kind = XTok::CBrace;
            return token;
        case '[':
            ++p;
            token.kind = XTok::OBracket;
            return token;
        case ']':
            ++p;
            token.kind = XTok::CBracket;
            return token;
        case '(':
            ++p;
            token.kind = XTok::OParen;
            return token;
        case ')':
            ++p;
            token.kind = XTok::CParen;
            return token;
        case '>':
            ++p;
            token.kind = XTok::CAngle;
            return token;
        case ',':
            ++p;
            token.kind = XTok::Comma;
            return token;
        case ';':
            ++p;
            token.kind = XTok::Semicolon;
            return token;
        case '<': token.kind = ReadGuid(token.guid) ? XTok::Guid : XTok::Error; return token;
        case '"': token.kind = ReadQuoted(token.text) ? XTok::String : XTok::Error; return token;
        default: break;
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

// The binary form.

// Lists are copied into value slots as they stand.
static_assert(std::endian::native == std::endian::little);

// The token of a code that carries nothing after it; XTok::Error for the
// others and for codes that are no token.
constexpr XTok BareTokenKind(uint16_t code)
{
    switch (code) {
    case xformat::kOBrace: return XTok::OBrace;
    case xformat::kCBrace: return XTok::CBrace;
    case xformat::kOParen: return XTok::OParen;
    case xformat::kCParen: return XTok::CParen;
    case xformat::kOBracket: return XTok::OBracket;
    case xformat::kCBracket: return XTok::CBracket;
    case xformat::kOAngle: return XTok::OAngle;
    case xformat::kCAngle: return XTok::CAngle;
    case xformat::kDot: return XTok::Dot;
    case xformat::kComma: return XTok::Comma;
    case xformat::kSemicolon: return XTok::Semicolon;
    case xformat::kTemplate: return XTok::Template;
    case xformat::kWord: return XTok::TypeWord;
    case xformat::kDword: return XTok::TypeDword;
    case xformat::kFloat: return XTok::TypeFloat;
    case xformat::kDouble: return XTok::TypeDouble;
    case xformat::kChar: return XTok::TypeChar;
    case xformat::kUchar: return XTok::TypeUchar;
    case xformat::kSword: return XTok::TypeSword;
    case xformat::kSdword: return XTok::TypeSdword;
    case xformat::kVoid: return XTok::TypeVoid;
    case xformat::kLpstr: return XTok::TypeString;
    case xformat::kUnicode: return XTok::TypeUnicode;
    case xformat::kCstring: return XTok::TypeCstring;
    case xformat::kArray: return XTok::Array;
    default: return XTok::Error;
    }
}

struct XBinaryReader {
    const uint8_t* p;
    const uint8_t* end;
    unsigned floatSize;         // 4 or 8
    uint32_t listRemaining = 0; // values left in the current integer or float list
    bool listFloat = false;

    XBinaryReader(const char* begin, size_t size, unsigned floatBits)
        : p(reinterpret_cast<const uint8_t*>(begin)), end(reinterpret_cast<const uint8_t*>(begin) + size),
          floatSize(floatBits / 8)
    {}

    size_t Remaining() const { return static_cast<size_t>(end - p); }
    // The most values the rest can hold: each takes at least 4 bytes (an
    // entry of a list, or a 6-byte integer token).
    size_t MaxValues() const { return Remaining() / 4; }

    bool ReadU16(uint16_t& value)
    {
        if (end - p < 2) return false;
        value = xformat::LoadU16(p);
        p += 2;
        return true;
    }

    bool ReadU32(uint32_t& value)
    {
        if (end - p < 4) return false;
        value = xformat::LoadU32(p);
        p += 4;
        return true;
    }

    bool ReadListFloat(float& value)
    {
        if (floatSize == 8) {
            if (end - p < 8) return false;
            double wide;
            std::memcpy(&wide, p, 8);
            p += 8;
            value = static_cast<float>(wide);
        } else {
            if (end - p < 4) return false;
            std::memcpy(&value, p, 4);
            p += 4;
        }
        return true;
    }

    // Starts a list whose token has been read; false when its length cannot fit.
    bool StartList(bool isFloat)
    {
        uint32_t count = 0;
        if (!ReadU32(count)) return false;
        const uint64_t bytes = static_cast<uint64_t>(count) * (isFloat ? floatSize : 4u);
        if (bytes > Remaining()) return false;
        listRemaining = count;
        listFloat = isFloat;
        return true;
    }

    // The separators after a single value: semicolons, then at most one
    // comma. An integer needs one; a list is followed by none, as D3DX reads them.
    bool EndSingle()
    {
        bool ended = false;
        bool comma = false;
        while (end - p >= 2) {
            const uint16_t token = xformat::LoadU16(p);
            if (token != xformat::kSemicolon && token != xformat::kComma) break;
            if (comma) return false;
            comma = token == xformat::kComma;
            ended = true;
            p += 2;
        }
        return ended;
    }

    // Moves to the next data value: into a list, or onto a single integer
    // (then `single` is set and the value read, with its separators).
    bool AdvanceToValue(bool& single, uint32_t& singleValue)
    {
        single = false;
        while (listRemaining == 0) {
            uint16_t token = 0;
            if (!ReadU16(token)) return false;
            switch (token) {
            case xformat::kIntegerList:
                if (!StartList(false)) return false;
                break;
            case xformat::kFloatList:
                if (!StartList(true)) return false;
                break;
            case xformat::kInteger: single = true; return ReadU32(singleValue) && EndSingle();
            default: return false; // a separator after a list among them
            }
        }
        return true;
    }

    bool ReadUInt(uint32_t& value)
    {
        bool single = false;
        if (!AdvanceToValue(single, value)) return false;
        if (single) return true;
        if (listFloat) return false;
        --listRemaining;
        return ReadU32(value);
    }

    bool ReadFloat(float& value)
    {
        bool single = false;
        uint32_t integer = 0;
        if (!AdvanceToValue(single, integer)) return false;
        if (single) {
            value = static_cast<float>(integer);
            return true;
        }
        --listRemaining;
        if (listFloat) return ReadListFloat(value);
        if (!ReadU32(integer)) return false;
        value = static_cast<float>(integer);
        return true;
    }

    // `count` integers into consecutive slots, a list's run at a time.
    bool ReadUInts(uint32_t* out, size_t count)
    {
        while (count > 0) {
            bool single = false;
            if (!AdvanceToValue(single, *out)) return false;
            if (single) {
                ++out;
                --count;
                continue;
            }
            if (listFloat) return false;
            const size_t run = count < listRemaining ? count : listRemaining;
            std::memcpy(out, p, run * 4); // little-endian, as the file
            p += run * 4;
            listRemaining -= static_cast<uint32_t>(run);
            out += run;
            count -= run;
        }
        return true;
    }

    // `count` floats into consecutive slots; integers in the data are converted.
    bool ReadFloats(uint32_t* out, size_t count)
    {
        while (count > 0) {
            bool single = false;
            uint32_t integer = 0;
            if (!AdvanceToValue(single, integer)) return false;
            if (single) {
                const float value = static_cast<float>(integer);
                std::memcpy(out++, &value, 4);
                --count;
                continue;
            }
            const size_t run = count < listRemaining ? count : listRemaining;
            if (listFloat && floatSize == 4) {
                std::memcpy(out, p, run * 4);
                p += run * 4;
            } else {
                for (size_t i = 0; i < run; ++i) {
                    float value;
                    if (listFloat) {
                        double wide;
                        std::memcpy(&wide, p, 8);
                        p += 8;
                        value = static_cast<float>(wide);
                    } else {
                        uint32_t raw;
                        std::memcpy(&raw, p, 4);
                        p += 4;
                        value = static_cast<float>(raw);
                    }
                    std::memcpy(out + i, &value, 4);
                }
            }
            listRemaining -= static_cast<uint32_t>(run);
            out += run;
            count -= run;
        }
        return true;
    }

    bool ReadString(std::string_view& value)
    {
        if (listRemaining != 0) return false;
        for (;;) {
            uint16_t token = 0;
            if (!ReadU16(token)) return false;
            if (token == xformat::kComma || token == xformat::kSemicolon) continue;
            if (token != xformat::kString) return false;
            if (!ReadCounted(value)) return false;
            EndSingle(); // the string's terminator
            return true;
        }
    }

    bool ReadCounted(std::string_view& value)
    {
        uint32_t count = 0;
        if (!ReadU32(count) || count > Remaining()) return false;
        value = std::string_view(reinterpret_cast<const char*>(p), count);
        p += count;
        return true;
    }

    // After an object's members: a list must not carry values beyond them.
    bool EndMembers() { return listRemaining == 0; }
    // Every separator belongs to a value before the children.
    static constexpr bool kSeparatorsAmongChildren = false;

    bool ReadGuid(XGuid& guid)
    {
        if (Remaining() < xformat::kGuidSize) return false;
        guid = xformat::LoadGuid(p);
        p += xformat::kGuidSize;
        return true;
    }

    XToken Next()
    {
        XToken token;
        if (listRemaining != 0) {
            token.kind = XTok::Error;
            return token;
        }
        if (p >= end) return token;
        uint16_t code = 0;
        if (!ReadU16(code)) {
            token.kind = XTok::Error;
            return token;
        }
        switch (code) {
        case xformat::kName: token.kind = ReadCounted(token.text) ? XTok::Name : XTok::Error; break;
        case xformat::kString: token.kind = ReadCounted(token.text) ? XTok::String : XTok::Error; break;
        case xformat::kInteger: token.kind = ReadU32(token.integer) ? XTok::Integer : XTok::Error; break;
        case xformat::kGuid: token.kind = ReadGuid(token.guid) ? XTok::Guid : XTok::Error; break;
        default: token.kind = BareTokenKind(code); break;
        }
        return token;
    }

    XToken Peek()
    {
        const uint8_t* saved = p;
        XToken token = Next();
        p = saved;
        return token;
    }

    // Skips the rest of an object whose opening brace has been read.
    bool SkipObjectBody()
    {
        if (listRemaining != 0) return false;
        size_t depth = 1;
        while (p < end) {
            uint16_t code = 0;
            uint32_t count = 0;
            if (!ReadU16(code)) return false;
            switch (code) {
            case xformat::kName:
            case xformat::kString:
                if (!ReadU32(count) || count > Remaining()) return false;
                p += count;
                break;
            case xformat::kInteger:
                if (!ReadU32(count)) return false;
                break;
            case xformat::kGuid:
                if (Remaining() < xformat::kGuidSize) return false;
                p += xformat::kGuidSize;
                break;
            case xformat::kIntegerList:
            case xformat::kFloatList: {
                if (!ReadU32(count)) return false;
                const uint64_t bytes = static_cast<uint64_t>(count) * (code == xformat::kFloatList ? floatSize : 4u);
                if (bytes > Remaining()) return false;
                p += bytes;
                break;
            }
            case xformat::kOBrace: ++depth; break;
            case xformat::kCBrace:
                if (--depth == 0) return true;
                break;
            default:
                if (BareTokenKind(code) == XTok::Error) return false;
                break;
            }
        }
        return false;
    }
};

} // namespace portable
