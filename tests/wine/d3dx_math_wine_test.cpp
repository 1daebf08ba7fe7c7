// The portable D3DX math against the real D3DX, run under Wine: every value
// of the shared table must agree within a few units in the last place.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/wine/d3dx_math_cases.h"
#include "tests/wine/wine_probe.h"

namespace {
// D3DX and the portable layer use the same formulas, but the real library may
// round sin/cos and the order of sums differently.
constexpr int64_t kMaxUlp = 4;
// Values this close to zero are compared absolutely: a 1e-8 residue and an
// exact 0 are the same result of cancelling terms.
constexpr float kAbsoluteNearZero = 1e-6f;

int64_t OrderedBits(float value)
{
    int32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits < 0 ? -static_cast<int64_t>(bits & 0x7fffffff) : bits;
}

std::map<std::string, std::vector<float>> ParseProbe(const std::string& output)
{
    std::map<std::string, std::vector<float>> cases;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream fields(line);
        std::string name, hex;
        fields >> name;
        std::vector<float> values;
        while (fields >> hex) {
            const auto bits = static_cast<uint32_t>(std::stoul(hex, nullptr, 16));
            float value;
            std::memcpy(&value, &bits, sizeof value);
            values.push_back(value);
        }
        if (!name.empty()) cases[name] = values;
    }
    return cases;
}
} // namespace

TEST(WineComparison, PortableMathAgreesWithRealD3dx)
{
    const std::string output = RunWineProbe();
    ASSERT_FALSE(output.empty()) << "no output from the Windows probe: build the windows preset first and set "
                                    "WALKTHROUGH_WINE_PROBE and WALKTHROUGH_WINE_RUNNER (CTest does)";
    const auto real = ParseProbe(output);
    const auto portable = ComputeMathCases();
    ASSERT_EQ(real.size(), portable.size());

    int64_t worstUlp = 0;
    for (const MathCase& entry : portable) {
        const auto found = real.find(entry.name);
        ASSERT_NE(found, real.end()) << entry.name;
        ASSERT_EQ(found->second.size(), entry.values.size()) << entry.name;
        for (size_t i = 0; i < entry.values.size(); ++i) {
            const float mine = entry.values[i], theirs = found->second[i];
            if (std::isnan(mine) || std::isnan(theirs)) {
                EXPECT_TRUE(std::isnan(mine) && std::isnan(theirs))
                    << entry.name << "[" << i << "]: portable " << mine << ", D3DX " << theirs;
                continue;
            }
            if (std::fabs(mine) < kAbsoluteNearZero && std::fabs(theirs) < kAbsoluteNearZero) continue;
            const int64_t ulp = std::llabs(OrderedBits(mine) - OrderedBits(theirs));
            worstUlp = std::max(worstUlp, ulp);
            EXPECT_LE(ulp, kMaxUlp) << entry.name << "[" << i << "]: portable " << mine << ", D3DX " << theirs;
        }
    }
    std::printf("compared %zu cases, worst difference %lld ulp\n", portable.size(), static_cast<long long>(worstUlp));
}
