#include "tools/modelgen/x_stream.h"

#include <bit>
#include <charconv>
#include <stdexcept>
#include <utility>

namespace modelgen {
namespace {

// Values are stored in host order, which the format requires to be little-endian.
static_assert(std::endian::native == std::endian::little);

void PutBytes(std::string& out, const void* data, std::size_t size)
{
    out.append(static_cast<const char*>(data), size);
}

void CloseList(XStream& s)
{
    if (s.listToken == 0) return;
    std::string count;
    xformat::AppendU32(count, s.listCount);
    s.out.replace(s.listCountAt, count.size(), count);
    s.listToken = 0;
    s.listCount = 0;
}

void OpenList(XStream& s, std::uint16_t token)
{
    if (s.listToken == token) return;
    CloseList(s);
    xformat::AppendU16(s.out, token);
    s.listCountAt = s.out.size();
    xformat::AppendU32(s.out, 0);
    s.listToken = token;
}

void PutToken(XStream& s, std::uint16_t token)
{
    CloseList(s);
    xformat::AppendU16(s.out, token);
}

// A name or string token: its length, then its bytes.
void PutCounted(XStream& s, std::uint16_t token, std::string_view text)
{
    PutToken(s, token);
    xformat::AppendU32(s.out, static_cast<std::uint32_t>(text.size()));
    s.out.append(text);
}

void PutName(XStream& s, std::string_view name)
{
    if (name.empty()) throw std::invalid_argument("empty name in a .x stream");
    PutCounted(s, xformat::kName, name);
}

void PutGuid(XStream& s, const xformat::Guid& guid)
{
    PutToken(s, xformat::kGuid);
    xformat::AppendGuid(s.out, guid);
}

void Indent(XStream& s)
{
    if (!s.atLineStart) return;
    s.out.append(static_cast<std::size_t>(s.depth), ' ');
    s.atLineStart = false;
}

void PutTextSeparator(XStream& s, char separator)
{
    if (separator != 0) s.out.push_back(separator);
}

void TextLine(XStream& s, std::string_view text)
{
    Indent(s);
    s.out.append(text);
    EndLine(s);
}

bool IsNumber(std::string_view text)
{
    if (text.empty()) return false;
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

void RequireBinary(const XStream& s)
{
    if (s.format != XFormat::Binary) throw std::logic_error("single tokens belong to the binary encoding");
}

} // namespace

std::string FormatXFloat(float value)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    std::string formatted(text, result.ptr);
    if (formatted.find('.') == std::string::npos) formatted += ".000000";
    return formatted;
}

XStream MakeXStream(const XEncoding& encoding)
{
    XStream stream;
    stream.format = encoding.format;
    stream.floatBits = encoding.floatBits;
    return stream;
}

void BeginObject(XStream& s, std::string_view templateName, std::string_view objectName)
{
    if (s.format == XFormat::Binary) {
        PutName(s, templateName);
        if (!objectName.empty()) PutName(s, objectName);
        PutToken(s, xformat::kOBrace);
        return;
    }
    if (!s.atLineStart) EndLine(s);
    std::string line(templateName);
    if (!objectName.empty()) line += " " + std::string(objectName);
    TextLine(s, line + " {");
    ++s.depth;
}

void EndObject(XStream& s)
{
    if (s.format == XFormat::Binary) {
        PutToken(s, xformat::kCBrace);
        return;
    }
    if (!s.atLineStart) EndLine(s);
    --s.depth;
    TextLine(s, "}");
}

void WriteDword(XStream& s, std::uint32_t value, char separator)
{
    if (s.format == XFormat::Binary) {
        OpenList(s, xformat::kIntegerList);
        xformat::AppendU32(s.out, value);
        ++s.listCount;
        return;
    }
    Indent(s);
    char text[16];
    const auto result = std::to_chars(text, text + sizeof text, value);
    s.out.append(text, result.ptr);
    PutTextSeparator(s, separator);
}

void WriteFloat(XStream& s, double value, char separator)
{
    const float narrow = static_cast<float>(value);
    if (s.format == XFormat::Binary) {
        OpenList(s, xformat::kFloatList);
        if (s.floatBits == 64) {
            PutBytes(s.out, &value, sizeof value);
        } else {
            PutBytes(s.out, &narrow, sizeof narrow);
        }
        ++s.listCount;
        return;
    }
    Indent(s);
    s.out += FormatXFloat(narrow);
    PutTextSeparator(s, separator);
}

void WriteString(XStream& s, std::string_view value, char separator)
{
    if (value.find('"') != std::string_view::npos) throw std::invalid_argument("quote inside a .x string");
    if (s.format == XFormat::Binary) {
        PutCounted(s, xformat::kString, value);
        xformat::AppendU16(s.out, separator == ',' ? xformat::kComma : xformat::kSemicolon);
        return;
    }
    Indent(s);
    s.out.push_back('"');
    s.out.append(value);
    s.out.push_back('"');
    PutTextSeparator(s, separator);
}

void WriteSeparator(XStream& s, char separator)
{
    if (s.format == XFormat::Binary) return;
    Indent(s);
    PutTextSeparator(s, separator);
}

void EndLine(XStream& s)
{
    if (s.format == XFormat::Binary) return;
    s.out.push_back('\n');
    s.atLineStart = true;
}

void WriteTemplate(XStream& s, const xformat::Template& t)
{
    if (s.format == XFormat::Text) {
        if (!s.atLineStart) EndLine(s);
        const std::string text = xformat::TemplateText(t);
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t end = text.find('\n', at);
            TextLine(s, std::string_view(text).substr(at, end - at));
            at = end + 1;
        }
        return;
    }

    PutToken(s, xformat::kTemplate);
    PutName(s, t.name);
    PutToken(s, xformat::kOBrace);
    PutGuid(s, t.guid);
    for (const xformat::TemplateMember& m : t.members) {
        if (!m.dimension.empty()) PutToken(s, xformat::kArray);
        const std::uint16_t primitive = xformat::KeywordToken(m.type);
        if (primitive != 0)
            PutToken(s, primitive);
        else
            PutName(s, m.type);
        PutName(s, m.name);
        if (!m.dimension.empty()) {
            PutToken(s, xformat::kOBracket);
            if (IsNumber(m.dimension)) {
                PutToken(s, xformat::kInteger);
                xformat::AppendU32(s.out, static_cast<std::uint32_t>(std::stoul(std::string(m.dimension))));
            } else {
                PutName(s, m.dimension);
            }
            PutToken(s, xformat::kCBracket);
        }
        PutToken(s, xformat::kSemicolon);
    }
    if (t.restriction == xformat::Restriction::Open) {
        PutToken(s, xformat::kOBracket);
        for (int i = 0; i < 3; ++i) PutToken(s, xformat::kDot);
        PutToken(s, xformat::kCBracket);
    } else if (t.restriction == xformat::Restriction::Restricted) {
        PutToken(s, xformat::kOBracket);
        for (std::size_t i = 0; i < t.children.size(); ++i) {
            if (i > 0) PutToken(s, xformat::kComma);
            PutName(s, t.children[i]);
            if (const xformat::Template* child = xformat::FindBuiltinTemplate(t.children[i])) PutGuid(s, child->guid);
        }
        PutToken(s, xformat::kCBracket);
    }
    PutToken(s, xformat::kCBrace);
}

void WriteToken(XStream& s, std::uint16_t token)
{
    RequireBinary(s);
    PutToken(s, token);
}

void WriteName(XStream& s, std::string_view name)
{
    RequireBinary(s);
    PutName(s, name);
}

void WriteGuid(XStream& s, const xformat::Guid& guid)
{
    RequireBinary(s);
    PutGuid(s, guid);
}

void WriteInteger(XStream& s, std::uint32_t value)
{
    RequireBinary(s);
    PutToken(s, xformat::kInteger);
    xformat::AppendU32(s.out, value);
}

void WriteStringToken(XStream& s, std::string_view value)
{
    RequireBinary(s);
    PutCounted(s, xformat::kString, value);
}

void WriteRaw(XStream& s, std::string_view bytes)
{
    RequireBinary(s);
    CloseList(s);
    s.out.append(bytes);
}

std::string FinishXStream(XStream& s)
{
    CloseList(s);
    return std::move(s.out);
}

} // namespace modelgen
