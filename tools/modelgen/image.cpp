#include "tools/modelgen/image.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace modelgen {
namespace {

std::uint8_t ToByte(float value)
{
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

std::size_t Offset(const Image& image, int x, int y)
{
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) + static_cast<std::size_t>(x)) * 3;
}

} // namespace

Color operator+(Color a, Color b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Color operator*(Color a, float s) { return {a.r * s, a.g * s, a.b * s}; }
Color Mix(Color a, Color b, float t) { return a * (1.0f - t) + b * t; }

Image MakeImage(int width, int height)
{
    Image image;
    image.width = width;
    image.height = height;
    image.rgb.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0);
    return image;
}

void SetPixel(Image& image, int x, int y, Color color)
{
    const std::size_t at = Offset(image, x, y);
    image.rgb[at] = ToByte(color.r);
    image.rgb[at + 1] = ToByte(color.g);
    image.rgb[at + 2] = ToByte(color.b);
}

Color GetPixel(const Image& image, int x, int y)
{
    const std::size_t at = Offset(image, x, y);
    return {image.rgb[at] / 255.0f, image.rgb[at + 1] / 255.0f, image.rgb[at + 2] / 255.0f};
}

} // namespace modelgen
