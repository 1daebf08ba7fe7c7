// The six faces of a cube seen from its centre, shared by the sky geometry
// and the sky textures so that both agree on where each texel lies.
#pragma once

#include <array>
#include <string>

#include "tools/modelgen/model.h"

namespace modelgen {

struct CubeFace {
    std::string name; // used in texture and material names
    Vec3 direction;   // from the centre to the face
    Vec3 up;          // upwards in the face's image, seen from the centre
};

const std::array<CubeFace, 6>& SkyCubeFaces();
// Rightwards in the face's image, seen from the centre.
Vec3 CubeFaceRight(const CubeFace& face);

// Texture coordinates of the face's corners: inset by half a texel so that
// the edge texels lie exactly on the cube's edges and linear filtering does
// not wrap around to the opposite side of the image.
float SkyEdgeInset(int textureSize);

} // namespace modelgen
