// A model as the .x writer sees it: one mesh with per-vertex normals and
// texture coordinates, polygon faces and a material per face.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace modelgen {

struct Vec2 {
    float u = 0;
    float v = 0;
};

struct Vec3 {
    float x = 0;
    float y = 0;
    float z = 0;
};

Vec3 operator+(Vec3 a, Vec3 b);
Vec3 operator-(Vec3 a, Vec3 b);
Vec3 operator*(Vec3 a, float s);
float Dot(Vec3 a, Vec3 b);
// Left-handed and right-handed systems share the component formula.
Vec3 Cross(Vec3 a, Vec3 b);
float Length(Vec3 a);
Vec3 Normalize(Vec3 a);

struct Rgba {
    float r = 1;
    float g = 1;
    float b = 1;
    float a = 1;
};

struct Rgb {
    float r = 0;
    float g = 0;
    float b = 0;
};

struct Material {
    std::string name; // object name in the file; letters, digits, '_' only
    Rgba faceColor;
    float power = 0;
    Rgb specularColor;
    Rgb emissiveColor;
    std::string texture; // file name beside the model; empty for none
};

// A triangle or a quad; the vertices of a front face run clockwise as seen
// by the viewer (Direct3D culls counter-clockwise triangles).
struct Face {
    std::uint32_t count = 3;
    std::array<std::uint32_t, 4> index{};
};

struct Model {
    std::string name; // frame and mesh names derive from it
    std::vector<Vec3> positions;
    std::vector<Vec3> normals;   // one per position
    std::vector<Vec2> texcoords; // one per position, v down
    std::vector<Face> faces;
    std::vector<std::uint32_t> faceMaterials; // one per face
    std::vector<Material> materials;
};

// Appends a vertex and returns its index.
std::uint32_t AddVertex(Model& model, Vec3 position, Vec3 normal, Vec2 texcoord);
void AddTriangle(Model& model, std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t material);
void AddQuadFace(Model& model, std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                 std::uint32_t material);
// Appends a material and returns its index.
std::uint32_t AddMaterial(Model& model, Material material);

struct Bounds {
    Vec3 min;
    Vec3 max;
};
Bounds ComputeBounds(const Model& model);

// Geometric normal of a face's first triangle, not normalised: it points
// towards the side from which the face is seen clockwise.
Vec3 FaceCross(const Model& model, const Face& face);
Vec3 FaceCentroid(const Model& model, const Face& face);
std::size_t TriangleCount(const Model& model);

} // namespace modelgen
