// Primitive builders. Every face they add is wound clockwise as seen from the
// side its normal points to, and carries that normal on its vertices.
#pragma once

#include <cstdint>

#include "tools/modelgen/model.h"

namespace modelgen {

// How a rectangle's texture coordinates are chosen.
struct UvMap {
    // tile > 0: world-space mapping, one texture repeat per `tile` units
    // along the face's right and up directions, so neighbouring faces that
    // share those directions continue each other's texture.
    // tile == 0: the rectangle spans [u0, u1] x [v0, v1], top-left first.
    float tile = 0;
    float u0 = 0;
    float v0 = 0;
    float u1 = 1;
    float v1 = 1;
};

UvMap Stretch(float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1);
UvMap WorldTile(float tile);

// A rectangle centred at `centre`, facing `normal`, with `up` the direction
// that appears upwards to a viewer in front of it (perpendicular to normal).
void AddRect(Model& model, Vec3 centre, Vec3 normal, Vec3 up, float halfWidth, float halfHeight, std::uint32_t material,
             UvMap uv);

// An axis-aligned box seen from outside.
void AddBox(Model& model, Vec3 min, Vec3 max, std::uint32_t material, UvMap uv);

// A cylinder from `base` to `top` (caps at both ends) seen from outside.
// The side's u runs once around (or circumference / tile times when
// tile > 0); v runs down the side.
void AddCylinder(Model& model, Vec3 base, Vec3 top, float radius, int segments, std::uint32_t material, float tile = 0,
                 bool caps = true);

// An ellipsoid seen from outside; u runs `repeat` times around, v from 0 at
// the top to `repeat` at the bottom.
void AddEllipsoid(Model& model, Vec3 centre, Vec3 radii, int segments, int rings, std::uint32_t material,
                  float repeat = 1);

} // namespace modelgen
