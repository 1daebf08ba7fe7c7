// libFuzzer's custom mutator for the .x target: changes a file as its
// structure reads, so that mutations reach past the framing. A compressed
// file is inflated, its body changed and compressed again (blocks of a
// random size, chained or not), then sometimes its MSZIP frame itself is
// changed (a block's sizes, a block dropped or repeated, the total). A binary
// body is changed token by token: a run of tokens repeated many times (the
// shape of a file whose work grows faster than its size), removed, swapped;
// a list's count and elements; an integer or float made a boundary value. A
// text body, and anything else, goes to libFuzzer's own mutations, with
// repeated runs of lines added. Either kind sometimes has an object
// multiplied: a frame, mesh or material repeated, or a material list given
// many materials with its faces spread over them, one subset each (files
// whose work grows with materials, subsets and frames). Whatever fails to
// fit falls back to libFuzzer's mutations.
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/portable/d3dx/xfile/format.h"
#include "platform/portable/d3dx/xfile/source.h"

using namespace portable;

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

using Random = std::minstd_rand;

// Bodies are kept to this size after a change: a million values, where work
// growing with their square shows; larger ones only slow each run.
constexpr size_t kMaxBody = size_t{4} << 20;

size_t Below(Random& random, size_t bound) { return bound == 0 ? 0 : random() % bound; }

// How many times to repeat a run: mostly a few, sometimes thousands, now
// and then as many as the body takes (each run then takes long).
size_t Repeats(Random& random, size_t bodySize, size_t runSize)
{
    const unsigned pick = random() % 20;
    const size_t most = pick < 15 ? 16 : pick < 19 ? 4096 : kMaxBody;
    return std::min<size_t>(1 + Below(random, most), (kMaxBody - std::min(kMaxBody, bodySize)) / runSize);
}

// libFuzzer's mutations on a byte string, with room to grow.
void MutateBytes(std::string& bytes, size_t room)
{
    const size_t size = bytes.size();
    bytes.resize(std::max(size, room));
    const size_t got = LLVMFuzzerMutate(reinterpret_cast<uint8_t*>(bytes.data()), size, bytes.size());
    bytes.resize(got);
}

// ---- Binary tokens

struct Token {
    uint16_t code = 0;
    std::string payload; // the bytes after the code
};

// Splits a binary body into tokens; what does not parse ends as one raw token.
std::vector<Token> Tokens(const std::string& body, unsigned floatBytes)
{
    std::vector<Token> tokens;
    size_t p = 0;
    const auto u32At = [&](size_t at) { return xformat::LoadU32(reinterpret_cast<const uint8_t*>(body.data() + at)); };
    while (p + 2 <= body.size()) {
        Token token;
        token.code = xformat::LoadU16(reinterpret_cast<const uint8_t*>(body.data() + p));
        p += 2;
        uint64_t length = 0;
        switch (token.code) {
        case xformat::kName:
        case xformat::kString: length = p + 4 <= body.size() ? 4 + uint64_t{u32At(p)} : ~0ull; break;
        case xformat::kInteger: length = 4; break;
        case xformat::kGuid: length = 16; break;
        case xformat::kIntegerList: length = p + 4 <= body.size() ? 4 + 4 * uint64_t{u32At(p)} : ~0ull; break;
        case xformat::kFloatList: length = p + 4 <= body.size() ? 4 + floatBytes * uint64_t{u32At(p)} : ~0ull; break;
        default: break;
        }
        if (length > body.size() - p) {
            token.code = 0;
            token.payload = body.substr(p - 2);
            tokens.push_back(std::move(token));
            return tokens;
        }
        token.payload = body.substr(p, static_cast<size_t>(length));
        p += static_cast<size_t>(length);
        tokens.push_back(std::move(token));
    }
    if (p < body.size()) tokens.push_back(Token{0, body.substr(p)});
    return tokens;
}

std::string Join(const std::vector<Token>& tokens)
{
    std::string body;
    for (const Token& token : tokens) {
        if (token.code != 0) xformat::AppendU16(body, token.code);
        body += token.payload;
    }
    return body;
}

uint32_t Boundary(Random& random)
{
    static const uint32_t kValues[] = {0, 1, 2, 3, 255, 256, 65535, 65536, 0x7fffffff, 0x80000000, 0xffffffff};
    return random() % 4 == 0 ? static_cast<uint32_t>(random()) : kValues[Below(random, std::size(kValues))];
}

void Store32(std::string& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

// A value inside a token: an integer made a boundary value, a float a special one.
void ChangeValue(Token& token, unsigned floatBytes, Random& random)
{
    if (token.payload.size() < 4) return;
    if (token.code == xformat::kFloatList && token.payload.size() >= 4 + floatBytes) {
        const size_t count = (token.payload.size() - 4) / floatBytes;
        const size_t at = 4 + Below(random, count) * floatBytes;
        static const float kFloats[] = {0.0f,
                                        -0.0f,
                                        1.0f,
                                        -1.0f,
                                        1e30f,
                                        -1e-30f,
                                        std::numeric_limits<float>::quiet_NaN(),
                                        std::numeric_limits<float>::infinity()};
        const float value = kFloats[Below(random, std::size(kFloats))];
        if (floatBytes == 4) {
            std::memcpy(token.payload.data() + at, &value, 4);
        } else {
            const double wide = value;
            std::memcpy(token.payload.data() + at, &wide, 8);
        }
        return;
    }
    const size_t slots = token.payload.size() / 4;
    Store32(token.payload, 4 * Below(random, slots), Boundary(random));
}

// A list given `count` elements, repeating those it has (or zeros).
void Resize(Token& token, unsigned floatBytes, uint32_t count)
{
    const size_t element = token.code == xformat::kFloatList ? floatBytes : 4;
    const std::string elements = token.payload.substr(4);
    std::string grown;
    const size_t wanted = size_t{count} * element;
    while (grown.size() < wanted) grown += elements.empty() ? std::string(element, '\0') : elements;
    grown.resize(wanted);
    Store32(token.payload, 0, count);
    token.payload.replace(4, std::string::npos, grown);
}

const char* const kNames[] = {"Mesh",
                              "Frame",
                              "MeshNormals",
                              "MeshMaterialList",
                              "Material",
                              "TextureFilename",
                              "MeshTextureCoords",
                              "FrameTransformMatrix",
                              "MeshVertexColors",
                              "Header",
                              "M"};

Token NewToken(Random& random)
{
    static const uint16_t kBare[] = {xformat::kOBrace,   xformat::kCBrace,   xformat::kSemicolon, xformat::kComma,
                                     xformat::kOBracket, xformat::kCBracket, xformat::kTemplate,  xformat::kArray,
                                     xformat::kDword,    xformat::kFloat};
    Token token;
    switch (random() % 3) {
    case 0: {
        token.code = xformat::kName;
        const std::string name = kNames[Below(random, std::size(kNames))];
        token.payload.resize(4);
        Store32(token.payload, 0, static_cast<uint32_t>(name.size()));
        token.payload += name;
        break;
    }
    case 1:
        token.code = xformat::kIntegerList;
        token.payload.resize(8);
        Store32(token.payload, 0, 1);
        Store32(token.payload, 4, Boundary(random));
        break;
    default: token.code = kBare[Below(random, std::size(kBare))]; break;
    }
    return token;
}

bool MutateTokens(std::string& body, unsigned floatBytes, Random& random)
{
    std::vector<Token> tokens = Tokens(body, floatBytes);
    if (tokens.empty()) return false;
    const size_t n = tokens.size();
    const size_t first = Below(random, n);
    const size_t length = 1 + Below(random, std::min<size_t>(n - first, 16));
    switch (random() % 8) {
    case 0: { // a run repeated up to thousands of times
        const std::vector<Token> run(tokens.begin() + first, tokens.begin() + first + length);
        size_t runBytes = 0;
        for (const Token& token : run) runBytes += 2 + token.payload.size();
        const size_t times = Repeats(random, body.size(), runBytes);
        std::vector<Token> repeated;
        for (size_t i = 0; i < times; ++i) repeated.insert(repeated.end(), run.begin(), run.end());
        tokens.insert(tokens.begin() + first, repeated.begin(), repeated.end());
        break;
    }
    case 1: tokens.erase(tokens.begin() + first, tokens.begin() + first + length); break;
    case 2: std::swap(tokens[first], tokens[Below(random, n)]); break;
    case 3: { // a list with another count, elements to match
        for (size_t k = 0; k < n; ++k) {
            Token& token = tokens[(first + k) % n];
            if (token.code != xformat::kIntegerList && token.code != xformat::kFloatList) continue;
            const uint32_t count = xformat::LoadU32(reinterpret_cast<const uint8_t*>(token.payload.data()));
            const uint32_t changed = random() % 2 ? count + 1 - static_cast<uint32_t>(random() % 3)
                                                  : static_cast<uint32_t>(Below(random, 1 << (random() % 18)));
            if (uint64_t{changed} * 8 + body.size() > kMaxBody) return false;
            Resize(token, floatBytes, changed);
            break;
        }
        break;
    }
    case 4: ChangeValue(tokens[first], floatBytes, random); break;
    case 5: tokens.insert(tokens.begin() + first, NewToken(random)); break;
    case 6: { // a count that no longer matches what follows
        Token& token = tokens[first];
        if (token.payload.size() >= 4) Store32(token.payload, 0, Boundary(random));
        break;
    }
    default: { // one token's bytes, by libFuzzer
        Token& token = tokens[first];
        MutateBytes(token.payload, token.payload.size() + 16);
        break;
    }
    }
    body = Join(tokens);
    return true;
}

// ---- Objects multiplied: many materials, subsets and frames

bool IsNamed(const Token& token, std::string_view name)
{
    return token.code == xformat::kName && token.payload.size() == 4 + name.size()
        && std::string_view(token.payload).substr(4) == name;
}

// The token after the brace that closes the object whose name token is at
// `at` (its own name and a GUID may stand before the brace); 0 when unclosed.
size_t ObjectEnd(const std::vector<Token>& tokens, size_t at)
{
    int depth = 0;
    for (size_t k = at + 1; k < tokens.size(); ++k) {
        if (tokens[k].code == xformat::kOBrace) ++depth;
        if (tokens[k].code == xformat::kCBrace && --depth == 0) return k + 1;
        if (depth == 0 && k > at + 3) return 0;
    }
    return 0;
}

// A material list given many materials (its first one, or reference,
// repeated) and its faces spread over them, one subset each; or a frame,
// mesh or material repeated where it stands.
bool MultiplyObjects(std::string& body, unsigned floatBytes, Random& random)
{
    static const char* const kMultiplied[] = {"MeshMaterialList", "Material", "Frame", "Mesh"};
    std::vector<Token> tokens = Tokens(body, floatBytes);
    const std::string_view name = kMultiplied[Below(random, std::size(kMultiplied))];
    std::vector<size_t> found;
    for (size_t k = 0; k < tokens.size(); ++k) {
        if (IsNamed(tokens[k], name)) found.push_back(k);
    }
    if (found.empty()) return false;
    const size_t at = found[Below(random, found.size())];
    const size_t end = ObjectEnd(tokens, at);
    if (end == 0) return false;
    size_t lists = at + 1;
    while (lists < end && tokens[lists].code != xformat::kOBrace) ++lists;
    ++lists; // the material list's counts and face indices, then its materials
    const bool materialList = name == "MeshMaterialList" && lists + 1 < end
        && tokens[lists].code == xformat::kIntegerList && tokens[lists].payload.size() >= 12
        && (tokens[lists + 1].code == xformat::kOBrace || tokens[lists + 1].code == xformat::kName);
    // What is repeated: the list's first material (an object or a reference), or the object.
    size_t first = at, last = end;
    if (materialList) {
        first = lists + 1;
        last = tokens[first].code == xformat::kOBrace ? first + 3 : ObjectEnd(tokens, first);
        if (last == 0 || last > end - 1) return false;
    }
    size_t runBytes = 0;
    for (size_t k = first; k < last; ++k) runBytes += 2 + tokens[k].payload.size();
    const size_t times = Repeats(random, body.size(), runBytes + (materialList ? 4 : 0));
    if (materialList) {
        // The list's element count, then the materials, the face indices' count and the indices.
        Token& counts = tokens[lists];
        const uint32_t materials = xformat::LoadU32(reinterpret_cast<const uint8_t*>(counts.payload.data() + 4));
        const uint32_t total = materials + static_cast<uint32_t>(times);
        const size_t faces = (counts.payload.size() - 12) / 4;
        Store32(counts.payload, 4, total);
        for (size_t f = 0; f < faces; ++f) Store32(counts.payload, 12 + 4 * f, static_cast<uint32_t>(f % total));
    }
    const std::vector<Token> run(tokens.begin() + static_cast<std::ptrdiff_t>(first),
                                 tokens.begin() + static_cast<std::ptrdiff_t>(last));
    std::vector<Token> repeated;
    for (size_t i = 0; i < times; ++i) repeated.insert(repeated.end(), run.begin(), run.end());
    tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(last), repeated.begin(), repeated.end());
    body = Join(tokens);
    return true;
}

// The same in text: an object from its name to its closing brace repeated.
bool MultiplyTextObject(std::string& body, Random& random)
{
    static const char* const kMultiplied[] = {"Material ", "Frame ", "Mesh ", "{"};
    const std::string name = kMultiplied[Below(random, std::size(kMultiplied))];
    const size_t start = body.find(name, Below(random, body.size()));
    if (start == std::string::npos) return false;
    const size_t open = body.find('{', start);
    if (open == std::string::npos) return false;
    int depth = 0;
    for (size_t p = open; p < body.size(); ++p) {
        if (body[p] == '{') ++depth;
        if (body[p] != '}' || --depth > 0) continue;
        const std::string object = body.substr(start, p + 1 - start) + "\n";
        const size_t times = Repeats(random, body.size(), object.size());
        std::string repeated;
        repeated.reserve(object.size() * times);
        for (size_t i = 0; i < times; ++i) repeated += object;
        body.insert(p + 1, "\n" + repeated);
        return true;
    }
    return false;
}

// A run of lines repeated, for text bodies.
void RepeatLines(std::string& body, Random& random)
{
    if (body.empty()) return;
    const size_t start = body.rfind('\n', Below(random, body.size()));
    const size_t from = start == std::string::npos ? 0 : start + 1;
    size_t to = from;
    for (int lines = 1 + static_cast<int>(random() % 4); lines > 0 && to < body.size(); --lines) {
        const size_t end = body.find('\n', to);
        to = end == std::string::npos ? body.size() : end + 1;
    }
    if (to == from) return;
    const std::string run = body.substr(from, to - from);
    const size_t times = Repeats(random, body.size(), run.size());
    std::string repeated;
    repeated.reserve(run.size() * times);
    for (size_t i = 0; i < times; ++i) repeated += run;
    body.insert(to, repeated);
}

// ---- MSZIP

// The frame of a compressed file after its header: the total, then blocks
// of raw deflate data, each with the previous block's data as its dictionary
// when `chained`.
std::string Compress(const std::string& body, size_t blockSize, bool chained)
{
    std::string out;
    xformat::AppendU32(out, static_cast<uint32_t>(body.size() + xformat::kHeaderSize));
    std::string dictionary;
    std::vector<unsigned char> deflated;
    for (size_t at = 0; at < body.size() || at == 0; at += blockSize) {
        const std::string block = body.substr(at, blockSize);
        z_stream z{};
        if (deflateInit2(&z, 1, Z_DEFLATED, -xformat::kMszipWindowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
        if (chained && !dictionary.empty()) {
            deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(dictionary.data()),
                                 static_cast<uInt>(dictionary.size()));
        }
        deflated.resize(deflateBound(&z, static_cast<uLong>(block.size())) + 16);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.data()));
        z.avail_in = static_cast<uInt>(block.size());
        z.next_out = deflated.data();
        z.avail_out = static_cast<uInt>(deflated.size());
        const int result = deflate(&z, Z_FINISH);
        const size_t produced = deflated.size() - z.avail_out;
        deflateEnd(&z);
        if (result != Z_STREAM_END || produced + 2 > 0xffff) return {};
        xformat::AppendU16(out, static_cast<uint16_t>(block.size()));
        xformat::AppendU16(out, static_cast<uint16_t>(produced + 2));
        out += "CK";
        out.append(reinterpret_cast<const char*>(deflated.data()), produced);
        dictionary = block;
        if (body.empty()) break;
    }
    return out;
}

// The frame itself changed: a block's sizes, a block dropped or repeated, the total.
void MutateFrame(std::string& frame, Random& random)
{
    std::vector<std::pair<size_t, size_t>> blocks; // start, length (frame included)
    for (size_t p = 4; p + 4 <= frame.size();) {
        const size_t length = 4 + xformat::LoadU16(reinterpret_cast<const uint8_t*>(frame.data() + p + 2));
        if (p + length > frame.size()) break;
        blocks.emplace_back(p, length);
        p += length;
    }
    if (blocks.empty() || random() % 4 == 0) {
        Store32(frame, 0, Boundary(random));
        return;
    }
    const auto [start, length] = blocks[Below(random, blocks.size())];
    switch (random() % 3) {
    case 0: { // a size field
        const size_t at = start + 2 * Below(random, 2);
        const uint32_t value = Boundary(random) & 0xffff;
        frame[at] = static_cast<char>(value & 0xff);
        frame[at + 1] = static_cast<char>(value >> 8);
        break;
    }
    case 1: frame.erase(start, length); break;
    default: frame.insert(start, frame.substr(start, length)); break;
    }
}

} // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    Random random(seed);
    xformat::Header header;
    const char* text = reinterpret_cast<const char*>(data);
    if (random() % 8 == 0 || xformat::ReadHeader(text, size, header) != xformat::HeaderFault::None) {
        return LLVMFuzzerMutate(data, size, maxSize);
    }
    const bool compressed = xformat::IsCompressed(header.encoding);
    std::string body;
    if (compressed) {
        XInflatedBytes inflated;
        if (FAILED(InflateMsZip(data + xformat::kHeaderSize, size - xformat::kHeaderSize, inflated))) {
            return LLVMFuzzerMutate(data, size, maxSize);
        }
        body.assign(inflated.data(), inflated.size());
    } else {
        body.assign(text + xformat::kHeaderSize, size - xformat::kHeaderSize);
    }

    const unsigned floatBytes = header.floatBits / 8;
    const bool binary = xformat::IsBinary(header.encoding);
    bool changed = false;
    if (random() % 6 == 0) {
        changed = binary ? MultiplyObjects(body, floatBytes, random) : MultiplyTextObject(body, random);
    }
    if (!changed && (!binary || random() % 4 == 0 || !MutateTokens(body, floatBytes, random))) {
        if (random() % 3 == 0) {
            RepeatLines(body, random);
        } else {
            MutateBytes(body, body.size() + 64);
        }
    }

    std::string file(text, xformat::kHeaderSize);
    if (compressed) {
        const size_t blockSize = 1 + Below(random, xformat::kMszipMaxBlock);
        std::string frame = Compress(body, blockSize, random() % 2 == 0);
        if (frame.empty()) return LLVMFuzzerMutate(data, size, maxSize);
        if (random() % 4 == 0) MutateFrame(frame, random);
        file += frame;
    } else {
        file += body;
    }
    if (file.size() > maxSize) return LLVMFuzzerMutate(data, size, maxSize);
    std::memcpy(data, file.data(), file.size());
    return file.size();
}
