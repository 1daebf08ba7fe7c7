#include "tools/modelgen/asset_output.h"

#include <fstream>
#include <stdexcept>

#include "tools/modelgen/png_writer.h"

namespace modelgen {

void WriteFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) throw std::runtime_error("cannot create " + path.string());
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) throw std::runtime_error("cannot write " + path.string());
}

std::vector<WrittenFile> WriteAsset(const Asset& asset, const std::filesystem::path& directory,
                                    const OutputOptions& options, const std::string& fileName)
{
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) throw std::runtime_error("cannot create folder " + directory.string() + ": " + error.message());

    std::vector<WrittenFile> written;
    const std::filesystem::path modelPath = directory / (fileName.empty() ? asset.fileName : fileName);
    const std::vector<std::uint8_t> model = WriteModelX(asset.model, options.encoding, options.write);
    WriteFileBytes(modelPath, model);
    written.push_back({modelPath, model.size()});
    if (!options.textures) return written;
    for (const Texture& texture : asset.textures) {
        const std::filesystem::path path = directory / texture.fileName;
        const std::vector<std::uint8_t> png = EncodePng(texture.image);
        WriteFileBytes(path, png);
        written.push_back({path, png.size()});
    }
    return written;
}

} // namespace modelgen
