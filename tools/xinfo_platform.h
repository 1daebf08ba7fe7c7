// What the model inspector needs from each platform: a device to load with,
// and the code page of its command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

// A device that meshes and textures can be created on, or null with `error` set.
IDirect3DDevice9* CreateInspectionDevice(std::string& error);
void DestroyInspectionDevice(IDirect3DDevice9* device);

// The code page of command-line arguments.
UINT ArgumentCodePage();

// Level 0 of a texture: its size and format, and its texels either as Lock
// gives them (rows packed, of 4x4 blocks for the DXT formats) or, where the
// texture holds them so, as B, G, R, A bytes.
struct LevelTexels {
    UINT width = 0;
    UINT height = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    bool bgra = false;
    std::vector<uint8_t> bytes;
};
bool ReadLevelZero(IDirect3DTexture9* texture, LevelTexels& level);
