#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <functional>
#include <map>
#include <string>

#include "tools/modelgen/assets.h"
#include "tools/modelgen/cube_faces.h"
#include "tools/modelgen/textures.h"

namespace {

using namespace modelgen;

float Difference(const Image& a, int ax, int ay, const Image& b, int bx, int by)
{
    const Color p = GetPixel(a, ax, ay);
    const Color q = GetPixel(b, bx, by);
    return std::fabs(p.r - q.r) + std::fabs(p.g - q.g) + std::fabs(p.b - q.b);
}

// Mean difference between neighbouring texels inside the image and across
// its wrap-around edges.
struct Seams {
    float interior = 0;
    float wrap = 0;
};

Seams MeasureSeams(const Image& image)
{
    const int n = image.width;
    Seams s;
    for (int i = 0; i < n; ++i) {
        s.wrap += Difference(image, n - 1, i, image, 0, i) + Difference(image, i, n - 1, image, i, 0);
        s.interior +=
            Difference(image, n / 2 - 1, i, image, n / 2, i) + Difference(image, i, n / 2 - 1, image, i, n / 2);
    }
    s.wrap /= static_cast<float>(2 * n);
    s.interior /= static_cast<float>(2 * n);
    return s;
}

float Spread(const Image& image)
{
    double sum = 0;
    double squares = 0;
    for (const std::uint8_t v : image.rgb) {
        sum += v;
        squares += static_cast<double>(v) * v;
    }
    const double count = static_cast<double>(image.rgb.size());
    return static_cast<float>(std::sqrt(squares / count - (sum / count) * (sum / count)));
}

TEST(Textures, TilingTexturesWrapWithoutASeam)
{
    const std::pair<const char*, std::function<Image(int)>> tiling[] = {
        {"stone", MakeStoneBlocks}, {"paving", MakePaving},  {"grass", MakeGrass},
        {"camo", MakeCamo},         {"metal", MakeGunMetal},
    };
    for (const auto& [name, make] : tiling) {
        for (const int size : {256, 512}) {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(size));
            const Image image = make(size);
            ASSERT_EQ(image.width, size);
            ASSERT_EQ(image.height, size);
            const Seams s = MeasureSeams(image);
            // Across the wrap the picture continues as it does anywhere else.
            EXPECT_LT(s.wrap, s.interior * 1.6f + 0.02f);
            EXPECT_GT(Spread(image), 5.0f) << "a texture, not a flat color";
        }
    }
}

TEST(Textures, AreDeterministic)
{
    EXPECT_EQ(MakeCrateWood(256).rgb, MakeCrateWood(256).rgb);
    EXPECT_EQ(MakeGrass(256).rgb, MakeGrass(256).rgb);
    EXPECT_EQ(MakeSkyFace(SkyCubeFaces()[0], 64).rgb, MakeSkyFace(SkyCubeFaces()[0], 64).rgb);
    EXPECT_NE(MakeSkyFace(SkyCubeFaces()[0], 64).rgb, MakeSkyFace(SkyCubeFaces()[1], 64).rgb);
}

TEST(Textures, CrateWoodIsNotFlat) { EXPECT_GT(Spread(MakeCrateWood(256)), 10.0f); }

// Color of a texture at texture coordinates (u, v), nearest texel.
Color Sample(const Image& image, Vec2 t)
{
    const int x = std::clamp(static_cast<int>(t.u * static_cast<float>(image.width)), 0, image.width - 1);
    const int y = std::clamp(static_cast<int>(t.v * static_cast<float>(image.height)), 0, image.height - 1);
    return GetPixel(image, x, y);
}

TEST(Textures, SkyFacesMeetAlongTheCubesEdges)
{
    // Walk along every edge of the sky cube; wherever two faces share a point,
    // their textures, as the skybox's texture coordinates map them, show the
    // same color there.
    const Asset sky = BuildSkybox();
    const Model& m = sky.model;
    std::map<std::string, const Image*> images;
    for (const Texture& t : sky.textures) images[t.fileName] = &t.image;
    const auto imageOf = [&](std::size_t face) { return images.at(m.materials[m.faceMaterials[face]].texture); };

    // Texture coordinates of a point on a face, by bilinear inversion over the
    // face's rectangle (corners 0..3: top left, top right, bottom right, bottom left).
    const auto uvAt = [&](const Face& f, Vec3 p) {
        const Vec3 o = m.positions[f.index[0]];
        const Vec3 across = m.positions[f.index[1]] - o;
        const Vec3 down = m.positions[f.index[3]] - o;
        const float s = Dot(p - o, across) / Dot(across, across);
        const float t = Dot(p - o, down) / Dot(down, down);
        const Vec2 t0 = m.texcoords[f.index[0]];
        const Vec2 t2 = m.texcoords[f.index[2]];
        return Vec2{t0.u + s * (t2.u - t0.u), t0.v + t * (t2.v - t0.v)};
    };
    const auto onFace = [&](const Face& f, Vec3 p) {
        const Vec3 n = Normalize(FaceCross(m, f));
        return std::fabs(Dot(p - m.positions[f.index[0]], n)) < 1e-3f;
    };

    int checked = 0;
    float worst = 0;
    for (std::size_t a = 0; a < m.faces.size(); ++a) {
        for (std::size_t b = a + 1; b < m.faces.size(); ++b) {
            // Points along the shared edge, if any: sample the edges of face a.
            const Face& fa = m.faces[a];
            for (std::uint32_t e = 0; e < 4; ++e) {
                const Vec3 p = m.positions[fa.index[e]];
                const Vec3 q = m.positions[fa.index[(e + 1) % 4]];
                for (int i = 1; i < 20; ++i) {
                    const Vec3 point = p + (q - p) * (static_cast<float>(i) / 20.0f);
                    if (!onFace(m.faces[b], point)) continue;
                    const Color ca = Sample(*imageOf(a), uvAt(fa, point));
                    const Color cb = Sample(*imageOf(b), uvAt(m.faces[b], point));
                    const float d = std::fabs(ca.r - cb.r) + std::fabs(ca.g - cb.g) + std::fabs(ca.b - cb.b);
                    worst = std::max(worst, d);
                    ++checked;
                }
            }
        }
    }
    EXPECT_EQ(checked, 12 * 19); // twelve edges
    EXPECT_LT(worst, 0.03f);
}

} // namespace
