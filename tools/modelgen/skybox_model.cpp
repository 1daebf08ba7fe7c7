#include "tools/modelgen/assets.h"
#include "tools/modelgen/cube_faces.h"
#include "tools/modelgen/shapes.h"

namespace modelgen {

Asset BuildSkybox()
{
    constexpr float half = 500;
    constexpr int textureSize = 512;
    Asset asset{"Skybox", "Skybox.x", {}, {}};
    Model& m = asset.model;
    m.name = "Skybox";
    const float inset = SkyEdgeInset(textureSize);
    for (const CubeFace& face : SkyCubeFaces()) {
        const std::string texture = "sky_" + face.name + ".png";
        std::string materialName = "Sky_" + face.name;
        const std::uint32_t material = AddMaterial(m, Material{materialName, {1, 1, 1, 1}, 0, {}, {}, texture});
        // Facing the centre: the triangles appear clockwise from inside.
        AddRect(m, face.direction * half, face.direction * -1.0f, face.up, half, half, material,
                Stretch(inset, inset, 1.0f - inset, 1.0f - inset));
        asset.textures.push_back({texture, MakeSkyFace(face, textureSize)});
    }
    return asset;
}

} // namespace modelgen
