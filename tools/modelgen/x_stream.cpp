#include "tools/modelgen/x_stream.h"

#include <bit>
#include <charconv>
#include <stdexcept>
#include <utility>

#include "tools/modelgen/x_tokens.h"

namespace modelgen {
namespace {

// Values are stored in host order, which the format requires to be little-endian.
static_assert(std::endian::native == std::endian::little);

void PutU16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

void PutU32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void PutBytes(std::string& out, const void* data, std::size_t size) {
    out.append(static_cast<const char*>(data), size);
}

void CloseList(XStream& s) {
    if (s.listToken == 0) return;
    for (int i = 0; i < 4; ++i) s.out[s.listCountAt + i] = static_cast<char>((s.listCount >> (8 * i)) & 0xFF);
    s.listToken = 0;
    s.listCount = 0;
}

void OpenList(XStream& s, std::uint16_t token) {
    if (s.listToken == token) return;
    CloseList(s);
    PutU16(s.out, token);
    s.listCountAt = s.out.size();
    PutU32(s.out, 0);
    s.listToken = token;
}

void PutToken(XStream& s, std::uint16_t token) {
    CloseList(s);
    PutU16(s.out, token);
}

void PutName(XStream& s, std::string_view name) {
    if (name.empty()) throw std::invalid_argument("empty name in a .x stream");
    PutToken(s, xtoken::kName);
    PutU32(s.out, static_cast<std::uint32_t>(name.size()));
    s.out.append(name);
}

void Indent(XStream& s) {
    if (!s.atLineStart) return;
    s.out.append(static_cast<std::size_t>(s.depth), ' ');
    s.atLineStart = false;
}

void PutTextSeparator(XStream& s, char separator) {
    if (separator != 0) s.out.push_back(separator);
}

void TextLine(XStream& s, std::string_view text) {
    Indent(s);
    s.out.append(text);
    EndLine(s);
}

std::uint16_t PrimitiveToken(std::string_view type) {
    struct Entry {
        std::string_view keyword;
        std::uint16_t token;
    };
    static constexpr Entry entries[] = {
        {"WORD", xtoken::kWord},     {"DWORD", xtoken::kDword},     {"FLOAT", xtoken::kFloat},
        {"DOUBLE", xtoken::kDouble}, {"CHAR", xtoken::kChar},       {"UCHAR", xtoken::kUchar},
        {"SWORD", xtoken::kSword},   {"SDWORD", xtoken::kSdword},   {"STRING", xtoken::kLpstr},
        {"UNICODE", xtoken::kUnicode}, {"CSTRING", xtoken::kCstring},
    };
    for (const Entry& entry : entries)
        if (entry.keyword == type) return entry.token;
    return 0;
}

bool IsNumber(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

void PutGuid(XStream& s, const Guid& guid) {
    PutToken(s, xtoken::kGuid);
    PutU32(s.out, guid.data1);
    PutU16(s.out, guid.data2);
    PutU16(s.out, guid.data3);
    PutBytes(s.out, guid.data4.data(), guid.data4.size());
}

}  // namespace

std::string FormatXFloat(float value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    std::string formatted(text, result.ptr);
    if (formatted.find('.') == std::string::npos) formatted += ".000000";
    return formatted;
}

XStream MakeXStream(const XEncoding& encoding) {
    XStream stream;
    stream.format = encoding.format;
    stream.floatBits = encoding.floatBits;
    return stream;
}

void BeginObject(XStream& s, std::string_view templateName, std::string_view objectName) {
    if (s.format == XFormat::Binary) {
        PutName(s, templateName);
        if (!objectName.empty()) PutName(s, objectName);
        PutToken(s, xtoken::kOpenBrace);
        return;
    }
    if (!s.atLineStart) EndLine(s);
    std::string line(templateName);
    if (!objectName.empty()) line += " " + std::string(objectName);
    TextLine(s, line + " {");
    ++s.depth;
}

void EndObject(XStream& s) {
    if (s.format == XFormat::Binary) {
        PutToken(s, xtoken::kCloseBrace);
        return;
    }
    if (!s.atLineStart) EndLine(s);
    --s.depth;
    TextLine(s, "}");
}

void WriteDword(XStream& s, std::uint32_t value, char separator) {
    if (s.format == XFormat::Binary) {
        OpenList(s, xtoken::kIntegerList);
        PutU32(s.out, value);
        ++s.listCount;
        return;
    }
    Indent(s);
    char text[16];
    const auto result = std::to_chars(text, text + sizeof text, value);
    s.out.append(text, result.ptr);
    PutTextSeparator(s, separator);
}

void WriteFloat(XStream& s, float value, char separator) {
    if (s.format == XFormat::Binary) {
        OpenList(s, xtoken::kFloatList);
        if (s.floatBits == 64) {
            const double wide = value;
            PutBytes(s.out, &wide, sizeof wide);
        } else {
            PutBytes(s.out, &value, sizeof value);
        }
        ++s.listCount;
        return;
    }
    Indent(s);
    s.out += FormatXFloat(value);
    PutTextSeparator(s, separator);
}

void WriteString(XStream& s, std::string_view value, char separator) {
    if (value.find('"') != std::string_view::npos) throw std::invalid_argument("quote inside a .x string");
    if (s.format == XFormat::Binary) {
        PutToken(s, xtoken::kString);
        PutU32(s.out, static_cast<std::uint32_t>(value.size()));
        s.out.append(value);
        PutU16(s.out, separator == ',' ? xtoken::kComma : xtoken::kSemicolon);
        return;
    }
    Indent(s);
    s.out.push_back('"');
    s.out.append(value);
    s.out.push_back('"');
    PutTextSeparator(s, separator);
}

void WriteSeparator(XStream& s, char separator) {
    if (s.format == XFormat::Binary) return;
    Indent(s);
    PutTextSeparator(s, separator);
}

void EndLine(XStream& s) {
    if (s.format == XFormat::Binary) return;
    s.out.push_back('\n');
    s.atLineStart = true;
}

void WriteTemplate(XStream& s, const XTemplate& t) {
    if (s.format == XFormat::Text) {
        if (!s.atLineStart) EndLine(s);
        TextLine(s, "template " + t.name + " {");
        ++s.depth;
        TextLine(s, FormatGuid(t.guid));
        for (const XTemplateMember& m : t.members) {
            std::string line = (m.dimensions.empty() ? "" : "array ") + m.type + " " + m.name;
            for (const std::string& d : m.dimensions) line += "[" + d + "]";
            TextLine(s, line + ";");
        }
        if (t.restriction == XRestriction::Open) {
            TextLine(s, "[...]");
        } else if (t.restriction == XRestriction::Restricted) {
            std::string line = "[";
            for (std::size_t i = 0; i < t.children.size(); ++i) {
                if (i > 0) line += ", ";
                line += t.children[i].name;
                if (t.children[i].guid) line += " " + FormatGuid(*t.children[i].guid);
            }
            TextLine(s, line + "]");
        }
        --s.depth;
        TextLine(s, "}");
        return;
    }

    PutToken(s, xtoken::kTemplate);
    PutName(s, t.name);
    PutToken(s, xtoken::kOpenBrace);
    PutGuid(s, t.guid);
    for (const XTemplateMember& m : t.members) {
        if (!m.dimensions.empty()) PutToken(s, xtoken::kArray);
        const std::uint16_t primitive = PrimitiveToken(m.type);
        if (primitive != 0)
            PutToken(s, primitive);
        else
            PutName(s, m.type);
        PutName(s, m.name);
        for (const std::string& d : m.dimensions) {
            PutToken(s, xtoken::kOpenBracket);
            if (IsNumber(d)) {
                PutToken(s, xtoken::kInteger);
                PutU32(s.out, static_cast<std::uint32_t>(std::stoul(d)));
            } else {
                PutName(s, d);
            }
            PutToken(s, xtoken::kCloseBracket);
        }
        PutToken(s, xtoken::kSemicolon);
    }
    if (t.restriction == XRestriction::Open) {
        PutToken(s, xtoken::kOpenBracket);
        for (int i = 0; i < 3; ++i) PutToken(s, xtoken::kDot);
        PutToken(s, xtoken::kCloseBracket);
    } else if (t.restriction == XRestriction::Restricted) {
        PutToken(s, xtoken::kOpenBracket);
        for (std::size_t i = 0; i < t.children.size(); ++i) {
            if (i > 0) PutToken(s, xtoken::kComma);
            PutName(s, t.children[i].name);
            if (t.children[i].guid) PutGuid(s, *t.children[i].guid);
        }
        PutToken(s, xtoken::kCloseBracket);
    }
    PutToken(s, xtoken::kCloseBrace);
}

std::string FinishXStream(XStream& s) {
    CloseList(s);
    return std::move(s.out);
}

}  // namespace modelgen
