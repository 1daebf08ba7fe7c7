#include "tests/modelgen/x_test_reader.h"

#include <zlib.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace xcheck {
namespace {

std::uint32_t U32(std::string_view s, std::size_t at) {
    if (at + 4 > s.size()) throw std::runtime_error("truncated");
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(s[at + static_cast<std::size_t>(i)]);
    return v;
}

std::uint16_t U16(std::string_view s, std::size_t at) {
    if (at + 2 > s.size()) throw std::runtime_error("truncated");
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(s[at]) | (static_cast<std::uint8_t>(s[at + 1]) << 8));
}

std::string Inflate(std::string_view input, std::size_t expected, std::string_view dictionary) {
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) throw std::runtime_error("inflateInit2");
    if (!dictionary.empty() &&
        inflateSetDictionary(&z, reinterpret_cast<const Bytef*>(dictionary.data()),
                             static_cast<uInt>(dictionary.size())) != Z_OK) {
        inflateEnd(&z);
        throw std::runtime_error("inflateSetDictionary");
    }
    std::string out(expected + 1, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    z.avail_in = static_cast<uInt>(input.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&z, Z_FINISH);
    const std::size_t produced = out.size() - z.avail_out;
    const std::size_t unused = z.avail_in;
    inflateEnd(&z);
    if (result != Z_STREAM_END) throw std::runtime_error("block does not inflate to a complete stream");
    if (unused != 0) throw std::runtime_error("bytes left after a block's deflate stream");
    if (produced != expected) throw std::runtime_error("block inflates to a different size than declared");
    out.resize(produced);
    return out;
}

std::string AsString(const Bytes& b) { return std::string(b.begin(), b.end()); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

MszipFile ReadMszip(const Bytes& bytes, bool useDictionary) {
    const std::string file = AsString(bytes);
    if (file.size() < 20) throw std::runtime_error("too short for a compressed .x file");
    MszipFile result;
    result.header = file.substr(0, 16);
    result.declaredTotal = U32(file, 16);
    std::size_t at = 20;
    std::string previous;
    while (at < file.size()) {
        MszipBlockInfo block;
        block.uncompressedSize = U16(file, at);
        block.compressedSize = U16(file, at + 2);
        at += 4;
        if (block.compressedSize < 2 || at + block.compressedSize > file.size())
            throw std::runtime_error("block runs past the end of the file");
        if (file[at] != 'C' || file[at + 1] != 'K') throw std::runtime_error("block without the CK signature");
        const std::string_view deflated(file.data() + at + 2, block.compressedSize - 2);
        const std::string out = Inflate(deflated, block.uncompressedSize, useDictionary ? previous : std::string());
        result.payload += out;
        previous = out;
        result.blocks.push_back(block);
        at += block.compressedSize;
    }
    return result;
}

std::vector<RawToken> ReadBinaryTokens(std::string_view s, int floatBits) {
    std::vector<RawToken> tokens;
    std::size_t at = 0;
    const std::size_t floatSize = floatBits == 64 ? 8 : 4;
    while (at < s.size()) {
        RawToken t;
        t.id = U16(s, at);
        at += 2;
        switch (t.id) {
            case 1: {  // name
                const std::uint32_t n = U32(s, at);
                at += 4;
                if (at + n > s.size()) throw std::runtime_error("truncated name");
                t.text = std::string(s.substr(at, n));
                at += n;
                break;
            }
            case 2: {  // string with its terminator token
                const std::uint32_t n = U32(s, at);
                at += 4;
                if (at + n > s.size()) throw std::runtime_error("truncated string");
                t.text = std::string(s.substr(at, n));
                at += n;
                t.terminator = U16(s, at);
                at += 2;
                break;
            }
            case 3:
                t.integers.push_back(U32(s, at));
                at += 4;
                break;
            case 5: {
                char text[40];
                const std::uint32_t d1 = U32(s, at);
                const unsigned d2 = U16(s, at + 4);
                const unsigned d3 = U16(s, at + 6);
                if (at + 16 > s.size()) throw std::runtime_error("truncated guid");
                const auto b = [&](int i) { return static_cast<unsigned>(static_cast<std::uint8_t>(s[at + 8 + static_cast<std::size_t>(i)])); };
                std::snprintf(text, sizeof text, "<%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X>", d1, d2, d3, b(0),
                              b(1), b(2), b(3), b(4), b(5), b(6), b(7));
                t.guid = text;
                at += 16;
                break;
            }
            case 6: {
                const std::uint32_t n = U32(s, at);
                at += 4;
                if (n > (s.size() - at) / 4) throw std::runtime_error("truncated integer list");
                for (std::uint32_t i = 0; i < n; ++i, at += 4) t.integers.push_back(U32(s, at));
                break;
            }
            case 7: {
                const std::uint32_t n = U32(s, at);
                at += 4;
                if (n > (s.size() - at) / floatSize) throw std::runtime_error("truncated float list");
                for (std::uint32_t i = 0; i < n; ++i, at += floatSize) {
                    if (floatSize == 8) {
                        double d;
                        std::memcpy(&d, s.data() + at, 8);
                        t.floats.push_back(d);
                    } else {
                        float f;
                        std::memcpy(&f, s.data() + at, 4);
                        t.floats.push_back(f);
                    }
                }
                break;
            }
            default:
                if (!((t.id >= 10 && t.id <= 20) || t.id == 31 || (t.id >= 40 && t.id <= 52)))
                    throw std::runtime_error("unknown token " + std::to_string(t.id));
                break;
        }
        tokens.push_back(std::move(t));
    }
    return tokens;
}

std::vector<DataToken> TextDataTokens(std::string_view s) {
    std::vector<DataToken> tokens;
    std::size_t at = 0;
    while (at < s.size()) {
        const char c = s[at];
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == ',' || c == ';') {
            ++at;
        } else if (c == '/' && at + 1 < s.size() && s[at + 1] == '/') {
            while (at < s.size() && s[at] != '\n') ++at;
        } else if (c == '{' || c == '}') {
            tokens.push_back({c == '{' ? Kind::OpenBrace : Kind::CloseBrace, {}, 0, 0});
            ++at;
        } else if (c == '[' || c == ']' || c == '.') {
            tokens.push_back({Kind::Other, std::string(1, c), 0, 0});
            ++at;
        } else if (c == '<') {
            const std::size_t end = s.find('>', at);
            if (end == std::string_view::npos) throw std::runtime_error("unterminated guid");
            tokens.push_back({Kind::Guid, std::string(s.substr(at, end - at + 1)), 0, 0});
            at = end + 1;
        } else if (c == '"') {
            const std::size_t end = s.find('"', at + 1);
            if (end == std::string_view::npos) throw std::runtime_error("unterminated string");
            tokens.push_back({Kind::String, std::string(s.substr(at + 1, end - at - 1)), 0, 0});
            at = end + 1;
        } else if (IsDigit(c) || c == '-') {
            std::size_t end = at + 1;
            while (end < s.size() && (IsDigit(s[end]) || s[end] == '.')) ++end;
            const std::string text(s.substr(at, end - at));
            if (text.find('.') != std::string::npos)
                tokens.push_back({Kind::Float, text, 0, std::strtof(text.c_str(), nullptr)});  // FLOAT members are 32-bit
            else
                tokens.push_back({Kind::Integer, text, static_cast<std::uint32_t>(std::stoul(text)), 0});
            at = end;
        } else {
            std::size_t end = at;
            while (end < s.size() && (std::isalnum(static_cast<unsigned char>(s[end])) || s[end] == '_')) ++end;
            if (end == at) throw std::runtime_error(std::string("unexpected character '") + c + "'");
            tokens.push_back({Kind::Name, std::string(s.substr(at, end - at)), 0, 0});
            at = end;
        }
    }
    return tokens;
}

std::vector<DataToken> ReadDataTokens(const Bytes& bytes) {
    const std::string file = AsString(bytes);
    if (file.size() < 16 || file.compare(0, 8, "xof 0303") != 0) throw std::runtime_error("not a .x file");
    const std::string type = file.substr(8, 4);
    const int floatBits = file.compare(12, 4, "0064") == 0 ? 64 : 32;
    std::string body = file.substr(16);
    if (type == "tzip" || type == "bzip") body = ReadMszip(bytes, true).payload;
    if (type == "txt " || type == "tzip") return TextDataTokens(body);
    if (type != "bin " && type != "bzip") throw std::runtime_error("unknown format " + type);

    std::vector<DataToken> tokens;
    for (const RawToken& t : ReadBinaryTokens(body, floatBits)) {
        switch (t.id) {
            case 1: tokens.push_back({Kind::Name, t.text, 0, 0}); break;
            case 2: tokens.push_back({Kind::String, t.text, 0, 0}); break;
            case 3:
            case 6:
                for (const std::uint32_t v : t.integers) tokens.push_back({Kind::Integer, {}, v, 0});
                break;
            case 7:
                for (const double v : t.floats) tokens.push_back({Kind::Float, {}, 0, v});
                break;
            case 5: tokens.push_back({Kind::Guid, t.guid, 0, 0}); break;
            case 10: tokens.push_back({Kind::OpenBrace, {}, 0, 0}); break;
            case 11: tokens.push_back({Kind::CloseBrace, {}, 0, 0}); break;
            case 19:
            case 20: break;  // separators
            case 31: tokens.push_back({Kind::Name, "template", 0, 0}); break;
            default: tokens.push_back({Kind::Other, std::to_string(t.id), 0, 0}); break;
        }
    }
    return tokens;
}

namespace {

struct Cursor {
    const std::vector<DataToken>& tokens;
    std::size_t at = 0;

    const DataToken& Next(Kind kind, const char* what) {
        if (at >= tokens.size()) throw std::runtime_error(std::string("file ends before ") + what);
        const DataToken& t = tokens[at++];
        if (t.kind != kind) throw std::runtime_error(std::string("expected ") + what);
        return t;
    }
    bool Peek(Kind kind) const { return at < tokens.size() && tokens[at].kind == kind; }
    void Name(const std::string& name) {
        if (Next(Kind::Name, name.c_str()).text != name) throw std::runtime_error("expected " + name);
    }
    std::uint32_t Integer() { return Next(Kind::Integer, "an integer").integer; }
    double Float() { return Next(Kind::Float, "a float").number; }
    void Floats(std::vector<double>& out, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) out.push_back(Float());
    }
    std::vector<std::vector<std::uint32_t>> Faces() {
        std::vector<std::vector<std::uint32_t>> faces(Integer());
        for (auto& face : faces) {
            face.resize(Integer());
            for (auto& index : face) index = Integer();
        }
        return faces;
    }
    std::string OptionalName() { return Peek(Kind::Name) ? Next(Kind::Name, "a name").text : std::string(); }
};

}  // namespace

XMesh ReadXMesh(const Bytes& file) {
    const std::vector<DataToken> tokens = ReadDataTokens(file);
    Cursor c{tokens};
    XMesh mesh;
    while (c.Peek(Kind::Name) && tokens[c.at].text == "template") {
        ++c.at;
        c.Next(Kind::Name, "a template name");
        c.Next(Kind::OpenBrace, "{");
        while (!c.Peek(Kind::CloseBrace)) c.at++;
        c.Next(Kind::CloseBrace, "}");
        ++mesh.templates;
    }
    c.Name("Frame");
    mesh.frameName = c.OptionalName();
    c.Next(Kind::OpenBrace, "{");
    c.Name("FrameTransformMatrix");
    c.Next(Kind::OpenBrace, "{");
    c.Floats(mesh.frameMatrix, 16);
    c.Next(Kind::CloseBrace, "}");
    c.Name("Mesh");
    mesh.meshName = c.OptionalName();
    c.Next(Kind::OpenBrace, "{");
    c.Floats(mesh.positions, 3 * static_cast<std::size_t>(c.Integer()));
    mesh.faces = c.Faces();
    while (c.Peek(Kind::Name)) {
        const std::string child = c.Next(Kind::Name, "a child").text;
        c.Next(Kind::OpenBrace, "{");
        if (child == "MeshNormals") {
            c.Floats(mesh.normals, 3 * static_cast<std::size_t>(c.Integer()));
            mesh.normalFaces = c.Faces();
        } else if (child == "MeshTextureCoords") {
            c.Floats(mesh.texcoords, 2 * static_cast<std::size_t>(c.Integer()));
        } else if (child == "MeshMaterialList") {
            const std::uint32_t materials = c.Integer();
            mesh.faceMaterials.resize(c.Integer());
            for (auto& m : mesh.faceMaterials) m = c.Integer();
            for (std::uint32_t i = 0; i < materials; ++i) {
                XMaterial material;
                c.Name("Material");
                material.name = c.OptionalName();
                c.Next(Kind::OpenBrace, "{");
                c.Floats(material.values, 11);
                if (c.Peek(Kind::Name)) {
                    c.Name("TextureFilename");
                    c.Next(Kind::OpenBrace, "{");
                    material.texture = c.Next(Kind::String, "a file name").text;
                    c.Next(Kind::CloseBrace, "}");
                }
                c.Next(Kind::CloseBrace, "}");
                mesh.materials.push_back(material);
            }
        } else {
            throw std::runtime_error("unexpected child " + child);
        }
        c.Next(Kind::CloseBrace, "}");
    }
    c.Next(Kind::CloseBrace, "} of the mesh");
    c.Next(Kind::CloseBrace, "} of the frame");
    if (c.at != tokens.size()) throw std::runtime_error("tokens after the frame");
    return mesh;
}

}  // namespace xcheck
