#include "tests/portable/d3dx/xfile/encoded_files.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>
#include <vector>

#include "platform/portable/d3dx/xfile/tokenizer.h"
#include "platform/portable/d3dx/xfile/format.h"
#include "tools/modelgen/mszip.h"

namespace portable {

namespace {

std::string AsString(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

xformat::Header HeaderOf(std::string_view file)
{
    xformat::Header header;
    if (xformat::ReadHeader(file.data(), file.size(), header) != xformat::HeaderFault::None) {
        throw std::invalid_argument("not a .x file");
    }
    return header;
}

double NumberOf(std::string_view word)
{
    if (!word.empty() && word[0] == '+') word.remove_prefix(1);
    double value = 0;
    const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
    if (result.ec != std::errc() || result.ptr != word.data() + word.size()) {
        throw std::invalid_argument("not a number: " + std::string(word));
    }
    return value;
}

// The code of a token that carries nothing.
uint16_t CodeOf(XTok kind)
{
    for (uint16_t code = 1; code <= xformat::kArray; ++code) {
        if (BareTokenKind(code) == kind) return code;
    }
    throw std::invalid_argument("a token the binary encoding has no code for");
}

modelgen::XStream BinaryStream(unsigned floatBits)
{
    return modelgen::MakeXStream({modelgen::XFormat::Binary, false, static_cast<int>(floatBits)});
}

} // namespace

std::string XTextToBinary(std::string_view text, unsigned floatBits)
{
    if (HeaderOf(text).encoding != xformat::Encoding::Text) throw std::invalid_argument("not a text file");
    modelgen::XStream stream = BinaryStream(floatBits);
    XTextReader reader(text.data() + xformat::kHeaderSize, text.size() - xformat::kHeaderSize);
    bool templateNext = false; // "template" read, its brace not yet
    int templateDepth = 0;     // braces open inside a template declaration
    bool inList = false;       // a number of the data came last
    for (;;) {
        const XToken token = reader.Next();
        const bool number = token.kind == XTok::Integer || token.kind == XTok::Float;
        if (number && templateDepth == 0) {
            if (token.kind == XTok::Integer) {
                modelgen::WriteDword(stream, token.integer, 0);
            } else {
                modelgen::WriteFloat(stream, NumberOf(token.text), 0);
            }
            inList = true;
            continue;
        }
        if (inList && (token.kind == XTok::Comma || token.kind == XTok::Semicolon)) continue;
        inList = false;
        switch (token.kind) {
        case XTok::End: return xformat::HeaderText({xformat::Encoding::Binary, floatBits}) + FinishXStream(stream);
        case XTok::Integer: modelgen::WriteInteger(stream, token.integer); break;
        case XTok::Name: {
            const uint16_t keyword = xformat::KeywordToken(token.text);
            if (keyword == 0) {
                modelgen::WriteName(stream, token.text);
                break;
            }
            modelgen::WriteToken(stream, keyword);
            templateNext = templateNext || keyword == xformat::kTemplate;
            break;
        }
        case XTok::String: modelgen::WriteStringToken(stream, token.text); break;
        case XTok::Guid: modelgen::WriteGuid(stream, token.guid); break;
        case XTok::OBrace:
            if (templateNext || templateDepth > 0) ++templateDepth;
            templateNext = false;
            modelgen::WriteToken(stream, xformat::kOBrace);
            break;
        case XTok::CBrace:
            if (templateDepth > 0) --templateDepth;
            modelgen::WriteToken(stream, xformat::kCBrace);
            break;
        case XTok::Error:
        case XTok::Float: throw std::invalid_argument("text the binary form cannot hold");
        default: modelgen::WriteToken(stream, CodeOf(token.kind)); break;
        }
    }
}

std::string XCompress(std::string_view file, size_t blockSize)
{
    xformat::Header header = HeaderOf(file);
    header.encoding =
        xformat::IsBinary(header.encoding) ? xformat::Encoding::BinaryCompressed : xformat::Encoding::TextCompressed;
    modelgen::MszipOptions options;
    options.chainBlocks = true;
    options.blockSize = blockSize;
    return AsString(modelgen::MszipCompress(xformat::HeaderText(header), file.substr(xformat::kHeaderSize), options));
}

std::string XCompressRun(std::string_view format, std::string_view head, std::string_view unit, size_t count,
                         std::string_view tail)
{
    constexpr size_t kBlock = xformat::kMszipMaxBlock;
    if (kBlock % unit.size() != 0) throw std::logic_error("the unit must divide the block size");
    const size_t runEnd = head.size() + unit.size() * count;
    const size_t total = runEnd + tail.size();
    const xformat::Encoding encoding =
        format == "bzip" ? xformat::Encoding::BinaryCompressed : xformat::Encoding::TextCompressed;
    std::string file = xformat::HeaderText({encoding, 32});
    xformat::AppendU32(file, static_cast<uint32_t>(total + xformat::kHeaderSize));
    const auto bodyAt = [&](size_t offset) {
        if (offset < head.size()) return head[offset];
        if (offset < runEnd) return unit[(offset - head.size()) % unit.size()];
        return tail[offset - runEnd];
    };
    std::string previous;
    std::string runBlock; // a block of the run that follows another
    for (size_t offset = 0; offset < total; offset += kBlock) {
        const size_t length = std::min(kBlock, total - offset);
        const bool inRun = offset >= head.size() + kBlock && offset + length <= runEnd && length == kBlock;
        if (inRun && !runBlock.empty()) {
            file += runBlock;
            continue;
        }
        std::string block(length, '\0');
        for (size_t i = 0; i < length; ++i) block[i] = bodyAt(offset + i);
        const std::string packed = AsString(modelgen::MszipBlock(block, previous));
        if (inRun) runBlock = packed;
        file += packed;
        previous = std::move(block);
    }
    return file;
}

std::string XBinaryFile(const std::function<void(modelgen::XStream&)>& write)
{
    modelgen::XStream stream = BinaryStream(32);
    write(stream);
    return xformat::HeaderText({xformat::Encoding::Binary, 32}) + modelgen::FinishXStream(stream);
}

std::string XU32(uint32_t value)
{
    std::string bytes;
    xformat::AppendU32(bytes, value);
    return bytes;
}

} // namespace portable
