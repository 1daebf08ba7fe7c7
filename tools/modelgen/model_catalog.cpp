#include "tools/modelgen/assets.h"

namespace modelgen {

const std::vector<std::string>& ModelNames()
{
    static const std::vector<std::string> names = {"crate", "level", "sniper", "skybox"};
    return names;
}

std::optional<Asset> BuildModelByName(std::string_view name)
{
    if (name == "crate") return BuildCrate();
    if (name == "level") return BuildLevel();
    if (name == "sniper") return BuildSniper();
    if (name == "skybox") return BuildSkybox();
    return std::nullopt;
}

} // namespace modelgen
