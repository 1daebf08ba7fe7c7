#include <cmath>

#include "tools/modelgen/assets.h"
#include "tools/modelgen/shapes.h"

namespace modelgen {

Asset BuildLevel()
{
    constexpr float half = 500;
    constexpr float cell = 100;
    constexpr float wallHeight = 80;
    constexpr float wallThickness = 10;
    constexpr float stoneTile = 40;
    Asset asset{"Level", "Level.x", {}, {}};
    Model& m = asset.model;
    m.name = "Level";
    const std::uint32_t grass = AddMaterial(m, Material{"Grass", {1, 1, 1, 1}, 0, {}, {}, "grass.png"});
    const std::uint32_t paving = AddMaterial(m, Material{"Paving", {1, 1, 1, 1}, 0, {}, {}, "paving.png"});
    const std::uint32_t stone =
        AddMaterial(m, Material{"Stone", {1, 1, 1, 1}, 4, {0.05f, 0.05f, 0.05f}, {}, "stone.png"});

    // Ground: a paved path along z through a paved square, grass elsewhere.
    const int cells = static_cast<int>(2 * half / cell);
    for (int iz = 0; iz < cells; ++iz) {
        for (int ix = 0; ix < cells; ++ix) {
            const float x = -half + (static_cast<float>(ix) + 0.5f) * cell;
            const float z = -half + (static_cast<float>(iz) + 0.5f) * cell;
            const bool path = std::fabs(x) < 100;
            const bool square = std::fabs(x) < 200 && std::fabs(z) < 200;
            const bool paved = path || square;
            AddRect(m, {x, 0, z}, {0, 1, 0}, {0, 0, 1}, cell / 2, cell / 2, paved ? paving : grass,
                    WorldTile(paved ? 50.0f : 100.0f));
        }
    }

    // Outer walls inside the ground's edge, and a round tower at each corner.
    const float inner = half - wallThickness;
    AddBox(m, {-half, 0, inner}, {half, wallHeight, half}, stone, WorldTile(stoneTile));
    AddBox(m, {-half, 0, -half}, {half, wallHeight, -inner}, stone, WorldTile(stoneTile));
    AddBox(m, {inner, 0, -inner}, {half, wallHeight, inner}, stone, WorldTile(stoneTile));
    AddBox(m, {-half, 0, -inner}, {-inner, wallHeight, inner}, stone, WorldTile(stoneTile));
    for (const float x : {-475.0f, 475.0f})
        for (const float z : {-475.0f, 475.0f})
            AddCylinder(m, {x, 0, z}, {x, wallHeight + 30, z}, 25, 16, stone, stoneTile);

    // Two rows of pillars along the path, each on a plinth under a capital.
    for (const float x : {-150.0f, 150.0f}) {
        for (const float z : {-300.0f, -150.0f, 0.0f, 150.0f, 300.0f}) {
            AddBox(m, {x - 10, 0, z - 10}, {x + 10, 5, z + 10}, stone, WorldTile(stoneTile));
            AddCylinder(m, {x, 5, z}, {x, 60, z}, 7, 12, stone, stoneTile, false);
            AddBox(m, {x - 10, 60, z - 10}, {x + 10, 66, z + 10}, stone, WorldTile(stoneTile));
        }
    }

    // An archway across the path near the north wall.
    AddBox(m, {-125, 0, 390}, {-100, 70, 410}, stone, WorldTile(stoneTile));
    AddBox(m, {100, 0, 390}, {125, 70, 410}, stone, WorldTile(stoneTile));
    AddBox(m, {-130, 70, 388}, {130, 86, 412}, stone, WorldTile(stoneTile));

    // Low walls to walk around.
    AddBox(m, {-400, 0, -60}, {-250, 12, -54}, stone, WorldTile(stoneTile));
    AddBox(m, {300, 0, 60}, {306, 12, 200}, stone, WorldTile(stoneTile));
    AddBox(m, {-330, 0, 250}, {-220, 8, 256}, stone, WorldTile(stoneTile));

    // A stepped platform.
    AddBox(m, {230, 0, -340}, {390, 5, -180}, stone, WorldTile(stoneTile));
    AddBox(m, {245, 5, -325}, {375, 10, -195}, stone, WorldTile(stoneTile));
    AddBox(m, {260, 10, -310}, {360, 15, -210}, paving, WorldTile(50));

    asset.textures.push_back({"grass.png", MakeGrass(512)});
    asset.textures.push_back({"paving.png", MakePaving(256)});
    asset.textures.push_back({"stone.png", MakeStoneBlocks(512)});
    return asset;
}

} // namespace modelgen
