#include "tools/modelgen/x_template.h"

#include <cstdio>

namespace modelgen {

std::string FormatGuid(const Guid& g) {
    char text[40];
    std::snprintf(text, sizeof text, "<%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X>", g.data1,
                  static_cast<unsigned>(g.data2), static_cast<unsigned>(g.data3), g.data4[0], g.data4[1], g.data4[2],
                  g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
    return text;
}

namespace {

constexpr Guid RmGuid(std::uint32_t data1, std::uint16_t data2, std::uint16_t data3, std::uint16_t data4High,
                      std::uint64_t data4Low) {
    Guid g{data1, data2, data3, {}};
    g.data4[0] = static_cast<std::uint8_t>(data4High >> 8);
    g.data4[1] = static_cast<std::uint8_t>(data4High);
    for (int i = 0; i < 6; ++i) g.data4[2 + i] = static_cast<std::uint8_t>(data4Low >> (8 * (5 - i)));
    return g;
}

}  // namespace

const std::vector<XTemplate>& MeshTemplates() {
    using M = XTemplateMember;
    static const std::vector<XTemplate> templates = {
        {"Vector", RmGuid(0x3D82AB5E, 0x62DA, 0x11CF, 0xAB39, 0x0020AF71E433),
         {M{"FLOAT", "x", {}}, M{"FLOAT", "y", {}}, M{"FLOAT", "z", {}}}, XRestriction::Closed, {}},
        {"Coords2d", RmGuid(0xF6F23F44, 0x7686, 0x11CF, 0x8F52, 0x0040333594A3),
         {M{"FLOAT", "u", {}}, M{"FLOAT", "v", {}}}, XRestriction::Closed, {}},
        {"Matrix4x4", RmGuid(0xF6F23F45, 0x7686, 0x11CF, 0x8F52, 0x0040333594A3),
         {M{"FLOAT", "matrix", {"16"}}}, XRestriction::Closed, {}},
        {"ColorRGBA", RmGuid(0x35FF44E0, 0x6C7C, 0x11CF, 0x8F52, 0x0040333594A3),
         {M{"FLOAT", "red", {}}, M{"FLOAT", "green", {}}, M{"FLOAT", "blue", {}}, M{"FLOAT", "alpha", {}}},
         XRestriction::Closed, {}},
        {"ColorRGB", RmGuid(0xD3E16E81, 0x7835, 0x11CF, 0x8F52, 0x0040333594A3),
         {M{"FLOAT", "red", {}}, M{"FLOAT", "green", {}}, M{"FLOAT", "blue", {}}}, XRestriction::Closed, {}},
        {"TextureFilename", RmGuid(0xA42790E1, 0x7810, 0x11CF, 0x8F52, 0x0040333594A3),
         {M{"STRING", "filename", {}}}, XRestriction::Closed, {}},
        {"Material", RmGuid(0x3D82AB4D, 0x62DA, 0x11CF, 0xAB39, 0x0020AF71E433),
         {M{"ColorRGBA", "faceColor", {}}, M{"FLOAT", "power", {}}, M{"ColorRGB", "specularColor", {}},
          M{"ColorRGB", "emissiveColor", {}}},
         XRestriction::Open, {}},
        {"MeshFace", RmGuid(0x3D82AB5F, 0x62DA, 0x11CF, 0xAB39, 0x0020AF71E433),
         {M{"DWORD", "nFaceVertexIndices", {}}, M{"DWORD", "faceVertexIndices", {"nFaceVertexIndices"}}},
         XRestriction::Closed, {}},
        {"MeshTextureCoords", RmGuid(0xF6F23F40, 0x7686, 0x11CF, 0x8F52, 0x0040333594A3),
         {M{"DWORD", "nTextureCoords", {}}, M{"Coords2d", "textureCoords", {"nTextureCoords"}}},
         XRestriction::Closed, {}},
        {"MeshMaterialList", RmGuid(0xF6F23F42, 0x7686, 0x11CF, 0x8F52, 0x0040333594A3),
         {M{"DWORD", "nMaterials", {}}, M{"DWORD", "nFaceIndexes", {}}, M{"DWORD", "faceIndexes", {"nFaceIndexes"}}},
         XRestriction::Restricted,
         {XTemplateChild{"Material", RmGuid(0x3D82AB4D, 0x62DA, 0x11CF, 0xAB39, 0x0020AF71E433)}}},
        {"MeshNormals", RmGuid(0xF6F23F43, 0x7686, 0x11CF, 0x8F52, 0x0040333594A3),
         {M{"DWORD", "nNormals", {}}, M{"Vector", "normals", {"nNormals"}}, M{"DWORD", "nFaceNormals", {}},
          M{"MeshFace", "faceNormals", {"nFaceNormals"}}},
         XRestriction::Closed, {}},
        {"Mesh", RmGuid(0x3D82AB44, 0x62DA, 0x11CF, 0xAB39, 0x0020AF71E433),
         {M{"DWORD", "nVertices", {}}, M{"Vector", "vertices", {"nVertices"}}, M{"DWORD", "nFaces", {}},
          M{"MeshFace", "faces", {"nFaces"}}},
         XRestriction::Open, {}},
        {"FrameTransformMatrix", RmGuid(0xF6F23F41, 0x7686, 0x11CF, 0x8F52, 0x0040333594A3),
         {M{"Matrix4x4", "frameMatrix", {}}}, XRestriction::Closed, {}},
        {"Frame", RmGuid(0x3D82AB46, 0x62DA, 0x11CF, 0xAB39, 0x0020AF71E433), {}, XRestriction::Open, {}},
    };
    return templates;
}

}  // namespace modelgen
