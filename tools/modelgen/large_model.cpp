#include <algorithm>
#include <cmath>

#include "tools/modelgen/assets.h"

namespace modelgen {
namespace {

float Height(float x, float z)
{
    return 20.0f * std::sin(x / 50.0f) * std::cos(z / 70.0f) + 5.0f * std::sin(x / 13.0f + z / 17.0f);
}

Vec3 HeightNormal(float x, float z)
{
    const float dx =
        20.0f / 50.0f * std::cos(x / 50.0f) * std::cos(z / 70.0f) + 5.0f / 13.0f * std::cos(x / 13.0f + z / 17.0f);
    const float dz =
        -20.0f / 70.0f * std::sin(x / 50.0f) * std::sin(z / 70.0f) + 5.0f / 17.0f * std::cos(x / 13.0f + z / 17.0f);
    return Normalize({-dx, 1.0f, -dz});
}

} // namespace

Asset BuildLargeModel(int triangles)
{
    const int cells = std::max(1, static_cast<int>(std::lround(std::sqrt(std::max(triangles, 2) / 2.0))));
    constexpr float spacing = 2.0f;
    const float extent = static_cast<float>(cells) * spacing;
    Asset asset{"Large", "Large.x", {}, {}};
    Model& m = asset.model;
    m.name = "Large";
    const char* textures[4] = {"grass.png", "stone.png", "paving.png", "wood.png"};
    const char* names[4] = {"Grass", "Stone", "Paving", "Wood"};
    for (int i = 0; i < 4; ++i) AddMaterial(m, Material{names[i], {1, 1, 1, 1}, 0, {}, {}, textures[i]});

    const std::size_t side = static_cast<std::size_t>(cells) + 1;
    m.positions.reserve(side * side);
    m.normals.reserve(side * side);
    m.texcoords.reserve(side * side);
    for (int iz = 0; iz <= cells; ++iz) {
        for (int ix = 0; ix <= cells; ++ix) {
            const float x = static_cast<float>(ix) * spacing - extent / 2;
            const float z = static_cast<float>(iz) * spacing - extent / 2;
            AddVertex(m, {x, Height(x, z), z}, HeightNormal(x, z), {x / 32.0f, -z / 32.0f});
        }
    }
    m.faces.reserve(static_cast<std::size_t>(cells) * static_cast<std::size_t>(cells) * 2);
    m.faceMaterials.reserve(m.faces.capacity());
    for (int iz = 0; iz < cells; ++iz) {
        for (int ix = 0; ix < cells; ++ix) {
            const auto at = [&](int cx, int cz) {
                return static_cast<std::uint32_t>(static_cast<std::size_t>(cz) * side + static_cast<std::size_t>(cx));
            };
            // Seen from above with +z at the top: top left, top right,
            // bottom right, bottom left.
            const std::uint32_t tl = at(ix, iz + 1), tr = at(ix + 1, iz + 1), br = at(ix + 1, iz), bl = at(ix, iz);
            const std::uint32_t material = (ix * 2 >= cells ? 1u : 0u) + (iz * 2 >= cells ? 2u : 0u);
            AddTriangle(m, tl, tr, br, material);
            AddTriangle(m, tl, br, bl, material);
        }
    }
    asset.textures.push_back({"grass.png", MakeGrass(256)});
    asset.textures.push_back({"stone.png", MakeStoneBlocks(256)});
    asset.textures.push_back({"paving.png", MakePaving(256)});
    asset.textures.push_back({"wood.png", MakeCrateWood(256)});
    return asset;
}

} // namespace modelgen
