// "settings.ini": width, height and refresh rate as three unsigned decimal
// numbers separated by white space.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The most of the file that is read: three numbers and any blanks a person
// puts around them fit many times over. A file longer than this reads as if
// it ended here, so however large it is, it costs one small read.
constexpr size_t kSettingsBytesRead = 64 * 1024;

struct DisplaySettings {
    uint32_t width;
    uint32_t height;
    uint32_t refreshRate;
};
