// A small independent reader of .x files for checking what modelgen writes:
// MSZIP unpacking, binary tokens, text tokens, and the one Frame/Mesh layout.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xcheck {

using Bytes = std::vector<std::uint8_t>;

struct MszipBlockInfo {
    std::size_t uncompressedSize = 0;
    std::size_t compressedSize = 0;  // as declared: counts "CK"
};

struct MszipFile {
    std::string header;             // the 16-byte header as written
    std::uint32_t declaredTotal = 0;  // the 4-byte total after the header
    std::vector<MszipBlockInfo> blocks;
    std::string payload;            // everything after the header, inflated
};

// Throws std::runtime_error on a malformed container or deflate stream.
// With useDictionary each block is inflated with the previous block's output
// preset as its dictionary; without it every block must stand alone.
MszipFile ReadMszip(const Bytes& file, bool useDictionary);

// One token of the binary encoding as stored (lists kept whole).
struct RawToken {
    std::uint16_t id = 0;
    std::string text;                   // name, string
    std::uint16_t terminator = 0;       // string
    std::vector<std::uint32_t> integers;  // integer, integer list
    std::vector<double> floats;         // float list
    std::string guid;                   // "<...>" text form
};
std::vector<RawToken> ReadBinaryTokens(std::string_view body, int floatBits);

// Tokens with the structure that both encodings share: separators dropped,
// lists split into single values.
enum class Kind { Name, String, Integer, Float, Guid, OpenBrace, CloseBrace, Other };
struct DataToken {
    Kind kind = Kind::Other;
    std::string text;
    std::uint32_t integer = 0;
    double number = 0;
};
std::vector<DataToken> ReadDataTokens(const Bytes& file);
std::vector<DataToken> TextDataTokens(std::string_view body);

struct XMaterial {
    std::string name;
    std::vector<double> values;  // faceColor (4), power, specular (3), emissive (3)
    std::string texture;
    bool operator==(const XMaterial&) const = default;
};

struct XMesh {
    std::string frameName;
    std::vector<double> frameMatrix;
    std::string meshName;
    std::vector<double> positions;  // x, y, z per vertex
    std::vector<std::vector<std::uint32_t>> faces;
    std::vector<double> normals;
    std::vector<std::vector<std::uint32_t>> normalFaces;
    std::vector<double> texcoords;  // u, v per vertex
    std::vector<std::uint32_t> faceMaterials;
    std::vector<XMaterial> materials;
    int templates = 0;  // template declarations skipped
    bool operator==(const XMesh&) const = default;
};

// Throws std::runtime_error when the file does not have the expected layout.
XMesh ReadXMesh(const Bytes& file);

}  // namespace xcheck
