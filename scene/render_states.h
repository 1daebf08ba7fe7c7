// The device states the scene draws with: the sky unlit behind everything,
// then the entities lit and depth-tested.
#pragma once

#include "platform/platform.h"

// Linear filtering, no lighting, depth tested but not written.
void SetSkyStates(IDirect3DDevice9* device);
// Lighting with full white ambient, depth tested and written.
void SetEntityStates(IDirect3DDevice9* device);
