// Loaded models by path, each file loaded once and shared.
#pragma once

#include <map>
#include <string>

struct Mesh;

// Keys are the paths exactly as given; a failed load leaves no entry.
using MeshCache = std::map<std::wstring, Mesh*>;
