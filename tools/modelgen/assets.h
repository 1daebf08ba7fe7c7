// The program's models with their textures, and the large benchmark model.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/modelgen/model.h"
#include "tools/modelgen/textures.h"

namespace modelgen {

struct Asset {
    std::string folder;   // under Models/, e.g. "Crate"
    std::string fileName; // e.g. "Crate.x"
    Model model;
    std::vector<Texture> textures; // every texture its materials name
};

// A wooden crate, a cube from -5 to +5 on every axis.
Asset BuildCrate();
// A walled courtyard: ground at y = 0 from -500 to +500 in x and z.
Asset BuildLevel();
// A standing rifleman about 10 units tall, feet at y = -5, facing -z.
Asset BuildSniper();
// A sky cube of half-size 500 seen from inside.
Asset BuildSkybox();
// A textured terrain of about `triangles` triangles with four materials.
Asset BuildLargeModel(int triangles);

// "crate", "level", "sniper", "skybox", in the program's load order.
const std::vector<std::string>& ModelNames();
std::optional<Asset> BuildModelByName(std::string_view name);

} // namespace modelgen
