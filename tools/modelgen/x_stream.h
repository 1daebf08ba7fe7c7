// Writes the body of a .x file (everything after the 16-byte header) in the
// text or the binary encoding from one sequence of calls.
//
// Callers write data as the text encoding punctuates it: each value with the
// separator that follows it in text (';' ends a member, ',' separates array
// elements), and WriteSeparator for the extra ';' or ',' that closes a
// structure or an array element. The binary encoding drops those separators
// and gathers consecutive values of one kind into integer and float lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/portable/d3dx/xfile/format.h"
#include "tools/modelgen/x_encoding.h"

namespace modelgen {

struct XStream {
    XFormat format = XFormat::Text;
    int floatBits = 32;
    std::string out;
    // Text layout.
    int depth = 0;
    bool atLineStart = true;
    // Binary list being gathered: its token (0 for none), where its count
    // goes and how many values it holds so far.
    std::uint16_t listToken = 0;
    std::size_t listCountAt = 0;
    std::uint32_t listCount = 0;
};

XStream MakeXStream(const XEncoding& encoding);

void BeginObject(XStream& stream, std::string_view templateName, std::string_view objectName = {});
void EndObject(XStream& stream);
// separator: ';', ',' or 0 for none.
void WriteDword(XStream& stream, std::uint32_t value, char separator);
// A FLOAT value. Text and 32-bit binary take it as a float; 64-bit binary
// keeps a double as it is given.
void WriteFloat(XStream& stream, double value, char separator);
// A quoted string in text; in binary the separator becomes the string's
// terminator (';' when 0).
void WriteString(XStream& stream, std::string_view value, char separator);
void WriteSeparator(XStream& stream, char separator);
// Ends a text line; no effect in binary.
void EndLine(XStream& stream);
void WriteTemplate(XStream& stream, const xformat::Template& declared);

// Single tokens and raw bytes of the binary encoding, for files that no
// model makes: the odd and damaged files of the readers' tests. Binary
// streams only (std::logic_error for text); each ends the list being gathered.
// WriteToken writes any code, a token's or not.
void WriteToken(XStream& stream, std::uint16_t token);
void WriteName(XStream& stream, std::string_view name);
void WriteGuid(XStream& stream, const xformat::Guid& guid);
void WriteInteger(XStream& stream, std::uint32_t value);        // a single integer token
void WriteStringToken(XStream& stream, std::string_view value); // without the terminator
void WriteRaw(XStream& stream, std::string_view bytes);

// Closes any open list and hands out the body.
std::string FinishXStream(XStream& stream);

// Shortest decimal text that reads back as exactly `value`, always with a
// decimal point and never with an exponent.
std::string FormatXFloat(float value);

} // namespace modelgen
