// The portable Direct3D 9 adapter calls against the real ones, run under
// Wine on the same display: every call of the shared table must answer alike.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/wine/d3d9_adapter_cases.h"
#include "tests/wine/wine_probe.h"

namespace {
// Calls where Wine's Direct3D answers otherwise than Windows' does
// (docs/d3dx-differences.md): Wine's answer, then ours.
struct Kept {
    const char* call;
    const char* wine;
    const char* portable;
};
const Kept kKept[] = {
    // Wine takes any SDK version; Direct3D 9 only its own.
    {"Direct3DCreate9(0)", "object", "null"},
    {"Direct3DCreate9(31)", "object", "null"},
    // Wine tries the device first and runs out of video memory on a virtual
    // display; Direct3D 9 checks the device type and that exactly one kind
    // of vertex processing is asked for.
    {"CreateDevice: device type 99", "0x8876017c", "0x8876086c"},
    {"CreateDevice: no vertex processing", "0x8876017c", "0x8876086c"},
    {"CreateDevice: two kinds of vertex processing", "0x8876017c", "0x8876086c"},
    // No focus window for full screen: not available to Wine, an invalid call to us.
    {"CreateDevice: full screen without a window", "0x8876086a", "0x8876086c"},
};
} // namespace

TEST(WineComparison, AdapterCallsAnswerAsDirect3D9Does)
{
    const std::string output = RunWineProbe();
    ASSERT_FALSE(output.empty()) << "no output from the Windows probe: build the windows preset first and set "
                                    "WALKTHROUGH_WINE_PROBE and WALKTHROUGH_WINE_RUNNER (CTest does)";
    std::map<std::string, std::string> real;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t tab = line.find('\t');
        if (tab != std::string::npos) real[line.substr(0, tab)] = line.substr(tab + 1);
    }
    const auto portable = ComputeAdapterCases();
    EXPECT_EQ(real.size(), portable.size());
    size_t kept = 0;
    for (const auto& [call, answer] : portable) {
        const auto found = real.find(call);
        ASSERT_NE(found, real.end()) << call;
        const auto known =
            std::find_if(std::begin(kKept), std::end(kKept), [&](const Kept& k) { return call == k.call; });
        if (known != std::end(kKept)) {
            EXPECT_EQ(found->second, known->wine) << call;
            EXPECT_EQ(answer, known->portable) << call;
            ++kept;
            continue;
        }
        EXPECT_EQ(answer, found->second) << call;
    }
    std::printf("compared %zu adapter calls, %zu of them differ as kept\n", portable.size(), kept);
}
