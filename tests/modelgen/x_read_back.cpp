#include "tests/modelgen/x_read_back.h"

#include <stdexcept>
#include <string_view>

#include "platform/portable/d3dx/xfile/parser.h"

using namespace portable;

namespace modelgen_test {
namespace {

using modelgen::Face;

// The values of one object, in order.
struct Values {
    const XDocument& document;
    const XObject& object;
    uint32_t at;

    Values(const XDocument& in, const XObject& of) : document(in), object(of), at(of.valueBegin) {}

    uint32_t Dword()
    {
        if (at >= object.valueEnd) throw std::runtime_error("an object holds fewer values than it should");
        return document.values[at++];
    }
    float Float() { return SlotFloat(Dword()); }
    std::string String() { return std::string(document.strings.at(Dword())); }
    modelgen::Vec3 Vector()
    {
        const float x = Float(), y = Float();
        return {x, y, Float()};
    }
    std::vector<Face> Faces()
    {
        std::vector<Face> faces(Dword());
        for (Face& face : faces) {
            face.count = Dword();
            if (face.count > face.index.size()) throw std::runtime_error("a face of more than four corners");
            for (std::uint32_t k = 0; k < face.count; ++k) face.index[k] = Dword();
        }
        return faces;
    }
    void End() const
    {
        if (at != object.valueEnd) throw std::runtime_error("an object holds more values than it should");
    }
};

std::vector<const XObject*> Children(const XDocument& document, const XObject& parent)
{
    std::vector<const XObject*> children;
    for (uint32_t child = parent.firstChild; child != kNoObject; child = document.objects[child].nextSibling)
        children.push_back(&document.objects[child]);
    return children;
}

const XObject& Only(const std::vector<const XObject*>& objects, XKind kind, const char* what)
{
    const XObject* found = nullptr;
    for (const XObject* object : objects) {
        if (object->kind != kind) continue;
        if (found != nullptr || object->isReference) throw std::runtime_error(std::string("more than one ") + what);
        found = object;
    }
    if (found == nullptr) throw std::runtime_error(std::string("no ") + what);
    return *found;
}

modelgen::Material ReadMaterial(const XDocument& document, const XObject& object)
{
    modelgen::Material material;
    material.name = std::string(object.name);
    Values v{document, object};
    material.faceColor = {v.Float(), v.Float(), v.Float(), v.Float()};
    material.power = v.Float();
    material.specularColor = {v.Float(), v.Float(), v.Float()};
    material.emissiveColor = {v.Float(), v.Float(), v.Float()};
    v.End();
    const std::vector<const XObject*> children = Children(document, object);
    if (children.size() > 1) throw std::runtime_error("a material with more than its texture");
    if (!children.empty()) {
        Values texture{document, Only(children, XKind::TextureFilename, "texture")};
        material.texture = texture.String();
        texture.End();
    }
    return material;
}

void ReadMesh(const XDocument& document, const XObject& object, ReadBack& read)
{
    modelgen::Model& model = read.model;
    read.meshName = std::string(object.name);
    Values v{document, object};
    model.positions.resize(v.Dword());
    for (modelgen::Vec3& position : model.positions) position = v.Vector();
    model.faces = v.Faces();
    v.End();

    const std::vector<const XObject*> children = Children(document, object);
    if (children.size() != 3) throw std::runtime_error("a mesh without its normals, coordinates and materials");
    Values normals{document, Only(children, XKind::MeshNormals, "normals")};
    model.normals.resize(normals.Dword());
    for (modelgen::Vec3& normal : model.normals) normal = normals.Vector();
    read.normalFaces = normals.Faces();
    normals.End();

    Values coordinates{document, Only(children, XKind::MeshTextureCoords, "texture coordinates")};
    model.texcoords.resize(coordinates.Dword());
    for (modelgen::Vec2& texcoord : model.texcoords) {
        const float u = coordinates.Float();
        texcoord = {u, coordinates.Float()};
    }
    coordinates.End();

    const XObject& list = Only(children, XKind::MeshMaterialList, "material list");
    Values materials{document, list};
    const std::uint32_t count = materials.Dword();
    model.faceMaterials.resize(materials.Dword());
    for (std::uint32_t& material : model.faceMaterials) material = materials.Dword();
    materials.End();
    for (const XObject* material : Children(document, list)) {
        if (material->kind != XKind::Material || material->isReference)
            throw std::runtime_error("a material list with other than materials");
        model.materials.push_back(ReadMaterial(document, *material));
    }
    if (model.materials.size() != count) throw std::runtime_error("a material list of another count");
}

} // namespace

ReadBack ReadBackX(const std::vector<std::uint8_t>& file)
{
    XDocument document;
    const HRESULT parsed = ParseXFile(reinterpret_cast<const char*>(file.data()), file.size(), document);
    if (FAILED(parsed)) throw std::runtime_error("the reader fails: " + std::to_string(parsed));
    ReadBack read;
    read.encoding = document.source.encoding;
    read.floatBits = document.source.floatBits;
    read.body.assign(document.source.body, document.source.bodySize);

    if (document.topLevel.size() != 1) throw std::runtime_error("other than one object at the top");
    const XObject& frame = document.objects[document.topLevel[0]];
    if (frame.kind != XKind::Frame) throw std::runtime_error("no frame at the top");
    read.model.name = std::string(frame.name);
    const std::vector<const XObject*> children = Children(document, frame);
    if (children.size() != 2) throw std::runtime_error("a frame with other than its matrix and mesh");
    Values matrix{document, Only(children, XKind::FrameTransformMatrix, "frame matrix")};
    for (int i = 0; i < 16; ++i) read.frameMatrix.push_back(matrix.Float());
    matrix.End();
    ReadMesh(document, Only(children, XKind::Mesh, "mesh"), read);

    const HRESULT built = BuildXMesh(document, D3DXMESH_MANAGED, true, read.mesh);
    if (FAILED(built)) throw std::runtime_error("the mesh builder fails: " + std::to_string(built));
    return read;
}

} // namespace modelgen_test
