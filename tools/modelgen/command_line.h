// The tool's command line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/modelgen/asset_output.h"

namespace modelgen {

enum class RunMode {
    AllModels, // --out DIR: DIR/Crate/Crate.x, DIR/Level/Level.x, ...
    OneModel,  // --model NAME --out DIR: DIR/<Name>.x and its textures
    Large,     // --large N --out FILE
    Icons,     // --icons --out DIR: the program's icon files
    Help,
};

struct CommandLine {
    RunMode mode = RunMode::AllModels;
    std::string out;
    std::string model;      // OneModel
    int largeTriangles = 0; // Large
    OutputOptions output;
};

struct ParsedCommandLine {
    std::optional<CommandLine> commandLine;
    std::string error; // set when commandLine is empty
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string_view>& arguments);
std::string Usage();

} // namespace modelgen
