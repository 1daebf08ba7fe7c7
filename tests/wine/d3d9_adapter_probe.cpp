// Prints the adapter calls' answers from the real Direct3D 9, one a line:
// the call, a tab, the answer.
#include <cstdio>

#include "tests/wine/d3d9_adapter_cases.h"

int main()
{
    for (const auto& [call, answer] : ComputeAdapterCases()) std::printf("%s\t%s\n", call.c_str(), answer.c_str());
    return 0;
}
