#include "tools/modelgen/shapes.h"

#include <cmath>
#include <numbers>

namespace modelgen {
namespace {

constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;

// Any unit vector perpendicular to `axis`.
Vec3 Perpendicular(Vec3 axis)
{
    const Vec3 helper = std::fabs(axis.y) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
    return Normalize(Cross(helper, axis));
}

} // namespace

UvMap Stretch(float u0, float v0, float u1, float v1) { return UvMap{0, u0, v0, u1, v1}; }

UvMap WorldTile(float tile) { return UvMap{tile, 0, 0, 1, 1}; }

void AddRect(Model& model, Vec3 centre, Vec3 normal, Vec3 up, float halfWidth, float halfHeight, std::uint32_t material,
             UvMap uv)
{
    const Vec3 n = Normalize(normal);
    const Vec3 u = Normalize(up);
    // A viewer in front looks along -n; with y up in a left-handed frame the
    // screen's right is up x forward.
    const Vec3 right = Cross(u, n * -1.0f);
    const Vec3 corners[4] = {
        centre - right * halfWidth + u * halfHeight, // top left
        centre + right * halfWidth + u * halfHeight, // top right
        centre + right * halfWidth - u * halfHeight, // bottom right
        centre - right * halfWidth - u * halfHeight, // bottom left
    };
    Vec2 texcoords[4];
    if (uv.tile > 0) {
        for (int i = 0; i < 4; ++i) texcoords[i] = {Dot(corners[i], right) / uv.tile, -Dot(corners[i], u) / uv.tile};
    } else {
        texcoords[0] = {uv.u0, uv.v0};
        texcoords[1] = {uv.u1, uv.v0};
        texcoords[2] = {uv.u1, uv.v1};
        texcoords[3] = {uv.u0, uv.v1};
    }
    std::uint32_t index[4];
    for (int i = 0; i < 4; ++i) index[i] = AddVertex(model, corners[i], n, texcoords[i]);
    AddQuadFace(model, index[0], index[1], index[2], index[3], material);
}

void AddBox(Model& model, Vec3 min, Vec3 max, std::uint32_t material, UvMap uv)
{
    const Vec3 c = (min + max) * 0.5f;
    const Vec3 h = (max - min) * 0.5f;
    // Sides read upright; the top has +z at its top edge, the bottom -z.
    AddRect(model, {c.x, c.y, min.z}, {0, 0, -1}, {0, 1, 0}, h.x, h.y, material, uv);
    AddRect(model, {max.x, c.y, c.z}, {1, 0, 0}, {0, 1, 0}, h.z, h.y, material, uv);
    AddRect(model, {c.x, c.y, max.z}, {0, 0, 1}, {0, 1, 0}, h.x, h.y, material, uv);
    AddRect(model, {min.x, c.y, c.z}, {-1, 0, 0}, {0, 1, 0}, h.z, h.y, material, uv);
    AddRect(model, {c.x, max.y, c.z}, {0, 1, 0}, {0, 0, 1}, h.x, h.z, material, uv);
    AddRect(model, {c.x, min.y, c.z}, {0, -1, 0}, {0, 0, -1}, h.x, h.z, material, uv);
}

void AddCylinder(Model& model, Vec3 base, Vec3 top, float radius, int segments, std::uint32_t material, float tile,
                 bool caps)
{
    const Vec3 axis = Normalize(top - base);
    const float length = Length(top - base);
    // With e2 = e1 x axis, increasing angle runs to the right of a viewer
    // outside who holds the axis upwards.
    const Vec3 e1 = Perpendicular(axis);
    const Vec3 e2 = Cross(e1, axis);
    const float uRepeat = tile > 0 ? std::round(kTwoPi * radius / tile) : 1.0f;
    const float vLength = tile > 0 ? length / tile : 1.0f;

    const auto radial = [&](int i) {
        const float angle = kTwoPi * static_cast<float>(i % segments) / static_cast<float>(segments);
        return e1 * std::cos(angle) + e2 * std::sin(angle);
    };

    const std::uint32_t first = static_cast<std::uint32_t>(model.positions.size());
    for (int i = 0; i <= segments; ++i) {
        const Vec3 r = radial(i);
        const float u = std::fmax(uRepeat, 1.0f) * static_cast<float>(i) / static_cast<float>(segments);
        AddVertex(model, top + r * radius, r, {u, 0});
        AddVertex(model, base + r * radius, r, {u, vLength});
    }
    for (int i = 0; i < segments; ++i) {
        const std::uint32_t t0 = first + 2 * static_cast<std::uint32_t>(i);
        AddQuadFace(model, t0, t0 + 2, t0 + 3, t0 + 1, material);
    }
    if (!caps) return;

    for (int end = 0; end < 2; ++end) {
        const bool isTop = end == 0;
        const Vec3 centre = isTop ? top : base;
        const Vec3 normal = isTop ? axis : axis * -1.0f;
        const float scale = tile > 0 ? radius / tile : 0.5f;
        const std::uint32_t hub = AddVertex(model, centre, normal, {0.5f, 0.5f});
        const std::uint32_t ring = static_cast<std::uint32_t>(model.positions.size());
        for (int i = 0; i < segments; ++i) {
            const float angle = kTwoPi * static_cast<float>(i) / static_cast<float>(segments);
            AddVertex(model, centre + radial(i) * radius, normal,
                      {0.5f + scale * std::cos(angle), 0.5f - scale * std::sin(angle)});
        }
        for (int i = 0; i < segments; ++i) {
            const std::uint32_t a = ring + static_cast<std::uint32_t>(i);
            const std::uint32_t b = ring + static_cast<std::uint32_t>((i + 1) % segments);
            // (hub, a, b) faces -axis.
            if (isTop)
                AddTriangle(model, hub, b, a, material);
            else
                AddTriangle(model, hub, a, b, material);
        }
    }
}

void AddEllipsoid(Model& model, Vec3 centre, Vec3 radii, int segments, int rings, std::uint32_t material, float repeat)
{
    const std::uint32_t first = static_cast<std::uint32_t>(model.positions.size());
    const std::uint32_t stride = static_cast<std::uint32_t>(segments) + 1;
    for (int r = 0; r <= rings; ++r) {
        const float phi = std::numbers::pi_v<float> * static_cast<float>(r) / static_cast<float>(rings);
        for (int s = 0; s <= segments; ++s) {
            const float theta = kTwoPi * static_cast<float>(s % segments) / static_cast<float>(segments);
            const Vec3 unit{std::sin(phi) * std::cos(theta), std::cos(phi), std::sin(phi) * std::sin(theta)};
            const Vec3 offset{unit.x * radii.x, unit.y * radii.y, unit.z * radii.z};
            const Vec3 normal{unit.x / radii.x, unit.y / radii.y, unit.z / radii.z};
            AddVertex(model, centre + offset, normal,
                      {repeat * static_cast<float>(s) / static_cast<float>(segments),
                       repeat * static_cast<float>(r) / static_cast<float>(rings)});
        }
    }
    // Increasing longitude runs to the right of a viewer outside.
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            const std::uint32_t a = first + static_cast<std::uint32_t>(r) * stride + static_cast<std::uint32_t>(s);
            const std::uint32_t b = a + 1;
            const std::uint32_t c = b + stride;
            const std::uint32_t d = a + stride;
            if (r == 0)
                AddTriangle(model, a, c, d, material);
            else if (r == rings - 1)
                AddTriangle(model, a, b, d, material);
            else
                AddQuadFace(model, a, b, c, d, material);
        }
    }
}

} // namespace modelgen
