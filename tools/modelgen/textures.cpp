#include "tools/modelgen/textures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "tools/modelgen/noise.h"

namespace modelgen {
namespace {

float SmoothStep(float edge0, float edge1, float x)
{
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

float Fract(float x) { return x - std::floor(x); }

// Texel centre in [0, 1).
float Centre(int i, int size) { return (static_cast<float>(i) + 0.5f) / static_cast<float>(size); }

template <typename Shade>
Image Paint(int size, Shade shade)
{
    Image image = MakeImage(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) SetPixel(image, x, y, shade(Centre(x, size), Centre(y, size)));
    return image;
}

} // namespace

Image MakeCrateWood(int size)
{
    constexpr float frame = 0.14f;
    constexpr int innerPlanks = 4;
    const float texel = 1.0f / static_cast<float>(size);
    const Color dark{0.40f, 0.25f, 0.11f};
    const Color light{0.74f, 0.54f, 0.30f};
    const Color gap{0.13f, 0.08f, 0.04f};
    const Color nail{0.30f, 0.30f, 0.32f};

    return Paint(size, [&](float u, float v) {
        // Which board, the coordinate along its grain and across it, and
        // the distance to its nearest edge.
        int board = 0;
        float along = 0;
        float across = 0;
        float edge = 0;
        if (u < frame || u > 1.0f - frame) {
            board = u < frame ? 0 : 1;
            along = v;
            across = u < frame ? u / frame : (1.0f - u) / frame;
            edge = std::min(std::min(u, 1.0f - u), std::fabs(u - (u < frame ? frame : 1.0f - frame)));
        } else if (v < frame || v > 1.0f - frame) {
            board = v < frame ? 2 : 3;
            along = u;
            across = v < frame ? v / frame : (1.0f - v) / frame;
            edge = std::min(std::min(v, 1.0f - v), std::fabs(v - (v < frame ? frame : 1.0f - frame)));
            edge = std::min(edge, std::min(u - frame, 1.0f - frame - u));
        } else {
            const float plankHeight = (1.0f - 2.0f * frame) / innerPlanks;
            const float local = (v - frame) / plankHeight;
            const int plank = std::min(static_cast<int>(local), innerPlanks - 1);
            board = 4 + plank;
            along = u;
            across = local - static_cast<float>(plank);
            edge = std::min(across, 1.0f - across) * plankHeight;
            edge = std::min(edge, std::min(u - frame, 1.0f - frame - u));
        }
        const auto seed = static_cast<std::uint32_t>(board);
        const float tone = 0.85f + 0.3f * HashUnit(11u, board, 0);
        const float grain = Fbm3(along * 3.0f, across * 9.0f + static_cast<float>(board) * 5.3f, 0.5f, 4, 70u + seed);
        const float rings = 0.5f + 0.5f * std::sin((across * 7.0f + grain * 6.0f) * std::numbers::pi_v<float>);
        Color c = Mix(dark, light, std::clamp(0.25f + 0.5f * grain + 0.25f * rings, 0.0f, 1.0f)) * tone;
        // Bevelled board edges and the gaps between boards.
        c = c * (0.7f + 0.3f * SmoothStep(0.0f, 6.0f * texel, edge));
        if (edge < 1.5f * texel) c = gap;
        // Nails where the boards cross the frame.
        const float nx[] = {frame * 0.5f, 1.0f - frame * 0.5f};
        const float ny[] = {frame * 0.5f, 0.5f, 1.0f - frame * 0.5f};
        for (const float cx : nx)
            for (const float cy : ny) {
                const float d = std::hypot(u - cx, v - cy);
                if (d < 0.018f) c = Mix(nail, Color{0.7f, 0.7f, 0.72f}, SmoothStep(0.018f, 0.0f, d) * 0.6f);
            }
        // Darker towards the outer border.
        const float border = std::min(std::min(u, 1.0f - u), std::min(v, 1.0f - v));
        return c * (0.8f + 0.2f * SmoothStep(0.0f, 0.05f, border));
    });
}

Image MakeStoneBlocks(int size)
{
    constexpr int rows = 8;
    constexpr int columns = 4;
    constexpr float mortar = 0.007f;
    const Color stone{0.60f, 0.58f, 0.54f};
    const Color mortarColor{0.44f, 0.42f, 0.38f};

    return Paint(size, [&](float u, float v) {
        const int row = std::min(static_cast<int>(v * rows), rows - 1);
        const float shifted = Fract(u + (row % 2 == 1 ? 0.5f / columns : 0.0f));
        const int column = std::min(static_cast<int>(shifted * columns), columns - 1);
        const float lx = shifted * columns - static_cast<float>(column);
        const float ly = v * rows - static_cast<float>(row);
        const float edge = std::min(std::min(lx, 1.0f - lx) / columns, std::min(ly, 1.0f - ly) / rows);
        const float detail = PeriodicFbm(u, v, 8, 5, 21u);
        if (edge < mortar) return mortarColor * (0.8f + 0.4f * detail);
        const float tone = 0.78f + 0.3f * HashUnit(23u, column, row);
        const float tint = HashUnit(29u, column, row);
        const Color base = Mix(stone, Color{0.62f, 0.55f, 0.47f}, tint * 0.6f);
        const float pits = SmoothStep(0.68f, 0.76f, PeriodicFbm(u, v, 16, 3, 31u));
        const float bevel = 0.72f + 0.28f * SmoothStep(mortar, mortar + 0.02f, edge);
        return base * (tone * bevel * (0.7f + 0.55f * detail) * (1.0f - 0.15f * pits));
    });
}

Image MakePaving(int size)
{
    constexpr int slabs = 4;
    constexpr float joint = 0.012f;
    const Color slab{0.66f, 0.63f, 0.58f};
    const Color moss{0.20f, 0.27f, 0.13f};

    return Paint(size, [&](float u, float v) {
        const int sx = std::min(static_cast<int>(u * slabs), slabs - 1);
        const int sy = std::min(static_cast<int>(v * slabs), slabs - 1);
        const float lx = u * slabs - static_cast<float>(sx);
        const float ly = v * slabs - static_cast<float>(sy);
        const float edge = std::min(std::min(lx, 1.0f - lx), std::min(ly, 1.0f - ly)) / slabs;
        const float detail = PeriodicFbm(u, v, 8, 5, 41u);
        if (edge < joint) return moss * (0.7f + 0.6f * detail);
        const float tone = 0.8f + 0.25f * HashUnit(43u, sx, sy);
        const float bevel = 0.8f + 0.2f * SmoothStep(joint, joint + 0.015f, edge);
        return slab * (tone * bevel * (0.75f + 0.45f * detail));
    });
}

Image MakeGrass(int size)
{
    const Color dark{0.13f, 0.27f, 0.07f};
    const Color light{0.34f, 0.52f, 0.16f};
    const Color dry{0.50f, 0.52f, 0.24f};
    const int blades = std::max(4, size / 4);

    return Paint(size, [&](float u, float v) {
        const float base = PeriodicFbm(u, v, 4, 5, 51u);
        const float patches = SmoothStep(0.55f, 0.75f, PeriodicFbm(u, v, 2, 3, 53u));
        const float blade =
            PeriodicNoise(u * static_cast<float>(blades), v * static_cast<float>(blades), blades, blades, 57u);
        Color c = Mix(dark, light, std::clamp(base * 1.3f - 0.15f, 0.0f, 1.0f));
        c = Mix(c, dry, patches * 0.5f);
        return c * (0.8f + 0.4f * blade);
    });
}

Image MakeCamo(int size)
{
    const Color khaki{0.56f, 0.52f, 0.37f};
    const Color green{0.29f, 0.35f, 0.19f};
    const Color brown{0.36f, 0.26f, 0.16f};
    const Color black{0.11f, 0.11f, 0.09f};

    return Paint(size, [&](float u, float v) {
        const float a = PeriodicFbm(u, v, 4, 4, 61u);
        const float b = PeriodicFbm(u, v, 4, 4, 67u);
        Color c = khaki;
        if (a > 0.57f)
            c = brown;
        else if (b > 0.60f)
            c = black;
        else if (a < 0.44f)
            c = green;
        const float weave = PeriodicNoise(u * 64.0f, v * 64.0f, 64, 64, 71u);
        return c * (0.9f + 0.2f * weave);
    });
}

Image MakeGunMetal(int size)
{
    const Color metal{0.24f, 0.25f, 0.27f};
    return Paint(size, [&](float u, float v) {
        const float streak = PeriodicFbm(u, v, 2, 2, 81u);
        const float brushed = PeriodicNoise(u * 2.0f, v * 128.0f, 2, 128, 83u);
        const float wear = SmoothStep(0.68f, 0.8f, PeriodicFbm(u, v, 4, 4, 87u));
        return metal * (0.8f + 0.25f * brushed + 0.15f * streak) + Color{0.07f, 0.07f, 0.075f} * wear;
    });
}

Image MakeSkyFace(const CubeFace& face, int size)
{
    const Vec3 right = CubeFaceRight(face);
    const Vec3 sun = Normalize({0.45f, 0.42f, 0.79f});
    const Color zenith{0.20f, 0.40f, 0.82f};
    const Color horizon{0.72f, 0.83f, 0.95f};
    const Color haze{0.62f, 0.66f, 0.68f};
    const Color below{0.36f, 0.40f, 0.36f};
    const float last = static_cast<float>(size - 1);

    Image image = MakeImage(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            // Edge texels lie on the cube's edges (see SkyEdgeInset).
            const float s = 2.0f * static_cast<float>(x) / last - 1.0f;
            const float t = 1.0f - 2.0f * static_cast<float>(y) / last;
            const Vec3 d = Normalize(face.direction + right * s + face.up * t);
            Color c;
            if (d.y >= 0) {
                c = Mix(horizon, zenith, std::pow(d.y, 0.6f));
                // Clouds on a plane above the viewer.
                const float scale = 1.0f / (d.y + 0.12f);
                const float cloud = Fbm3(d.x * scale * 1.4f, d.z * scale * 1.4f, 3.7f, 5, 91u);
                const float density = SmoothStep(0.48f, 0.72f, cloud) * SmoothStep(0.0f, 0.25f, d.y);
                const Color cloudColor = Mix(Color{0.78f, 0.80f, 0.84f}, Color{1, 1, 1}, SmoothStep(0.5f, 0.8f, cloud));
                c = Mix(c, cloudColor, density * 0.9f);
            } else {
                c = Mix(haze, below, SmoothStep(0.0f, 0.35f, -d.y));
            }
            const float facing = std::max(0.0f, Dot(d, sun));
            c = c + Color{1.0f, 0.95f, 0.8f} * (std::pow(facing, 400.0f) * 1.5f + std::pow(facing, 24.0f) * 0.2f);
            SetPixel(image, x, y, c);
        }
    }
    return image;
}

} // namespace modelgen
