#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "tools/modelgen/shapes.h"

namespace {

using namespace modelgen;

// Every face of a closed convex shape around `centre` must be clockwise
// from outside and counter-clockwise from the centre; vertex normals point
// outwards.
void ExpectOutwardShape(const Model& m, Vec3 centre, const std::string& what)
{
    ASSERT_FALSE(m.faces.empty()) << what;
    for (std::size_t i = 0; i < m.faces.size(); ++i) {
        const Face& f = m.faces[i];
        const Vec3 outward = FaceCentroid(m, f) - centre;
        EXPECT_GT(Dot(FaceCross(m, f), outward), 0) << what << " face " << i;
        for (std::uint32_t k = 0; k < f.count; ++k) {
            const Vec3 n = m.normals[f.index[k]];
            EXPECT_NEAR(Length(n), 1.0f, 1e-5f);
            EXPECT_GT(Dot(n, m.positions[f.index[k]] - centre), 0) << what << " face " << i;
        }
    }
}

// Sum over faces of (cross product / 2) is zero for a closed surface.
void ExpectClosed(const Model& m, const std::string& what)
{
    Vec3 sum{};
    float scale = 0;
    for (const Face& f : m.faces) {
        for (std::uint32_t k = 1; k + 1 < f.count; ++k) {
            const Vec3 p0 = m.positions[f.index[0]];
            const Vec3 c = Cross(m.positions[f.index[k]] - p0, m.positions[f.index[k + 1]] - p0);
            sum = sum + c;
            scale += Length(c);
        }
    }
    EXPECT_LT(Length(sum), scale * 1e-4f) << what;
}

TEST(Shapes, ClosedShapesFaceOutwards)
{
    struct Case {
        const char* name;
        Vec3 centre;
        std::function<void(Model&)> build;
    };
    const Case cases[] = {
        {"box",
         {1, 2, 3},
         [](Model& m) {
             AddBox(m, {-1, 0, 1}, {3, 4, 5}, 0, Stretch());
         }},
        {"flat box",
         {0, 0.5f, 0},
         [](Model& m) {
             AddBox(m, {-100, 0, -50}, {100, 1, 50}, 0, WorldTile(10));
         }},
        {"upright cylinder",
         {0, 5, 0},
         [](Model& m) {
             AddCylinder(m, {0, 0, 0}, {0, 10, 0}, 2, 12, 0);
         }},
        {"downward cylinder",
         {0, 5, 0},
         [](Model& m) {
             AddCylinder(m, {0, 10, 0}, {0, 0, 0}, 2, 7, 0);
         }},
        {"slanted cylinder",
         {1, 1.5f, -1},
         [](Model& m) {
             AddCylinder(m, {0, 0, 0}, {2, 3, -2}, 0.5f, 9, 0, 2.0f);
         }},
        {"cylinder along x",
         {2, 0, 0},
         [](Model& m) {
             AddCylinder(m, {0, 0, 0}, {4, 0, 0}, 1, 8, 0);
         }},
        {"sphere",
         {0, 0, 0},
         [](Model& m) {
             AddEllipsoid(m, {0, 0, 0}, {1, 1, 1}, 12, 8, 0);
         }},
        {"ellipsoid",
         {3, 1, 2},
         [](Model& m) {
             AddEllipsoid(m, {3, 1, 2}, {0.5f, 2, 1}, 10, 6, 0);
         }},
    };
    for (const Case& c : cases) {
        Model m;
        c.build(m);
        ExpectOutwardShape(m, c.centre, c.name);
        ExpectClosed(m, c.name);
    }
}

TEST(Shapes, RectFacesItsNormalWithTheImageUpright)
{
    struct Case {
        Vec3 normal;
        Vec3 up;
    };
    const Case cases[] = {
        {{0, 0, -1}, {0, 1, 0}}, {{1, 0, 0}, {0, 1, 0}}, {{0, 1, 0}, {0, 0, 1}}, {{0, -1, 0}, {1, 0, 0}}};
    for (const Case& c : cases) {
        Model m;
        AddRect(m, {0, 0, 0}, c.normal, c.up, 2, 1, 0, Stretch());
        ASSERT_EQ(m.faces.size(), 1u);
        const Face& f = m.faces[0];
        EXPECT_GT(Dot(FaceCross(m, f), c.normal), 0);
        for (std::uint32_t k = 0; k < 4; ++k) {
            const Vec3 p = m.positions[f.index[k]];
            const Vec2 t = m.texcoords[f.index[k]];
            // v = 0 along the upper edge, 1 along the lower one.
            EXPECT_EQ(t.v, Dot(p, c.up) > 0 ? 0.0f : 1.0f);
            EXPECT_NEAR(std::fabs(Dot(p, c.up)), 1.0f, 1e-6f); // half height 1
            // The right edge, as the viewer in front sees it, has u = 1.
            const Vec3 right = Cross(c.up, c.normal * -1.0f);
            EXPECT_EQ(t.u, Dot(p, right) > 0 ? 1.0f : 0.0f);
        }
    }
}

TEST(Shapes, WorldTilingContinuesAcrossNeighbours)
{
    Model m;
    AddRect(m, {5, 0, 5}, {0, 1, 0}, {0, 0, 1}, 5, 5, 0, WorldTile(4));
    AddRect(m, {15, 0, 5}, {0, 1, 0}, {0, 0, 1}, 5, 5, 0, WorldTile(4));
    // Shared corners get the same coordinates.
    for (std::size_t i = 0; i < 4; ++i)
        for (std::size_t j = 4; j < 8; ++j)
            if (m.positions[i].x == m.positions[j].x && m.positions[i].z == m.positions[j].z) {
                EXPECT_EQ(m.texcoords[i].u, m.texcoords[j].u);
                EXPECT_EQ(m.texcoords[i].v, m.texcoords[j].v);
            }
    // One repeat per 4 units.
    const auto [minU, maxU] = std::minmax({m.texcoords[4].u, m.texcoords[5].u, m.texcoords[6].u, m.texcoords[7].u});
    EXPECT_FLOAT_EQ(maxU - minU, 10.0f / 4.0f);
}

} // namespace
