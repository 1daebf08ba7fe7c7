#include "tests/portable/d3dx/xfile/writer.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <zlib.h>

using namespace portable;

namespace portable {

namespace {
enum : uint16_t {
    kName = 1, kString = 2, kInteger = 3, kGuid = 5, kIntegerList = 6, kFloatList = 7,
    kOBrace = 10, kCBrace = 11, kOBracket = 14, kCBracket = 15, kDot = 18, kComma = 19, kSemicolon = 20,
    kTemplate = 31, kWord = 40, kDword = 41, kFloat = 42, kDouble = 43, kChar = 44, kUchar = 45,
    kSword = 46, kSdword = 47, kLpstr = 49, kUnicode = 50, kCstring = 51, kArray = 52,
};

void Put16(std::string& out, uint16_t v)
{
    out.push_back(static_cast<char>(v & 0xff));
    out.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

struct Converter {
    std::string_view text;
    size_t pos = 0;
    unsigned floatBits;
    std::string out;
    int templateDepth = 0; // inside a template declaration: braces open
    bool templateNext = false;

    bool AtEnd() { return pos >= text.size(); }

    void SkipSpace()
    {
        while (pos < text.size()) {
            const char c = text[pos];
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++pos;
            } else if (c == '#' || (c == '/' && pos + 1 < text.size() && text[pos + 1] == '/')) {
                while (pos < text.size() && text[pos] != '\n') ++pos;
            } else {
                break;
            }
        }
    }

    static bool IsWordChar(char c)
    {
        return !std::isspace(static_cast<unsigned char>(c)) && std::strchr("{}[]<>,;\"#", c) == nullptr;
    }

    std::string_view Word()
    {
        const size_t start = pos;
        while (pos < text.size() && IsWordChar(text[pos])) ++pos;
        return text.substr(start, pos - start);
    }

    static bool IsNumberStart(std::string_view rest)
    {
        if (rest.empty()) return false;
        const char c = rest[0];
        if (std::isdigit(static_cast<unsigned char>(c))) return true;
        return (c == '-' || c == '+' || c == '.') && rest.size() > 1
               && (std::isdigit(static_cast<unsigned char>(rest[1])) || rest[1] == '.');
    }

    static bool IsFloatWord(std::string_view word)
    {
        return word.find_first_of(".eE") != std::string_view::npos;
    }

    // A run of numbers of one kind, with the separators among and after them.
    void NumberRun()
    {
        std::vector<std::string> words;
        bool isFloat = false;
        for (;;) {
            SkipSpace();
            if (!IsNumberStart(text.substr(pos))) break;
            const size_t save = pos;
            const std::string word(Word());
            if (!words.empty() && IsFloatWord(word) != isFloat) {
                pos = save;
                break;
            }
            isFloat = IsFloatWord(word);
            words.push_back(word);
            for (;;) {
                SkipSpace();
                if (pos < text.size() && (text[pos] == ',' || text[pos] == ';')) {
                    ++pos;
                } else {
                    break;
                }
            }
        }
        Put16(out, isFloat ? kFloatList : kIntegerList);
        Put32(out, static_cast<uint32_t>(words.size()));
        for (const std::string& word : words) {
            if (isFloat) {
                const double value = std::stod(word);
                if (floatBits == 64) {
                    char bytes[8];
                    std::memcpy(bytes, &value, 8);
                    out.append(bytes, 8);
                } else {
                    const float narrow = static_cast<float>(value);
                    char bytes[4];
                    std::memcpy(bytes, &narrow, 4);
                    out.append(bytes, 4);
                }
            } else {
                const long long value = std::stoll(word);
                Put32(out, static_cast<uint32_t>(value));
            }
        }
    }

    void Guid()
    {
        const size_t close = text.find('>', pos);
        const std::string hex(text.substr(pos + 1, close - pos - 1));
        pos = close + 1;
        unsigned long d1 = 0;
        unsigned d2 = 0, d3 = 0, b[8] = {};
        if (std::sscanf(hex.c_str(), "%8lx-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x", &d1, &d2, &d3, &b[0], &b[1], &b[2],
                        &b[3], &b[4], &b[5], &b[6], &b[7])
            != 11) {
            throw std::runtime_error("bad guid " + hex);
        }
        Put16(out, kGuid);
        Put32(out, static_cast<uint32_t>(d1));
        Put16(out, static_cast<uint16_t>(d2));
        Put16(out, static_cast<uint16_t>(d3));
        for (unsigned byte : b) out.push_back(static_cast<char>(byte));
    }

    bool Keyword(std::string_view word)
    {
        struct Entry {
            std::string_view word;
            uint16_t token;
        };
        static constexpr Entry kKeywords[] = {
            {"template", kTemplate}, {"array", kArray},    {"WORD", kWord},       {"DWORD", kDword},
            {"FLOAT", kFloat},       {"DOUBLE", kDouble},  {"CHAR", kChar},       {"UCHAR", kUchar},
            {"SWORD", kSword},       {"SDWORD", kSdword},  {"STRING", kLpstr},    {"UNICODE", kUnicode},
            {"CSTRING", kCstring},
        };
        for (const Entry& entry : kKeywords) {
            if (entry.word == word) {
                Put16(out, entry.token);
                if (entry.token == kTemplate) templateNext = true;
                return true;
            }
        }
        return false;
    }

    void Run()
    {
        if (text.size() < 16) throw std::runtime_error("no header");
        out.append(text.substr(0, 8));
        out.append("bin ");
        out.append(floatBits == 64 ? "0064" : "0032");
        pos = 16;
        for (;;) {
            SkipSpace();
            if (AtEnd()) break;
            const char c = text[pos];
            if (templateDepth == 0 && IsNumberStart(text.substr(pos))) {
                NumberRun();
                continue;
            }
            switch (c) {
            case '{':
                ++pos;
                Put16(out, kOBrace);
                if (templateNext || templateDepth > 0) ++templateDepth;
                templateNext = false;
                continue;
            case '}':
                ++pos;
                Put16(out, kCBrace);
                if (templateDepth > 0) --templateDepth;
                continue;
            case '[': ++pos; Put16(out, kOBracket); continue;
            case ']': ++pos; Put16(out, kCBracket); continue;
            case ',': ++pos; Put16(out, kComma); continue;
            case ';': ++pos; Put16(out, kSemicolon); continue;
            case '<': Guid(); continue;
            case '"': {
                const size_t close = text.find('"', pos + 1);
                Put16(out, kString);
                Put32(out, static_cast<uint32_t>(close - pos - 1));
                out.append(text.substr(pos + 1, close - pos - 1));
                pos = close + 1;
                continue;
            }
            default:
                break;
            }
            if (c == '.') {
                ++pos;
                Put16(out, kDot);
                continue;
            }
            const std::string_view word = Word();
            if (word.empty()) throw std::runtime_error("cannot convert at " + std::to_string(pos));
            if (templateDepth > 0 && std::isdigit(static_cast<unsigned char>(word[0]))) {
                Put16(out, kInteger);
                Put32(out, static_cast<uint32_t>(std::stoul(std::string(word))));
                continue;
            }
            if (Keyword(word)) continue;
            Put16(out, kName);
            Put32(out, static_cast<uint32_t>(word.size()));
            out.append(word);
        }
    }
};
} // namespace

std::string XTextToBinary(std::string_view text, unsigned floatBits)
{
    Converter converter{text, 0, floatBits, {}, 0, false};
    converter.Run();
    return converter.out;
}

namespace {
constexpr size_t kRunBlock = 32768;

std::string Deflate(std::string_view block, std::string_view dictionary)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    if (!dictionary.empty()) {
        deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(dictionary.data()),
                             static_cast<uInt>(dictionary.size()));
    }
    std::string packed(deflateBound(&stream, static_cast<uLong>(block.size())) + 16, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.data()));
    stream.avail_in = static_cast<uInt>(block.size());
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = static_cast<uInt>(packed.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate failed");
    packed.resize(packed.size() - stream.avail_out);
    deflateEnd(&stream);
    return packed;
}

} // namespace

std::string XCompressRun(std::string_view format, std::string_view head, std::string_view unit, size_t count,
                         std::string_view tail)
{
    if (kRunBlock % unit.size() != 0) throw std::logic_error("the unit must divide the block size");
    const size_t runEnd = head.size() + unit.size() * count;
    const size_t total = runEnd + tail.size();
    std::string file = "xof 0303" + std::string(format) + "0032";
    Put32(file, static_cast<uint32_t>(total + 16));
    const auto bodyAt = [&](size_t offset) {
        if (offset < head.size()) return head[offset];
        if (offset < runEnd) return unit[(offset - head.size()) % unit.size()];
        return tail[offset - runEnd];
    };
    std::string previous;
    std::string runPacked; // a block of the run that follows another
    for (size_t offset = 0; offset < total; offset += kRunBlock) {
        const size_t length = std::min(kRunBlock, total - offset);
        const bool inRun = offset >= head.size() + kRunBlock && offset + length <= runEnd && length == kRunBlock;
        if (!inRun || runPacked.empty()) {
            std::string block(length, '\0');
            for (size_t i = 0; i < length; ++i) block[i] = bodyAt(offset + i);
            const std::string packed = Deflate(block, previous);
            if (inRun) runPacked = packed;
            previous = std::move(block);
            Put16(file, static_cast<uint16_t>(length));
            Put16(file, static_cast<uint16_t>(packed.size() + 2));
            file += "CK" + packed;
        } else {
            Put16(file, static_cast<uint16_t>(length));
            Put16(file, static_cast<uint16_t>(runPacked.size() + 2));
            file += "CK" + runPacked;
        }
    }
    return file;
}

std::string XCompress(std::string_view file, size_t blockSize)
{
    std::string out(file.substr(0, 16));
    if (out.compare(8, 4, "txt ") == 0) {
        out.replace(8, 4, "tzip");
    } else {
        out.replace(8, 4, "bzip");
    }
    const std::string_view body = file.substr(16);
    Put32(out, static_cast<uint32_t>(file.size()));
    size_t start = 0;
    size_t previous = 0;
    while (start < body.size()) {
        const size_t length = std::min(blockSize, body.size() - start);
        const std::string packed = Deflate(body.substr(start, length), body.substr(previous, start - previous));
        Put16(out, static_cast<uint16_t>(length));
        Put16(out, static_cast<uint16_t>(packed.size() + 2));
        out += "CK" + packed;
        previous = start;
        start += length;
    }
    return out;
}

} // namespace portable
