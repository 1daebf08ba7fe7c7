// One token of a .x file, as the text and binary readers hand it to the parser.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/portable/d3dx/xfile/document.h"

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

} // namespace portable
