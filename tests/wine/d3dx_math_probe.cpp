// Prints the math table computed by the real D3DX, one case per line:
// the name, then each value as the hex digits of its 32-bit pattern.
#include <cstdio>
#include <cstring>

#include "tests/wine/d3dx_math_cases.h"

int main()
{
    for (const MathCase& entry : ComputeMathCases()) {
        std::printf("%s", entry.name.c_str());
        for (float value : entry.values) {
            unsigned bits = 0;
            std::memcpy(&bits, &value, sizeof bits);
            std::printf(" %08x", bits);
        }
        std::printf("\n");
    }
    return 0;
}
