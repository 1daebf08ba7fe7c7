// Deterministic hash-based value noise. The 2D forms repeat with a whole
// number of lattice cells, so textures built from them tile seamlessly.
#pragma once

#include <cstdint>

namespace modelgen {

std::uint32_t Hash(std::uint32_t seed, std::int32_t x, std::int32_t y, std::int32_t z = 0);
// Uniform in [0, 1).
float HashUnit(std::uint32_t seed, std::int32_t x, std::int32_t y, std::int32_t z = 0);

// Smooth noise in [0, 1] over a lattice that wraps after `periodX` cells
// across and `periodY` cells down: (x + periodX, y) gives the value of (x, y).
float PeriodicNoise(float x, float y, int periodX, int periodY, std::uint32_t seed);
// Sum of `octaves` periodic octaves, each with twice the cells and half the
// weight of the one before; normalised to [0, 1]. x, y in [0, 1).
float PeriodicFbm(float x, float y, int basePeriod, int octaves, std::uint32_t seed);

// Non-repeating 3D value noise in [0, 1] and its fractal sum.
float Noise3(float x, float y, float z, std::uint32_t seed);
float Fbm3(float x, float y, float z, int octaves, std::uint32_t seed);

} // namespace modelgen
