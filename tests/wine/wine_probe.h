// The output of the Windows probe WALKTHROUGH_WINE_PROBE run under Wine by
// WALKTHROUGH_WINE_RUNNER; empty when either is not set or it prints nothing.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

inline std::string RunWineProbe()
{
    const char* probe = std::getenv("WALKTHROUGH_WINE_PROBE");
    const char* runner = std::getenv("WALKTHROUGH_WINE_RUNNER");
    if (probe == nullptr || runner == nullptr) return {};
    const std::string command = std::string("'") + runner + "' '" + probe + "' 2>/dev/null";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t read;
        while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, read);
        pclose(pipe);
    }
    return output;
}
