// A fresh folder of the test's own under the system's temporary folder.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

struct ScratchFolder {
    // Made afresh; removed with the object, also when a test took its write permission.
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Writes `bytes` to `name` (folders included) and returns its path.
    std::filesystem::path Write(const std::string& name, std::string_view bytes) const;

    std::filesystem::path path;
};
