// Tokens and values of the binary form of .x files: 16-bit token codes,
// little-endian payloads, and lists of integers or floats for the data.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/portable/d3dx/xfile/token.h"

namespace portable {

// Lists are copied into value slots as they stand.
static_assert(std::endian::native == std::endian::little);

namespace xbin {
enum : uint16_t {
    kName = 1,
    kString = 2,
    kInteger = 3,
    kGuid = 5,
    kIntegerList = 6,
    kFloatList = 7,
    kOBrace = 10,
    kCBrace = 11,
    kOParen = 12,
    kCParen = 13,
    kOBracket = 14,
    kCBracket = 15,
    kOAngle = 16,
    kCAngle = 17,
    kDot = 18,
    kComma = 19,
    kSemicolon = 20,
    kTemplate = 31,
    kWord = 40,
    kDword = 41,
    kFloat = 42,
    kDouble = 43,
    kChar = 44,
    kUchar = 45,
    kSword = 46,
    kSdword = 47,
    kVoid = 48,
    kLpstr = 49,
    kUnicode = 50,
    kCstring = 51,
    kArray = 52,
};
} // namespace xbin

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
        value = static_cast<uint16_t>(p[0] | (p[1] << 8));
        p += 2;
        return true;
    }

    bool ReadU32(uint32_t& value)
    {
        if (end - p < 4) return false;
        value = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8)
                | (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
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
            case xbin::kIntegerList:
                if (!StartList(false)) return false;
                break;
            case xbin::kFloatList:
                if (!StartList(true)) return false;
                break;
            case xbin::kInteger:
                single = true;
                return ReadU32(singleValue);
            case xbin::kComma:
            case xbin::kSemicolon:
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
            if (token == xbin::kComma || token == xbin::kSemicolon) continue;
            if (token != xbin::kString) return false;
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
        if (end - p < 16) return false;
        uint16_t word = 0;
        ReadU32(guid.data1);
        ReadU16(word);
        guid.data2 = word;
        ReadU16(word);
        guid.data3 = word;
        std::memcpy(guid.data4, p, 8);
        p += 8;
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
        case xbin::kName:
            token.kind = ReadCounted(token.text) ? XTok::Name : XTok::Error;
            break;
        case xbin::kString:
            token.kind = ReadCounted(token.text) ? XTok::String : XTok::Error;
            break;
        case xbin::kInteger:
            token.kind = ReadU32(token.integer) ? XTok::Integer : XTok::Error;
            break;
        case xbin::kGuid:
            token.kind = ReadGuid(token.guid) ? XTok::Guid : XTok::Error;
            break;
        case xbin::kOBrace: token.kind = XTok::OBrace; break;
        case xbin::kCBrace: token.kind = XTok::CBrace; break;
        case xbin::kOParen: token.kind = XTok::OParen; break;
        case xbin::kCParen: token.kind = XTok::CParen; break;
        case xbin::kOBracket: token.kind = XTok::OBracket; break;
        case xbin::kCBracket: token.kind = XTok::CBracket; break;
        case xbin::kOAngle: token.kind = XTok::OAngle; break;
        case xbin::kCAngle: token.kind = XTok::CAngle; break;
        case xbin::kDot: token.kind = XTok::Dot; break;
        case xbin::kComma: token.kind = XTok::Comma; break;
        case xbin::kSemicolon: token.kind = XTok::Semicolon; break;
        case xbin::kTemplate: token.kind = XTok::Template; break;
        case xbin::kWord: token.kind = XTok::TypeWord; break;
        case xbin::kDword: token.kind = XTok::TypeDword; break;
        case xbin::kFloat: token.kind = XTok::TypeFloat; break;
        case xbin::kDouble: token.kind = XTok::TypeDouble; break;
        case xbin::kChar: token.kind = XTok::TypeChar; break;
        case xbin::kUchar: token.kind = XTok::TypeUchar; break;
        case xbin::kSword: token.kind = XTok::TypeSword; break;
        case xbin::kSdword: token.kind = XTok::TypeSdword; break;
        case xbin::kVoid: token.kind = XTok::TypeVoid; break;
        case xbin::kLpstr: token.kind = XTok::TypeString; break;
        case xbin::kUnicode: token.kind = XTok::TypeUnicode; break;
        case xbin::kCstring: token.kind = XTok::TypeCstring; break;
        case xbin::kArray: token.kind = XTok::Array; break;
        default: token.kind = XTok::Error; break;
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
            case xbin::kName:
            case xbin::kString:
                if (!ReadU32(count) || count > Remaining()) return false;
                p += count;
                break;
            case xbin::kInteger:
                if (!ReadU32(count)) return false;
                break;
            case xbin::kGuid:
                if (Remaining() < 16) return false;
                p += 16;
                break;
            case xbin::kIntegerList:
            case xbin::kFloatList: {
                if (!ReadU32(count)) return false;
                const uint64_t bytes = static_cast<uint64_t>(count) * (code == xbin::kFloatList ? floatSize : 4u);
                if (bytes > Remaining()) return false;
                p += bytes;
                break;
            }
            case xbin::kOBrace:
                ++depth;
                break;
            case xbin::kCBrace:
                if (--depth == 0) return true;
                break;
            default:
                if (!((code >= xbin::kOParen && code <= xbin::kSemicolon) || code == xbin::kTemplate
                      || (code >= xbin::kWord && code <= xbin::kArray))) {
                    return false;
                }
                break;
            }
        }
        return false;
    }
};

} // namespace portable
