// Tokens and values of the binary form of .x files (the codes are in
// format.h), and the lists of integers or floats that hold the data.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/portable/d3dx/xfile/format.h"
#include "platform/portable/d3dx/xfile/token.h"

namespace portable {

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
    unsigned floatSize;          // 4 or 8
    uint32_t listRemaining = 0;  // values left in the current integer or float list
    bool listFloat = false;

    XBinaryReader(const char* begin, size_t size, unsigned floatBits)
        : p(reinterpret_cast<const uint8_t*>(begin)), end(reinterpret_cast<const uint8_t*>(begin) + size),
          floatSize(floatBits / 8)
    {
    }

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

    // Moves to the next data value: into a list, or onto a single integer
    // (then `single` is set and the value read). Separators are skipped.
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
            case xformat::kInteger:
                single = true;
                return ReadU32(singleValue);
            case xformat::kComma:
            case xformat::kSemicolon:
                break;
            default:
                return false;
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
            return ReadCounted(value);
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
        case xformat::kName:
            token.kind = ReadCounted(token.text) ? XTok::Name : XTok::Error;
            break;
        case xformat::kString:
            token.kind = ReadCounted(token.text) ? XTok::String : XTok::Error;
            break;
        case xformat::kInteger:
            token.kind = ReadU32(token.integer) ? XTok::Integer : XTok::Error;
            break;
        case xformat::kGuid:
            token.kind = ReadGuid(token.guid) ? XTok::Guid : XTok::Error;
            break;
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
            case xformat::kOBrace:
                ++depth;
                break;
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
