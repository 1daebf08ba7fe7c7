#include "tools/modelgen/assets.h"
#include "tools/modelgen/shapes.h"

namespace modelgen {

Asset BuildSniper()
{
    Asset asset{"Sniper", "Sniper.x", {}, {}};
    Model& m = asset.model;
    m.name = "Sniper";
    const std::uint32_t skin =
        AddMaterial(m, Material{"Skin", {0.85f, 0.64f, 0.50f, 1}, 5, {0.1f, 0.1f, 0.1f}, {}, ""});
    const std::uint32_t camo = AddMaterial(m, Material{"Camo", {1, 1, 1, 1}, 0, {}, {}, "camo.png"});
    const std::uint32_t leather =
        AddMaterial(m, Material{"Boots", {0.16f, 0.12f, 0.09f, 1}, 10, {0.2f, 0.2f, 0.2f}, {}, ""});
    const std::uint32_t metal =
        AddMaterial(m, Material{"GunMetal", {1, 1, 1, 1}, 30, {0.6f, 0.6f, 0.6f}, {}, "metal.png"});

    // Cloth repeats its pattern every `cloth` units.
    constexpr float cloth = 2.5f;

    // Legs and boots; the figure faces -z, so toes point that way.
    for (const float x : {-0.5f, 0.5f}) {
        AddBox(m, {x - 0.42f, -5.0f, -0.8f}, {x + 0.42f, -4.3f, 0.45f}, leather, Stretch());
        AddCylinder(m, {x, -4.3f, 0}, {x, -3.6f, 0}, 0.42f, 10, leather, 0, false);
        AddCylinder(m, {x, -3.6f, 0}, {x, -0.4f, 0}, 0.45f, 10, camo, cloth, false);
    }

    // Body.
    AddBox(m, {-1.0f, -0.7f, -0.55f}, {1.0f, 0.1f, 0.55f}, camo, WorldTile(cloth));
    AddBox(m, {-1.04f, -0.05f, -0.59f}, {1.04f, 0.35f, 0.59f}, leather, Stretch());
    AddBox(m, {-1.05f, 0.3f, -0.55f}, {1.05f, 3.1f, 0.55f}, camo, WorldTile(cloth));
    for (const float x : {-1.15f, 1.15f}) AddEllipsoid(m, {x, 2.9f, 0}, {0.5f, 0.45f, 0.5f}, 10, 6, camo, 0.5f);

    // Neck, head and helmet.
    AddCylinder(m, {0, 3.1f, 0}, {0, 3.55f, 0}, 0.28f, 10, skin, 0, false);
    AddEllipsoid(m, {0, 4.15f, 0}, {0.5f, 0.62f, 0.55f}, 12, 8, skin);
    AddEllipsoid(m, {0, 4.5f, 0.02f}, {0.6f, 0.4f, 0.64f}, 12, 6, camo, 0.6f);
    for (const float x : {-0.2f, 0.2f})
        AddBox(m, {x - 0.07f, 4.12f, -0.6f}, {x + 0.07f, 4.2f, -0.45f}, leather, Stretch()); // eyes

    // Arms reaching forward to the rifle, which is held on the right.
    const Vec3 rightShoulder{-1.2f, 2.85f, 0};
    const Vec3 rightElbow{-1.35f, 1.45f, 0.2f};
    const Vec3 rightHand{-0.5f, 1.55f, -0.8f};
    const Vec3 leftShoulder{1.2f, 2.85f, 0};
    const Vec3 leftElbow{0.9f, 1.7f, -1.0f};
    const Vec3 leftHand{-0.3f, 1.6f, -2.0f};
    AddCylinder(m, rightShoulder, rightElbow, 0.3f, 8, camo, cloth);
    AddCylinder(m, rightElbow, rightHand, 0.26f, 8, camo, cloth);
    AddCylinder(m, leftShoulder, leftElbow, 0.3f, 8, camo, cloth);
    AddCylinder(m, leftElbow, leftHand, 0.26f, 8, camo, cloth);
    AddEllipsoid(m, rightHand + Vec3{0, 0, -0.12f}, {0.2f, 0.22f, 0.25f}, 8, 5, skin);
    AddEllipsoid(m, leftHand, {0.2f, 0.22f, 0.25f}, 8, 5, skin);

    // Rifle along -z.
    constexpr float x = -0.4f;
    AddBox(m, {x - 0.15f, 1.3f, 0.2f}, {x + 0.15f, 1.85f, 1.3f}, metal, Stretch());    // stock
    AddBox(m, {x - 0.15f, 1.55f, -1.2f}, {x + 0.15f, 1.95f, 0.2f}, metal, Stretch());  // receiver
    AddBox(m, {x - 0.1f, 1.1f, -0.6f}, {x + 0.1f, 1.55f, -0.35f}, metal, Stretch());   // grip
    AddBox(m, {x - 0.1f, 1.2f, -1.05f}, {x + 0.1f, 1.55f, -0.8f}, metal, Stretch());   // magazine
    AddCylinder(m, {x, 1.75f, -1.2f}, {x, 1.75f, -2.6f}, 0.17f, 8, metal);             // handguard
    AddCylinder(m, {x, 1.8f, -2.6f}, {x, 1.8f, -4.2f}, 0.08f, 8, metal);               // barrel
    AddBox(m, {x - 0.05f, 1.95f, -0.9f}, {x + 0.05f, 2.1f, -0.75f}, metal, Stretch()); // scope mounts
    AddBox(m, {x - 0.05f, 1.95f, -0.1f}, {x + 0.05f, 2.1f, 0.05f}, metal, Stretch());
    AddCylinder(m, {x, 2.22f, 0.1f}, {x, 2.22f, -1.2f}, 0.12f, 10, metal); // scope
    AddCylinder(m, {x, 2.22f, -1.2f}, {x, 2.22f, -1.45f}, 0.17f, 10, metal);

    asset.textures.push_back({"camo.png", MakeCamo(256)});
    asset.textures.push_back({"metal.png", MakeGunMetal(256)});
    return asset;
}

} // namespace modelgen
