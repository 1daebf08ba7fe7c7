#include "tools/modelgen/noise.h"

#include <cmath>
#include <initializer_list>

namespace modelgen {
namespace {

float Smooth(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

float Lerp(float a, float b, float t) { return a + (b - a) * t; }

int Wrap(int value, int period)
{
    const int m = value % period;
    return m < 0 ? m + period : m;
}

} // namespace

std::uint32_t Hash(std::uint32_t seed, std::int32_t x, std::int32_t y, std::int32_t z)
{
    std::uint32_t h = seed * 0x9E3779B9u;
    for (const std::int32_t part : {x, y, z}) {
        h ^= static_cast<std::uint32_t>(part) + 0x7F4A7C15u + (h << 6) + (h >> 2);
        h *= 0x85EBCA6Bu;
        h ^= h >> 13;
        h *= 0xC2B2AE35u;
        h ^= h >> 16;
    }
    return h;
}

float HashUnit(std::uint32_t seed, std::int32_t x, std::int32_t y, std::int32_t z)
{
    return static_cast<float>(Hash(seed, x, y, z) >> 8) * (1.0f / 16777216.0f);
}

float PeriodicNoise(float x, float y, int periodX, int periodY, std::uint32_t seed)
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int x0 = static_cast<int>(fx);
    const int y0 = static_cast<int>(fy);
    const float tx = Smooth(x - fx);
    const float ty = Smooth(y - fy);
    const auto at = [&](int ix, int iy) { return HashUnit(seed, Wrap(ix, periodX), Wrap(iy, periodY)); };
    const float top = Lerp(at(x0, y0), at(x0 + 1, y0), tx);
    const float bottom = Lerp(at(x0, y0 + 1), at(x0 + 1, y0 + 1), tx);
    return Lerp(top, bottom, ty);
}

float PeriodicFbm(float x, float y, int basePeriod, int octaves, std::uint32_t seed)
{
    float sum = 0;
    float weight = 1;
    float total = 0;
    int period = basePeriod;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += weight
            * PeriodicNoise(x * static_cast<float>(period), y * static_cast<float>(period), period, period,
                            seed + static_cast<std::uint32_t>(octave) * 101u);
        total += weight;
        weight *= 0.5f;
        period *= 2;
    }
    return sum / total;
}

float Noise3(float x, float y, float z, std::uint32_t seed)
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const float fz = std::floor(z);
    const int x0 = static_cast<int>(fx);
    const int y0 = static_cast<int>(fy);
    const int z0 = static_cast<int>(fz);
    const float tx = Smooth(x - fx);
    const float ty = Smooth(y - fy);
    const float tz = Smooth(z - fz);
    float layer[2];
    for (int dz = 0; dz < 2; ++dz) {
        const auto at = [&](int ix, int iy) { return HashUnit(seed, ix, iy, z0 + dz); };
        const float top = Lerp(at(x0, y0), at(x0 + 1, y0), tx);
        const float bottom = Lerp(at(x0, y0 + 1), at(x0 + 1, y0 + 1), tx);
        layer[dz] = Lerp(top, bottom, ty);
    }
    return Lerp(layer[0], layer[1], tz);
}

float Fbm3(float x, float y, float z, int octaves, std::uint32_t seed)
{
    float sum = 0;
    float weight = 1;
    float total = 0;
    float scale = 1;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += weight * Noise3(x * scale, y * scale, z * scale, seed + static_cast<std::uint32_t>(octave) * 101u);
        total += weight;
        weight *= 0.5f;
        scale *= 2.0f;
    }
    return sum / total;
}

} // namespace modelgen
