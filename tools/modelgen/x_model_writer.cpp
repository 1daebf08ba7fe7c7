#include "tools/modelgen/x_model_writer.h"

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

#include "tools/modelgen/x_stream.h"

namespace modelgen {
namespace {

bool IsXName(const std::string& name)
{
    if (name.empty()) return false;
    for (const char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (!ok) return false;
    }
    // A name must not read as a number.
    return !(name[0] >= '0' && name[0] <= '9');
}

void WriteVectors(XStream& s, const std::vector<Vec3>& vectors)
{
    WriteDword(s, static_cast<std::uint32_t>(vectors.size()), ';');
    EndLine(s);
    for (std::size_t i = 0; i < vectors.size(); ++i) {
        WriteFloat(s, vectors[i].x, ';');
        WriteFloat(s, vectors[i].y, ';');
        WriteFloat(s, vectors[i].z, ';');
        WriteSeparator(s, i + 1 < vectors.size() ? ',' : ';');
        EndLine(s);
    }
}

void WriteFaces(XStream& s, const std::vector<Face>& faces)
{
    WriteDword(s, static_cast<std::uint32_t>(faces.size()), ';');
    EndLine(s);
    for (std::size_t i = 0; i < faces.size(); ++i) {
        const Face& face = faces[i];
        WriteDword(s, face.count, ';');
        for (std::uint32_t k = 0; k < face.count; ++k) WriteDword(s, face.index[k], k + 1 < face.count ? ',' : ';');
        WriteSeparator(s, i + 1 < faces.size() ? ',' : ';');
        EndLine(s);
    }
}

void WriteMaterial(XStream& s, const Material& m)
{
    BeginObject(s, "Material", m.name);
    WriteFloat(s, m.faceColor.r, ';');
    WriteFloat(s, m.faceColor.g, ';');
    WriteFloat(s, m.faceColor.b, ';');
    WriteFloat(s, m.faceColor.a, ';');
    WriteSeparator(s, ';');
    EndLine(s);
    WriteFloat(s, m.power, ';');
    EndLine(s);
    for (const Rgb& c : {m.specularColor, m.emissiveColor}) {
        WriteFloat(s, c.r, ';');
        WriteFloat(s, c.g, ';');
        WriteFloat(s, c.b, ';');
        WriteSeparator(s, ';');
        EndLine(s);
    }
    if (!m.texture.empty()) {
        BeginObject(s, "TextureFilename");
        WriteString(s, m.texture, ';');
        EndLine(s);
        EndObject(s);
    }
    EndObject(s);
}

} // namespace

const std::vector<const xformat::Template*>& MeshTemplates()
{
    static const std::vector<const xformat::Template*> templates = [] {
        std::vector<const xformat::Template*> found;
        for (const std::string_view name :
             {"Vector", "Coords2d", "Matrix4x4", "ColorRGBA", "ColorRGB", "TextureFilename", "Material", "MeshFace",
              "MeshTextureCoords", "MeshMaterialList", "MeshNormals", "Mesh", "FrameTransformMatrix", "Frame"})
            found.push_back(xformat::FindBuiltinTemplate(name));
        return found;
    }();
    return templates;
}

void ValidateModel(const Model& model)
{
    const std::size_t vertices = model.positions.size();
    if (model.normals.size() != vertices || model.texcoords.size() != vertices)
        throw std::invalid_argument(model.name + ": normals and texture coordinates must match the positions");
    if (model.faceMaterials.size() != model.faces.size())
        throw std::invalid_argument(model.name + ": one material index per face is needed");
    if (model.faces.empty() || model.materials.empty())
        throw std::invalid_argument(model.name + ": a model needs faces and materials");
    for (const Face& face : model.faces) {
        if (face.count < 3 || face.count > face.index.size())
            throw std::invalid_argument(model.name + ": faces have 3 or 4 vertices");
        for (std::uint32_t k = 0; k < face.count; ++k)
            if (face.index[k] >= vertices) throw std::invalid_argument(model.name + ": face index out of range");
    }
    for (const std::uint32_t material : model.faceMaterials)
        if (material >= model.materials.size())
            throw std::invalid_argument(model.name + ": material index out of range");
    if (!IsXName(model.name)) throw std::invalid_argument("model name is not a valid .x name: " + model.name);
    for (const Material& m : model.materials) {
        if (!IsXName(m.name)) throw std::invalid_argument("material name is not a valid .x name: " + m.name);
        if (m.texture.find('"') != std::string::npos || m.texture.size() > 99)
            throw std::invalid_argument("texture name unusable in a .x file: " + m.texture);
    }
}

std::vector<std::uint8_t> WriteModelX(const Model& model, const XEncoding& encoding, const XWriteOptions& options)
{
    ValidateModel(model);
    XStream s = MakeXStream(encoding);
    if (encoding.format == XFormat::Text) EndLine(s); // the header's line
    if (options.templates) {
        for (const xformat::Template* t : MeshTemplates()) WriteTemplate(s, *t);
    }

    BeginObject(s, "Frame", model.name);
    BeginObject(s, "FrameTransformMatrix");
    for (int i = 0; i < 16; ++i) WriteFloat(s, i % 5 == 0 ? 1.0f : 0.0f, i < 15 ? ',' : ';');
    WriteSeparator(s, ';');
    EndLine(s);
    EndObject(s);

    BeginObject(s, "Mesh", model.name + "Mesh");
    WriteVectors(s, model.positions);
    WriteFaces(s, model.faces);

    BeginObject(s, "MeshNormals");
    WriteVectors(s, model.normals);
    WriteFaces(s, model.faces);
    EndObject(s);

    BeginObject(s, "MeshTextureCoords");
    WriteDword(s, static_cast<std::uint32_t>(model.texcoords.size()), ';');
    EndLine(s);
    for (std::size_t i = 0; i < model.texcoords.size(); ++i) {
        WriteFloat(s, model.texcoords[i].u, ';');
        WriteFloat(s, model.texcoords[i].v, ';');
        WriteSeparator(s, i + 1 < model.texcoords.size() ? ',' : ';');
        EndLine(s);
    }
    EndObject(s);

    BeginObject(s, "MeshMaterialList");
    WriteDword(s, static_cast<std::uint32_t>(model.materials.size()), ';');
    EndLine(s);
    WriteDword(s, static_cast<std::uint32_t>(model.faceMaterials.size()), ';');
    EndLine(s);
    for (std::size_t i = 0; i < model.faceMaterials.size(); ++i) {
        WriteDword(s, model.faceMaterials[i], i + 1 < model.faceMaterials.size() ? ',' : ';');
        EndLine(s);
    }
    for (const Material& m : model.materials) WriteMaterial(s, m);
    EndObject(s);

    EndObject(s); // Mesh
    EndObject(s); // Frame

    const std::string header = XFileHeader(encoding);
    const std::string body = FinishXStream(s);
    if (encoding.compressed) return MszipCompress(header, body, options.mszip);
    std::vector<std::uint8_t> file(header.begin(), header.end());
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

} // namespace modelgen
