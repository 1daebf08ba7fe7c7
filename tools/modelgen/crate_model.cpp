#include "tools/modelgen/assets.h"
#include "tools/modelgen/shapes.h"

namespace modelgen {

Asset BuildCrate()
{
    Asset asset{"Crate", "Crate.x", {}, {}};
    Model& m = asset.model;
    m.name = "Crate";
    const std::uint32_t wood =
        AddMaterial(m, Material{"CrateWood", {1, 1, 1, 1}, 8, {0.1f, 0.1f, 0.1f}, {}, "wood.png"});
    AddBox(m, {-5, -5, -5}, {5, 5, 5}, wood, Stretch());
    asset.textures.push_back({"wood.png", MakeCrateWood(512)});
    return asset;
}

} // namespace modelgen
