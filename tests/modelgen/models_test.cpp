#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>

#include "tools/modelgen/assets.h"

namespace {

using namespace modelgen;

const Asset& Cached(const std::string& name)
{
    static std::map<std::string, Asset> cache;
    auto it = cache.find(name);
    if (it == cache.end())
        it = cache.emplace(name, name == "large" ? BuildLargeModel(5000) : *BuildModelByName(name)).first;
    return it->second;
}

// Whether a face appears clockwise (is front-facing) to a viewer at `eye`.
bool ClockwiseFrom(const Model& m, const Face& f, Vec3 eye)
{
    return Dot(FaceCross(m, f), eye - m.positions[f.index[0]]) > 0;
}

class EveryModel : public ::testing::TestWithParam<std::string> {};

TEST_P(EveryModel, IsWellFormed)
{
    const Model& m = Cached(GetParam()).model;
    ASSERT_FALSE(m.faces.empty());
    ASSERT_EQ(m.normals.size(), m.positions.size());
    ASSERT_EQ(m.texcoords.size(), m.positions.size());
    ASSERT_EQ(m.faceMaterials.size(), m.faces.size());
    for (const Face& f : m.faces) {
        ASSERT_TRUE(f.count == 3 || f.count == 4);
        for (std::uint32_t k = 0; k < f.count; ++k) ASSERT_LT(f.index[k], m.positions.size());
        // No degenerate triangles in the fan the loader makes.
        for (std::uint32_t k = 1; k + 1 < f.count; ++k) {
            const Vec3 p0 = m.positions[f.index[0]];
            const Vec3 cross = Cross(m.positions[f.index[k]] - p0, m.positions[f.index[k + 1]] - p0);
            ASSERT_GT(Length(cross), 1e-6f);
        }
    }
    for (const std::uint32_t material : m.faceMaterials) ASSERT_LT(material, m.materials.size());
    for (const Vec3& n : m.normals) ASSERT_NEAR(Length(n), 1.0f, 1e-5f);
    for (const Vec3& p : m.positions) ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
    for (const Vec2& t : m.texcoords) ASSERT_TRUE(std::isfinite(t.u) && std::isfinite(t.v));
    // Every material is used, so every subset draws something.
    std::set<std::uint32_t> used(m.faceMaterials.begin(), m.faceMaterials.end());
    EXPECT_EQ(used.size(), m.materials.size());
}

TEST_P(EveryModel, FacesAgreeWithTheirNormals)
{
    // The vertex normals point to the side from which the face is clockwise
    // (for quads both triangles of the fan agree).
    const Model& m = Cached(GetParam()).model;
    for (std::size_t i = 0; i < m.faces.size(); ++i) {
        const Face& f = m.faces[i];
        for (std::uint32_t k = 1; k + 1 < f.count; ++k) {
            const Vec3 p0 = m.positions[f.index[0]];
            const Vec3 cross = Normalize(Cross(m.positions[f.index[k]] - p0, m.positions[f.index[k + 1]] - p0));
            for (std::uint32_t v = 0; v < f.count; ++v)
                ASSERT_GT(Dot(cross, m.normals[f.index[v]]), 0.2f) << GetParam() << " face " << i;
        }
    }
}

TEST_P(EveryModel, MaterialsNameTexturesTheAssetCarries)
{
    const Asset& asset = Cached(GetParam());
    std::map<std::string, const Image*> textures;
    for (const Texture& t : asset.textures) textures[t.fileName] = &t.image;
    bool anyTextured = false;
    for (const Material& material : asset.model.materials) {
        if (material.texture.empty()) continue;
        anyTextured = true;
        ASSERT_TRUE(textures.count(material.texture)) << material.texture;
        EXPECT_EQ(material.texture.find_first_of("/\\"), std::string::npos);
        const Image& image = *textures.at(material.texture);
        EXPECT_EQ(image.width, image.height);
        EXPECT_TRUE(image.width == 256 || image.width == 512) << material.texture;
    }
    EXPECT_TRUE(anyTextured);
    // No texture is carried that no material names.
    for (const Texture& t : asset.textures) {
        bool named = false;
        for (const Material& material : asset.model.materials) named = named || material.texture == t.fileName;
        EXPECT_TRUE(named) << t.fileName;
    }
}

TEST_P(EveryModel, StaysModest)
{
    const Asset& asset = Cached(GetParam());
    EXPECT_LE(asset.model.positions.size(), 10000u);
    EXPECT_LE(asset.model.faces.size(), 10000u);
}

INSTANTIATE_TEST_SUITE_P(Models, EveryModel, ::testing::Values("crate", "level", "sniper", "skybox", "large"));

TEST(Crate, IsATenUnitCubeSeenFromOutside)
{
    const Model& m = Cached("crate").model;
    const Bounds b = ComputeBounds(m);
    for (const float v : {b.min.x, b.min.y, b.min.z}) EXPECT_EQ(v, -5.0f);
    for (const float v : {b.max.x, b.max.y, b.max.z}) EXPECT_EQ(v, 5.0f);
    ASSERT_EQ(m.faces.size(), 6u);
    std::set<std::tuple<float, float, float>> directions;
    for (const Face& f : m.faces) {
        const Vec3 c = FaceCentroid(m, f);
        EXPECT_TRUE(ClockwiseFrom(m, f, c * 3.0f)) << "seen from outside";
        EXPECT_FALSE(ClockwiseFrom(m, f, {0, 0, 0})) << "seen from inside";
        directions.insert({c.x, c.y, c.z});
    }
    EXPECT_EQ(directions.size(), 6u);
    // Each side shows the whole texture, upright.
    for (const Vec2& t : m.texcoords) {
        EXPECT_TRUE(t.u == 0.0f || t.u == 1.0f);
        EXPECT_TRUE(t.v == 0.0f || t.v == 1.0f);
    }
    for (std::size_t i = 0; i < m.faces.size(); ++i) {
        if (i == 4 || i == 5) continue; // top and bottom
        const Face& f = m.faces[i];
        for (std::uint32_t k = 0; k < 4; ++k) {
            const Vec3 p = m.positions[f.index[k]];
            EXPECT_EQ(m.texcoords[f.index[k]].v, p.y > 0 ? 0.0f : 1.0f) << "side " << i;
        }
    }
}

// Whether (x, z) lies inside the triangle's projection onto the ground.
bool CoversPoint(Vec3 a, Vec3 b, Vec3 c, float x, float z)
{
    const auto side = [&](Vec3 p, Vec3 q) { return (q.x - p.x) * (z - p.z) - (q.z - p.z) * (x - p.x); };
    const float s1 = side(a, b), s2 = side(b, c), s3 = side(c, a);
    return (s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0);
}

// The height of the highest upward face under (x, z) below `ceiling`, or
// NaN when there is none.
float FloorUnder(const Model& m, float x, float z, float ceiling)
{
    float best = std::nanf("");
    for (const Face& f : m.faces) {
        if (Normalize(FaceCross(m, f)).y < 0.99f) continue;
        for (std::uint32_t k = 1; k + 1 < f.count; ++k) {
            const Vec3 a = m.positions[f.index[0]], b = m.positions[f.index[k]], c = m.positions[f.index[k + 1]];
            if (!CoversPoint(a, b, c, x, z) || a.y >= ceiling) continue;
            if (std::isnan(best) || a.y > best) best = a.y;
        }
    }
    return best;
}

TEST(Level, GroundSpansAThousandUnitsAroundTheOrigin)
{
    const Model& m = Cached("level").model;
    const Bounds b = ComputeBounds(m);
    EXPECT_EQ(b.min.x, -500.0f);
    EXPECT_EQ(b.max.x, 500.0f);
    EXPECT_EQ(b.min.z, -500.0f);
    EXPECT_EQ(b.max.z, 500.0f);
    EXPECT_EQ(b.min.y, 0.0f);
    EXPECT_GT(b.max.y, 20.0f); // walls stand above the eye height
    EXPECT_LT(b.max.y, 1500.0f);
    // Ground faces at y = 0 face up and are clockwise from above.
    int ground = 0;
    for (const Face& f : m.faces) {
        bool flat = true;
        for (std::uint32_t k = 0; k < f.count; ++k) flat = flat && m.positions[f.index[k]].y == 0.0f;
        if (!flat) continue;
        const Vec3 c = FaceCentroid(m, f);
        if (Normalize(FaceCross(m, f)).y > 0) {
            ++ground;
            EXPECT_TRUE(ClockwiseFrom(m, f, c + Vec3{0, 100, 0}));
        }
    }
    EXPECT_GT(ground, 0);
    // The floor reaches every point of the courtyard.
    for (float x = -480; x <= 480; x += 40)
        for (float z = -480; z <= 480; z += 40) EXPECT_FALSE(std::isnan(FloorUnder(m, x, z, 1000))) << x << "," << z;
}

TEST(Level, FloorLiesUnderThePlayersStart)
{
    const Model& m = Cached("level").model;
    const float floor = FloorUnder(m, 0, -250, 25);
    ASSERT_FALSE(std::isnan(floor));
    EXPECT_LT(floor, 25.0f);
    EXPECT_GE(floor, 0.0f);
}

TEST(Level, NothingStandsWhereTheSceneObjectsGo)
{
    // Crates at (0, -20) and (10, 20), the figure at (0, 120), the player at
    // (0, -250): the floor there is the ground itself.
    const Model& m = Cached("level").model;
    for (const auto& [x, z] : {std::pair{0.0f, -20.0f}, {10.0f, 20.0f}, {0.0f, 120.0f}, {0.0f, -250.0f}})
        EXPECT_EQ(FloorUnder(m, x, z, 1000), 0.0f) << x << "," << z;
}

TEST(Level, WallsFaceTheCourtyard)
{
    // From the middle of the courtyard at eye height, the faces nearest to
    // the edge in each direction (the outer walls' inner sides) are visible.
    const Model& m = Cached("level").model;
    const Vec3 eye{0, 25, 0};
    int innerSides = 0;
    for (const Face& f : m.faces) {
        const Vec3 c = FaceCentroid(m, f);
        const Vec3 n = Normalize(FaceCross(m, f));
        const bool innerSide = (std::fabs(c.x) == 490.0f && std::fabs(n.x) > 0.99f && c.x * n.x < 0)
            || (std::fabs(c.z) == 490.0f && std::fabs(n.z) > 0.99f && c.z * n.z < 0);
        if (!innerSide) continue;
        ++innerSides;
        EXPECT_TRUE(ClockwiseFrom(m, f, eye));
    }
    EXPECT_EQ(innerSides, 4);
}

TEST(Skybox, CubeSeenFromInsideWithinTheFarPlane)
{
    const Model& m = Cached("skybox").model;
    ASSERT_EQ(m.faces.size(), 6u);
    float farthest = 0;
    float nearest = 1e9f;
    for (const Vec3& p : m.positions) farthest = std::fmax(farthest, Length(p));
    for (const Face& f : m.faces) {
        nearest = std::fmin(nearest, Length(FaceCentroid(m, f)));
        EXPECT_TRUE(ClockwiseFrom(m, f, {0, 0, 0})) << "seen from the centre";
        // And from anywhere else inside.
        EXPECT_TRUE(ClockwiseFrom(m, f, {300, -200, 400}));
        EXPECT_FALSE(ClockwiseFrom(m, f, FaceCentroid(m, f) * 2.0f)) << "seen from outside";
    }
    EXPECT_LT(farthest, 1500.0f);
    EXPECT_GT(nearest, 100.0f);
    // One material, and texture, per side.
    std::set<std::uint32_t> materials(m.faceMaterials.begin(), m.faceMaterials.end());
    EXPECT_EQ(materials.size(), 6u);
}

TEST(Sniper, StandsAboutTenUnitsTallOnItsFeet)
{
    const Model& m = Cached("sniper").model;
    const Bounds b = ComputeBounds(m);
    // Placed at y = 5 in the scene, the feet touch the ground.
    EXPECT_FLOAT_EQ(b.min.y, -5.0f);
    EXPECT_GT(b.max.y - b.min.y, 9.0f);
    EXPECT_LT(b.max.y - b.min.y, 11.0f);
    // Taller than wide; the rifle reaches forward (-z).
    EXPECT_LT(b.max.x - b.min.x, 4.0f);
    EXPECT_LT(b.min.z, -3.5f);
    EXPECT_GE(m.materials.size(), 4u);
}

TEST(Large, HasAboutTheAskedNumberOfTriangles)
{
    for (const int wanted : {2, 1000, 50000}) {
        const Model m = BuildLargeModel(wanted).model;
        const double triangles = static_cast<double>(TriangleCount(m));
        EXPECT_NEAR(triangles, wanted, wanted * 0.05 + 2) << wanted;
        EXPECT_EQ(m.materials.size(), 4u);
        for (const Material& material : m.materials) EXPECT_FALSE(material.texture.empty());
    }
}

} // namespace
