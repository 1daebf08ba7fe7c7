// modelgen: writes the walk-through's models and their textures.
#include <cctype>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tools/modelgen/asset_output.h"
#include "tools/modelgen/assets.h"
#include "tools/modelgen/command_line.h"
#include "tools/modelgen/icon.h"

namespace {

using modelgen::Asset;

void Report(const Asset& asset, const std::vector<modelgen::WrittenFile>& files)
{
    std::printf("%s: %zu vertices, %zu faces (%zu triangles), %zu materials\n", asset.model.name.c_str(),
                asset.model.positions.size(), asset.model.faces.size(), modelgen::TriangleCount(asset.model),
                asset.model.materials.size());
    for (const modelgen::WrittenFile& file : files)
        std::printf("  wrote %s (%zu bytes)\n", file.path.string().c_str(), file.bytes);
}

int Run(const modelgen::CommandLine& line)
{
    const std::filesystem::path out(line.out);
    switch (line.mode) {
    case modelgen::RunMode::Help: std::fputs(modelgen::Usage().c_str(), stdout); return 0;
    case modelgen::RunMode::AllModels:
        for (const std::string& name : modelgen::ModelNames()) {
            const Asset asset = *modelgen::BuildModelByName(name);
            Report(asset, modelgen::WriteAsset(asset, out / asset.folder, line.output));
        }
        return 0;
    case modelgen::RunMode::OneModel: {
        const Asset asset = *modelgen::BuildModelByName(line.model);
        Report(asset, modelgen::WriteAsset(asset, out, line.output));
        return 0;
    }
    case modelgen::RunMode::Large: {
        const Asset asset = modelgen::BuildLargeModel(line.largeTriangles);
        const std::filesystem::path folder = out.has_parent_path() ? out.parent_path() : std::filesystem::path(".");
        Report(asset, modelgen::WriteAsset(asset, folder, line.output, out.filename().string()));
        return 0;
    }
    case modelgen::RunMode::Icons:
        for (const modelgen::WrittenFile& file : modelgen::WriteIcons(out))
            std::printf("wrote %s (%zu bytes)\n", file.path.string().c_str(), file.bytes);
        return 0;
    }
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const modelgen::ParsedCommandLine parsed = modelgen::ParseCommandLine(arguments);
    if (!parsed.commandLine) {
        std::fprintf(stderr, "modelgen: %s\n%s", parsed.error.c_str(), modelgen::Usage().c_str());
        return 2;
    }
    try {
        return Run(*parsed.commandLine);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "modelgen: %s\n", error.what());
        return 1;
    }
}
