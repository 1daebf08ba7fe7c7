// "settings.ini": width, height and refresh rate as three unsigned decimal
// numbers separated by white space.
#pragma once

#include <cstdint>
#include <string>

struct DisplaySettings {
    uint32_t width;
    uint32_t height;
    uint32_t refreshRate;
};

// Reads up to three numbers from the text into the fields in order. The first
// field that cannot be read (no digits, the end of the text, a value beyond 32
// bits) keeps its value, and so does every field after it.
void ParseSettings(const std::string& text, DisplaySettings& settings);
