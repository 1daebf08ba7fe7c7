#include "platform/portable/d3dx/xfile/format.h"

namespace xformat {
namespace {

constexpr std::string_view kMagic = "xof ";
constexpr std::string_view kVersion = "0303";

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

struct EncodingCode {
    Encoding encoding;
    std::string_view code;
};

constexpr EncodingCode kEncodingCodes[] = {
    {Encoding::Text, "txt "},
    {Encoding::Binary, "bin "},
    {Encoding::TextCompressed, "tzip"},
    {Encoding::BinaryCompressed, "bzip"},
};

// The keywords of the text encoding and their tokens.
struct Keyword {
    std::string_view text;
    Token token;
};

constexpr Keyword kKeywords[] = {
    {"template", kTemplate}, {"array", kArray},  {"WORD", kWord},   {"DWORD", kDword},     {"FLOAT", kFloat},
    {"DOUBLE", kDouble},     {"CHAR", kChar},    {"UCHAR", kUchar}, {"BYTE", kUchar},      {"SWORD", kSword},
    {"SDWORD", kSdword},     {"STRING", kLpstr}, {"LPSTR", kLpstr}, {"UNICODE", kUnicode}, {"CSTRING", kCstring},
};

// A GUID as its text groups: 8-4-4-4-12 hexadecimal digits.
constexpr Guid GuidOf(uint32_t data1, uint16_t data2, uint16_t data3, uint16_t data4High, uint64_t data4Low)
{
    Guid guid{data1, data2, data3, {}};
    guid.data4[0] = static_cast<uint8_t>(data4High >> 8);
    guid.data4[1] = static_cast<uint8_t>(data4High);
    for (int i = 0; i < 6; ++i) guid.data4[2 + i] = static_cast<uint8_t>(data4Low >> (8 * (5 - i)));
    return guid;
}

std::vector<Template> MakeBuiltinTemplates()
{
    constexpr Restriction kOpen = Restriction::Open;
    constexpr Restriction kRestricted = Restriction::Restricted;
    return {
        {"Header",
         GuidOf(0x3D82AB43, 0x62DA, 0x11CF, 0xAB39, 0x0020AF71E433),
         {{"WORD", "major"}, {"WORD", "minor"}, {"DWORD", "flags"}}},
        {"Vector",
         GuidOf(0x3D82AB5E, 0x62DA, 0x11CF, 0xAB39, 0x0020AF71E433),
         {{"FLOAT", "x"}, {"FLOAT", "y"}, {"FLOAT", "z"}}},
        {"Coords2d", GuidOf(0xF6F23F44, 0x7686, 0x11CF, 0x8F52, 0x0040333594A3), {{"FLOAT", "u"}, {"FLOAT", "v"}}},
        {"Matrix4x4", GuidOf(0xF6F23F45, 0x7686, 0x11CF, 0x8F52, 0x0040333594A3), {{"FLOAT", "matrix", "16"}}},
        {"ColorRGBA",
         GuidOf(0x35FF44E0, 0x6C7C, 0x11CF, 0x8F52, 0x0040333594A3),
         {{"FLOAT", "red"}, {"FLOAT", "green"}, {"FLOAT", "blue"}, {"FLOAT", "alpha"}}},
        {"ColorRGB",
         GuidOf(0xD3E16E81, 0x7835, 0x11CF, 0x8F52, 0x0040333594A3),
         {{"FLOAT", "red"}, {"FLOAT", "green"}, {"FLOAT", "blue"}}},
        {"IndexedColor",
         GuidOf(0x1630B820, 0x7842, 0x11CF, 0x8F52, 0x0040333594A3),
         {{"DWORD", "index"}, {"ColorRGBA", "indexColor"}}},
        {"Boolean", GuidOf(0x4885AE61, 0x78E8, 0x11CF, 0x8F52, 0x0040333594A3), {{"WORD", "truefalse"}}},
        {"Boolean2d", GuidOf(0x4885AE63, 0x78E8, 0x11CF, 0x8F52, 0x0040333594A3), {{"Boolean", "u"}, {"Boolean", "v"}}},
        {"MaterialWrap",
         GuidOf(0x4885AE60, 0x78E8, 0x11CF, 0x8F52, 0x0040333594A3),
         {{"Boolean", "u"}, {"Boolean", "v"}}},
        {"TextureFilename", GuidOf(0xA42790E1, 0x7810, 0x11CF, 0x8F52, 0x0040333594A3), {{"STRING", "filename"}}},
        {"Material",
         GuidOf(0x3D82AB4D, 0x62DA, 0x11CF, 0xAB39, 0x0020AF71E433),
         {{"ColorRGBA", "faceColor"}, {"FLOAT", "power"}, {"ColorRGB", "specularColor"}, {"ColorRGB", "emissiveColor"}},
         kOpen},
        {"MeshFace",
         GuidOf(0x3D82AB5F, 0x62DA, 0x11CF, 0xAB39, 0x0020AF71E433),
         {{"DWORD", "nFaceVertexIndices"}, {"DWORD", "faceVertexIndices", "nFaceVertexIndices"}}},
        {"MeshFaceWraps",
         GuidOf(0x4885AE62, 0x78E8, 0x11CF, 0x8F52, 0x0040333594A3),
         {{"DWORD", "nFaceWrapValues"}, {"Boolean2d", "faceWrapValues", "nFaceWrapValues"}}},
        {"MeshTextureCoords",
         GuidOf(0xF6F23F40, 0x7686, 0x11CF, 0x8F52, 0x0040333594A3),
         {{"DWORD", "nTextureCoords"}, {"Coords2d", "textureCoords", "nTextureCoords"}}},
        {"MeshMaterialList",
         GuidOf(0xF6F23F42, 0x7686, 0x11CF, 0x8F52, 0x0040333594A3),
         {{"DWORD", "nMaterials"}, {"DWORD", "nFaceIndexes"}, {"DWORD", "faceIndexes", "nFaceIndexes"}},
         kRestricted,
         {"Material"}},
        {"MeshNormals",
         GuidOf(0xF6F23F43, 0x7686, 0x11CF, 0x8F52, 0x0040333594A3),
         {{"DWORD", "nNormals"},
          {"Vector", "normals", "nNormals"},
          {"DWORD", "nFaceNormals"},
          {"MeshFace", "faceNormals", "nFaceNormals"}}},
        {"MeshVertexColors",
         GuidOf(0x1630B821, 0x7842, 0x11CF, 0x8F52, 0x0040333594A3),
         {{"DWORD", "nVertexColors"}, {"IndexedColor", "vertexColors", "nVertexColors"}}},
        {"Mesh",
         GuidOf(0x3D82AB44, 0x62DA, 0x11CF, 0xAB39, 0x0020AF71E433),
         {{"DWORD", "nVertices"},
          {"Vector", "vertices", "nVertices"},
          {"DWORD", "nFaces"},
          {"MeshFace", "faces", "nFaces"}},
         kOpen},
        {"FrameTransformMatrix",
         GuidOf(0xF6F23F41, 0x7686, 0x11CF, 0x8F52, 0x0040333594A3),
         {{"Matrix4x4", "frameMatrix"}}},
        {"Frame", GuidOf(0x3D82AB46, 0x62DA, 0x11CF, 0xAB39, 0x0020AF71E433), {}, kOpen},
        {"FloatKeys",
         GuidOf(0x10DD46A9, 0x775B, 0x11CF, 0x8F52, 0x0040333594A3),
         {{"DWORD", "nValues"}, {"FLOAT", "values", "nValues"}}},
        {"TimedFloatKeys",
         GuidOf(0xF406B180, 0x7B3B, 0x11CF, 0x8F52, 0x0040333594A3),
         {{"DWORD", "time"}, {"FloatKeys", "tfkeys"}}},
        {"AnimationKey",
         GuidOf(0x10DD46A8, 0x775B, 0x11CF, 0x8F52, 0x0040333594A3),
         {{"DWORD", "keyType"}, {"DWORD", "nKeys"}, {"TimedFloatKeys", "keys", "nKeys"}}},
        {"AnimationOptions",
         GuidOf(0xE2BF56C0, 0x840F, 0x11CF, 0x8F52, 0x0040333594A3),
         {{"DWORD", "openclosed"}, {"DWORD", "positionquality"}}},
        {"Animation", GuidOf(0x3D82AB4F, 0x62DA, 0x11CF, 0xAB39, 0x0020AF71E433), {}, kOpen},
        {"AnimationSet", GuidOf(0x3D82AB50, 0x62DA, 0x11CF, 0xAB39, 0x0020AF71E433), {}, kRestricted, {"Animation"}},
        {"InlineData", GuidOf(0x3A23EEA0, 0x94B1, 0x11D0, 0xAB39, 0x0020AF71E433), {}, kRestricted, {"BINARY"}},
        {"Url",
         GuidOf(0x3A23EEA1, 0x94B1, 0x11D0, 0xAB39, 0x0020AF71E433),
         {{"DWORD", "nUrls"}, {"STRING", "urls", "nUrls"}}},
        {"ProgressiveMesh",
         GuidOf(0x8A63C360, 0x997D, 0x11D0, 0x941C, 0x0080C80CFA7B),
         {},
         kRestricted,
         {"Url", "InlineData"}},
        {"Guid",
         GuidOf(0xA42790E0, 0x7810, 0x11CF, 0x8F52, 0x0040333594A3),
         {{"DWORD", "data1"}, {"WORD", "data2"}, {"WORD", "data3"}, {"UCHAR", "data4", "8"}}},
        {"StringProperty",
         GuidOf(0x7F0F21E0, 0xBFE1, 0x11D1, 0x82C0, 0x00A0C9697271),
         {{"STRING", "key"}, {"STRING", "value"}}},
        {"PropertyBag",
         GuidOf(0x7F0F21E1, 0xBFE1, 0x11D1, 0x82C0, 0x00A0C9697271),
         {},
         kRestricted,
         {"StringProperty"}},
        {"ExternalVisual",
         GuidOf(0x98116AA0, 0xBDBA, 0x11D1, 0x82C0, 0x00A0C9697271),
         {{"Guid", "guidExternalVisual"}},
         kOpen},
        {"RightHanded", GuidOf(0x7F5D5EA0, 0xD53A, 0x11D1, 0x82C0, 0x00A0C9697271), {{"DWORD", "bRightHanded"}}},
        {"XSkinMeshHeader",
         GuidOf(0x3CF169CE, 0xFF7C, 0x44AB, 0x93C0, 0xF78F62D172E2),
         {{"WORD", "nMaxSkinWeightsPerVertex"}, {"WORD", "nMaxSkinWeightsPerFace"}, {"WORD", "nBones"}}},
        {"VertexDuplicationIndices",
         GuidOf(0xB8D65549, 0xD7C9, 0x4995, 0x89CF, 0x53A9A8B031E3),
         {{"DWORD", "nIndices"}, {"DWORD", "nOriginalVertices"}, {"DWORD", "indices", "nIndices"}}},
        {"FaceAdjacency",
         GuidOf(0xA64C844A, 0xE282, 0x4756, 0x8B80, 0x250CDE04398C),
         {{"DWORD", "nIndices"}, {"DWORD", "indices", "nIndices"}}},
        {"SkinWeights",
         GuidOf(0x6F0D123B, 0xBAD2, 0x4167, 0xA0D0, 0x80224F25FABB),
         {{"STRING", "transformNodeName"},
          {"DWORD", "nWeights"},
          {"DWORD", "vertexIndices", "nWeights"},
          {"FLOAT", "weights", "nWeights"},
          {"Matrix4x4", "matrixOffset"}}},
        {"Patch",
         GuidOf(0xA3EB5D44, 0xFC22, 0x429D, 0x9AFB, 0x3221CB9719A6),
         {{"DWORD", "nControlIndices"}, {"DWORD", "controlIndices", "nControlIndices"}}},
        {"PatchMesh",
         GuidOf(0xD02C95CC, 0xEDBA, 0x4305, 0x9B5D, 0x1820D7704BBF),
         {{"DWORD", "nVertices"},
          {"Vector", "vertices", "nVertices"},
          {"DWORD", "nPatches"},
          {"Patch", "patches", "nPatches"}},
         kOpen},
        {"PatchMesh9",
         GuidOf(0xB9EC94E1, 0xB9A6, 0x4251, 0xBA18, 0x94893F02C0EA),
         {{"DWORD", "Type"},
          {"DWORD", "Degree"},
          {"DWORD", "Basis"},
          {"DWORD", "nVertices"},
          {"Vector", "vertices", "nVertices"},
          {"DWORD", "nPatches"},
          {"Patch", "patches", "nPatches"}},
         kOpen},
        {"EffectFloats",
         GuidOf(0xF1CFE2B3, 0x0DE3, 0x4E28, 0xAFA1, 0x155A750A282D),
         {{"DWORD", "nFloats"}, {"FLOAT", "Floats", "nFloats"}}},
        {"EffectString", GuidOf(0xD55B097E, 0xBDB6, 0x4C52, 0xB03D, 0x6051C89D0E42), {{"STRING", "Value"}}},
        {"EffectDWord", GuidOf(0x622C0ED0, 0x956E, 0x4DA9, 0x908A, 0x2AF94F3CE716), {{"DWORD", "Value"}}},
        {"EffectParamFloats",
         GuidOf(0x3014B9A0, 0x62F5, 0x478C, 0x9B86, 0xE4AC9F4E418B),
         {{"STRING", "ParamName"}, {"DWORD", "nFloats"}, {"FLOAT", "Floats", "nFloats"}}},
        {"EffectParamString",
         GuidOf(0x1DBC4C88, 0x94C1, 0x46EE, 0x9076, 0x2C28818C9481),
         {{"STRING", "ParamName"}, {"STRING", "Value"}}},
        {"EffectParamDWord",
         GuidOf(0xE13963BC, 0xAE51, 0x4C5D, 0xB00F, 0xCFA3A9D97CE5),
         {{"STRING", "ParamName"}, {"DWORD", "Value"}}},
        {"EffectInstance",
         GuidOf(0xE331F7E4, 0x0559, 0x4CC2, 0x8E99, 0x1CEC1657928F),
         {{"STRING", "EffectFilename"}},
         kOpen},
        {"AnimTicksPerSecond",
         GuidOf(0x9E415A43, 0x7BA6, 0x4A73, 0x8743, 0xB73D47E88476),
         {{"DWORD", "AnimTicksPerSecond"}}},
        {"CompressedAnimationSet",
         GuidOf(0x7F9B00B3, 0xF125, 0x4890, 0x876E, 0x1C42BF697C4D),
         {{"DWORD", "CompressedBlockSize"},
          {"FLOAT", "TicksPerSec"},
          {"DWORD", "PlaybackType"},
          {"DWORD", "BufferLength"},
          {"DWORD", "CompressedData", "BufferLength"}}},
        {"FVFData",
         GuidOf(0xB6E70A0E, 0x8EF9, 0x4E83, 0x94AD, 0xECC8B0C04897),
         {{"DWORD", "dwFVF"}, {"DWORD", "nDWords"}, {"DWORD", "data", "nDWords"}}},
        {"VertexElement",
         GuidOf(0xF752461C, 0x1E23, 0x48F6, 0xB9F8, 0x8350850F336F),
         {{"DWORD", "Type"}, {"DWORD", "Method"}, {"DWORD", "Usage"}, {"DWORD", "UsageIndex"}}},
        {"DeclData",
         GuidOf(0xBF22E553, 0x292C, 0x4781, 0x9FEA, 0x62BD554BDD93),
         {{"DWORD", "nElements"},
          {"VertexElement", "Elements", "nElements"},
          {"DWORD", "nDWords"},
          {"DWORD", "data", "nDWords"}}},
        {"PMAttributeRange",
         GuidOf(0x917E0427, 0xC61E, 0x4A14, 0x9C64, 0xAFE65F9E9844),
         {{"DWORD", "iFaceOffset"},
          {"DWORD", "nFacesMin"},
          {"DWORD", "nFacesMax"},
          {"DWORD", "iVertexOffset"},
          {"DWORD", "nVerticesMin"},
          {"DWORD", "nVerticesMax"}}},
        {"PMVSplitRecord",
         GuidOf(0x574CCC14, 0xF0B3, 0x4333, 0x822D, 0x93E8A8A08E4C),
         {{"DWORD", "iFaceCLW"}, {"DWORD", "iVlrOffset"}, {"DWORD", "iCode"}}},
        {"PMInfo",
         GuidOf(0xB6C3E656, 0xEC8B, 0x4B92, 0x9B62, 0x681659522947),
         {{"DWORD", "nAttributes"},
          {"PMAttributeRange", "attributeRanges", "nAttributes"},
          {"DWORD", "nMaxValence"},
          {"DWORD", "nMinLogicalVertices"},
          {"DWORD", "nMaxLogicalVertices"},
          {"DWORD", "nVSplits"},
          {"PMVSplitRecord", "splitRecords", "nVSplits"},
          {"DWORD", "nAttributeMispredicts"},
          {"DWORD", "attributeMispredicts", "nAttributeMispredicts"}}},
    };
}

} // namespace

HeaderFault ReadHeader(const char* data, size_t size, Header& header)
{
    if (data == nullptr || size < kHeaderSize || std::string_view(data, 4) != kMagic) return HeaderFault::Magic;
    if (data[4] != '0' || data[5] != '3' || data[6] != '0' || (data[7] != '2' && data[7] != '3')) {
        return HeaderFault::Version;
    }
    const std::string_view format(data + 8, 4);
    bool known = false;
    for (const EncodingCode& entry : kEncodingCodes) {
        if (entry.code == format) {
            header.encoding = entry.encoding;
            known = true;
        }
    }
    if (!known) return HeaderFault::Format;
    const std::string_view floatSize(data + 12, 4);
    if (floatSize == "0032") {
        header.floatBits = 32;
    } else if (floatSize == "0064") {
        header.floatBits = 64;
    } else {
        return HeaderFault::FloatSize;
    }
    return HeaderFault::None;
}

std::string HeaderText(const Header& header)
{
    std::string text(kMagic);
    text += kVersion;
    for (const EncodingCode& entry : kEncodingCodes) {
        if (entry.encoding == header.encoding) text += entry.code;
    }
    text += header.floatBits == 64 ? "0064" : "0032";
    return text;
}

uint16_t KeywordToken(std::string_view word)
{
    for (const Keyword& keyword : kKeywords) {
        if (keyword.text.size() != word.size()) continue;
        bool same = true;
        for (size_t i = 0; i < word.size() && same; ++i) same = LowerAscii(word[i]) == LowerAscii(keyword.text[i]);
        if (same) return keyword.token;
    }
    return 0;
}

std::string GuidText(const Guid& guid)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "<";
    const auto hex = [&text](uint32_t value, int digits) {
        for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 0xf];
    };
    hex(guid.data1, 8);
    text += '-';
    hex(guid.data2, 4);
    text += '-';
    hex(guid.data3, 4);
    for (int i = 0; i < 8; ++i) {
        if (i == 0 || i == 2) text += '-';
        hex(guid.data4[i], 2);
    }
    return text + '>';
}

const std::vector<Template>& BuiltinTemplates()
{
    static const std::vector<Template> templates = MakeBuiltinTemplates();
    return templates;
}

const Template* FindBuiltinTemplate(std::string_view name)
{
    for (const Template& candidate : BuiltinTemplates()) {
        if (candidate.name == name) return &candidate;
    }
    return nullptr;
}

std::string TemplateText(const Template& declared)
{
    std::string text = "template ";
    text.append(declared.name).append(" {\n ").append(GuidText(declared.guid)).append("\n");
    for (const TemplateMember& member : declared.members) {
        text.append(member.dimension.empty() ? " " : " array ").append(member.type).append(" ").append(member.name);
        if (!member.dimension.empty()) text.append("[").append(member.dimension).append("]");
        text.append(";\n");
    }
    if (declared.restriction == Restriction::Open) {
        text.append(" [...]\n");
    } else if (declared.restriction == Restriction::Restricted) {
        text.append(" [");
        for (size_t i = 0; i < declared.children.size(); ++i) {
            if (i > 0) text.append(", ");
            text.append(declared.children[i]);
            if (const Template* child = FindBuiltinTemplate(declared.children[i])) {
                text.append(" ").append(GuidText(child->guid));
            }
        }
        text.append("]\n");
    }
    return text.append("}\n");
}

} // namespace xformat
