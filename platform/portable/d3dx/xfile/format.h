// The DirectX .x file format as its reader and its writers share it: the
// 16-byte header, the tokens of the binary encoding, the MSZIP framing of
// compressed files and the templates every file may use undeclared.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace xformat {

// Every number in the file's framing and binary tokens is little-endian.
inline uint16_t LoadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t LoadU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16)
        | (static_cast<uint32_t>(p[3]) << 24);
}

// Appends to a std::string or a byte vector.
template <class Bytes>
void AppendU16(Bytes& out, uint16_t value)
{
    using Byte = typename Bytes::value_type;
    out.push_back(static_cast<Byte>(value & 0xff));
    out.push_back(static_cast<Byte>(value >> 8));
}

template <class Bytes>
void AppendU32(Bytes& out, uint32_t value)
{
    AppendU16(out, static_cast<uint16_t>(value & 0xffff));
    AppendU16(out, static_cast<uint16_t>(value >> 16));
}

// ---- Header: "xof ", the version ("0303"), the format and the float size.

constexpr size_t kHeaderSize = 16;

enum class Encoding : uint8_t { Text, Binary, TextCompressed, BinaryCompressed };

constexpr bool IsBinary(Encoding encoding)
{
    return encoding == Encoding::Binary || encoding == Encoding::BinaryCompressed;
}

constexpr bool IsCompressed(Encoding encoding)
{
    return encoding == Encoding::TextCompressed || encoding == Encoding::BinaryCompressed;
}

struct Header {
    Encoding encoding = Encoding::Text;
    unsigned floatBits = 32; // 32 or 64: the size of floats in binary data
};

// The first field of a header that is wrong, in the order readers check
// them: the magic "xof " (or a file shorter than a header), the version
// (major "03", any two-digit minor), the format ("txt ", "bin ", "tzip",
// "bzip"), the float size ("0032", "0064").
enum class HeaderFault : uint8_t { None, Magic, Version, Format, FloatSize };

HeaderFault ReadHeader(const char* data, size_t size, Header& header);

// "xof 0303txt 0032" and its kin.
std::string HeaderText(const Header& header);

// ---- Binary tokens: a 16-bit code each. A name or a string carries a
// 32-bit length and its bytes, an integer its 32-bit value, a GUID its 16
// bytes; an integer or float list carries a 32-bit count and as many 32-bit
// integers or floats of the header's size. A string in data is followed by
// a comma or semicolon token.

enum Token : uint16_t {
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

// The token of a keyword of the text encoding ("template", "array" or a
// primitive type), 0 for any other word. Keywords are read in any case, and
// BYTE and LPSTR as UCHAR and STRING.
uint16_t KeywordToken(std::string_view word);

struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    uint8_t data4[8] = {};

    friend bool operator==(const Guid&, const Guid&) = default;
};

// In binary: data1, data2 and data3 little-endian, then data4.
constexpr size_t kGuidSize = 16;

inline Guid LoadGuid(const uint8_t* p)
{
    Guid guid;
    guid.data1 = LoadU32(p);
    guid.data2 = LoadU16(p + 4);
    guid.data3 = LoadU16(p + 6);
    for (int i = 0; i < 8; ++i) guid.data4[i] = p[8 + i];
    return guid;
}

template <class Bytes>
void AppendGuid(Bytes& out, const Guid& guid)
{
    AppendU32(out, guid.data1);
    AppendU16(out, guid.data2);
    AppendU16(out, guid.data3);
    for (uint8_t byte : guid.data4) out.push_back(static_cast<typename Bytes::value_type>(byte));
}

// "<3D82AB44-62DA-11CF-AB39-0020AF71E433>"
std::string GuidText(const Guid& guid);

// ---- MSZIP, the compression of "tzip" and "bzip" files. After the header:
// the size of the whole uncompressed file, header included, in 32 bits; then
// blocks, each a 16-bit size of its output, a 16-bit size of the rest ("CK"
// included), the signature "CK" and one complete raw deflate stream. A block
// may copy from the output of the block before it, which is its preset
// dictionary; a block holds at most the 32 KiB deflate window.

constexpr size_t kMszipTotalSize = 4;
constexpr size_t kMszipFrameSize = 6; // the two sizes and "CK"
constexpr size_t kMszipMaxBlock = 32768;
constexpr int kMszipWindowBits = 15; // zlib's window bits: negate them for raw deflate
constexpr size_t kMszipMaxDeflated = 0xffff - 2;

struct MszipBlock {
    size_t size = 0;                   // the block's output, 1 to kMszipMaxBlock bytes
    const uint8_t* deflated = nullptr; // the deflate stream
    size_t deflatedSize = 0;
    size_t extent = 0; // the block's bytes in the file, frame included
};

// The block at `p`, with `available` bytes left in the file; false when its
// frame is cut short, its sizes break the rules or "CK" is missing.
inline bool ReadMszipBlock(const uint8_t* p, size_t available, MszipBlock& block)
{
    if (available < kMszipFrameSize) return false;
    const size_t size = LoadU16(p);
    const size_t packed = LoadU16(p + 2);
    if (size == 0 || size > kMszipMaxBlock || packed < 2 || packed > available - 4) return false;
    if (p[4] != 'C' || p[5] != 'K') return false;
    block.size = size;
    block.deflated = p + kMszipFrameSize;
    block.deflatedSize = packed - 2;
    block.extent = 4 + packed;
    return true;
}

// The frame of a block of `size` bytes (at most kMszipMaxBlock) whose deflate
// stream takes `deflatedSize` bytes (at most kMszipMaxDeflated); the stream
// follows it.
template <class Bytes>
void AppendMszipFrame(Bytes& out, size_t size, size_t deflatedSize)
{
    AppendU16(out, static_cast<uint16_t>(size));
    AppendU16(out, static_cast<uint16_t>(deflatedSize + 2));
    out.push_back('C');
    out.push_back('K');
}

// ---- Templates.

struct TemplateMember {
    std::string_view type; // a primitive type's keyword or a template's name
    std::string_view name;
    std::string_view dimension; // an array's: a count or a DWORD member's name; empty for a single value

    constexpr TemplateMember(std::string_view type_, std::string_view name_, std::string_view dimension_ = {})
        : type(type_), name(name_), dimension(dimension_)
    {}
};

enum class Restriction : uint8_t { Closed, Open, Restricted };

struct Template {
    std::string_view name;
    Guid guid;
    std::vector<TemplateMember> members;
    Restriction restriction = Restriction::Closed;
    std::vector<std::string_view> children; // Restricted: the templates of the children allowed

    Template(std::string_view name_, const Guid& guid_, std::vector<TemplateMember> members_,
             Restriction restriction_ = Restriction::Closed, std::vector<std::string_view> children_ = {})
        : name(name_), guid(guid_), members(std::move(members_)), restriction(restriction_),
          children(std::move(children_))
    {}
};

// The DirectX retained-mode templates and those of the skinning and mesh
// extensions, each after the ones its members use.
const std::vector<Template>& BuiltinTemplates();

// The built-in template of this exact name, or null.
const Template* FindBuiltinTemplate(std::string_view name);

// The declaration in text, a line each for its head, GUID, members and
// restriction and its closing brace, the inner lines indented by one space.
// A child of a restriction is named with its GUID when it is built in.
std::string TemplateText(const Template& declared);

} // namespace xformat
