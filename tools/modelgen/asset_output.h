// Writes an asset's .x file and textures to disk.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/modelgen/assets.h"
#include "tools/modelgen/x_encoding.h"
#include "tools/modelgen/x_model_writer.h"

namespace modelgen {

struct WrittenFile {
    std::filesystem::path path;
    std::size_t bytes = 0;
};

struct OutputOptions {
    XEncoding encoding;
    XWriteOptions write;
    bool textures = true;
};

// Writes `directory`/`fileName` (the asset's own name when empty) and, when
// asked, each texture beside it. Creates the directory. Throws
// std::runtime_error when a file cannot be written.
std::vector<WrittenFile> WriteAsset(const Asset& asset, const std::filesystem::path& directory,
                                    const OutputOptions& options, const std::string& fileName = {});

void WriteFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

} // namespace modelgen
