// An 8-bit RGB image, rows top to bottom.
#pragma once

#include <cstdint>
#include <vector>

namespace modelgen {

struct Color {
    float r = 0;
    float g = 0;
    float b = 0;
};

Color operator+(Color a, Color b);
Color operator*(Color a, float s);
Color Mix(Color a, Color b, float t);

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // width * height * 3 bytes
};

Image MakeImage(int width, int height);
// Stores a color with components in [0, 1] (clamped, rounded).
void SetPixel(Image& image, int x, int y, Color color);
Color GetPixel(const Image& image, int x, int y);

} // namespace modelgen
