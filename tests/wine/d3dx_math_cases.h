// A table of D3DX math calls with fixed inputs, shared by the native tests and
// the Windows probe that runs them against the real D3DX.
#pragma once

#include <string>
#include <vector>

struct MathCase {
    std::string name;
    std::vector<float> values;
};

std::vector<MathCase> ComputeMathCases();
