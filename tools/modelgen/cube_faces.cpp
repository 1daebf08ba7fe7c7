#include "tools/modelgen/cube_faces.h"

namespace modelgen {

const std::array<CubeFace, 6>& SkyCubeFaces()
{
    static const std::array<CubeFace, 6> faces = {{
        {"front", {0, 0, 1}, {0, 1, 0}},
        {"right", {1, 0, 0}, {0, 1, 0}},
        {"back", {0, 0, -1}, {0, 1, 0}},
        {"left", {-1, 0, 0}, {0, 1, 0}},
        {"top", {0, 1, 0}, {0, 0, -1}},
        {"bottom", {0, -1, 0}, {0, 0, 1}},
    }};
    return faces;
}

Vec3 CubeFaceRight(const CubeFace& face) { return Cross(face.up, face.direction); }

float SkyEdgeInset(int textureSize) { return 0.5f / static_cast<float>(textureSize); }

} // namespace modelgen
