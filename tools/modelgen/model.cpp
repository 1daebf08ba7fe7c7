#include "tools/modelgen/model.h"

#include <cmath>
#include <limits>
#include <utility>

namespace modelgen {

Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float Length(Vec3 a) { return std::sqrt(Dot(a, a)); }

Vec3 Normalize(Vec3 a)
{
    const float length = Length(a);
    return length > 0 ? a * (1.0f / length) : Vec3{0, 0, 0};
}

std::uint32_t AddVertex(Model& model, Vec3 position, Vec3 normal, Vec2 texcoord)
{
    model.positions.push_back(position);
    model.normals.push_back(Normalize(normal));
    model.texcoords.push_back(texcoord);
    return static_cast<std::uint32_t>(model.positions.size() - 1);
}

void AddTriangle(Model& model, std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t material)
{
    model.faces.push_back(Face{3, {a, b, c, 0}});
    model.faceMaterials.push_back(material);
}

void AddQuadFace(Model& model, std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                 std::uint32_t material)
{
    model.faces.push_back(Face{4, {a, b, c, d}});
    model.faceMaterials.push_back(material);
}

std::uint32_t AddMaterial(Model& model, Material material)
{
    model.materials.push_back(std::move(material));
    return static_cast<std::uint32_t>(model.materials.size() - 1);
}

Bounds ComputeBounds(const Model& model)
{
    if (model.positions.empty()) return {};
    constexpr float inf = std::numeric_limits<float>::infinity();
    Bounds b{{inf, inf, inf}, {-inf, -inf, -inf}};
    for (const Vec3& p : model.positions) {
        b.min = {std::fmin(b.min.x, p.x), std::fmin(b.min.y, p.y), std::fmin(b.min.z, p.z)};
        b.max = {std::fmax(b.max.x, p.x), std::fmax(b.max.y, p.y), std::fmax(b.max.z, p.z)};
    }
    return b;
}

Vec3 FaceCross(const Model& model, const Face& face)
{
    const Vec3 p0 = model.positions[face.index[0]];
    const Vec3 p1 = model.positions[face.index[1]];
    const Vec3 p2 = model.positions[face.index[2]];
    return Cross(p1 - p0, p2 - p0);
}

Vec3 FaceCentroid(const Model& model, const Face& face)
{
    Vec3 sum{};
    for (std::uint32_t i = 0; i < face.count; ++i) sum = sum + model.positions[face.index[i]];
    return sum * (1.0f / static_cast<float>(face.count));
}

std::size_t TriangleCount(const Model& model)
{
    std::size_t count = 0;
    for (const Face& face : model.faces) count += face.count - 2;
    return count;
}

} // namespace modelgen
