// Direct3D 9 adapter calls with arguments of every class (adapters and mode
// indices in and out of range, formats without display modes, missing
// pointers and windows), shared by the native test and the Windows probe
// that makes them on the real Direct3D 9. Only results: the modes
// themselves differ between displays.
#pragma once

#include <string>
#include <utility>
#include <vector>

// Each call's name and its answer ("D3D_OK", a result's hex code, a count class).
std::vector<std::pair<std::string, std::string>> ComputeAdapterCases();
