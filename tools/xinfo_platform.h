// What the model inspector needs from each platform: a device to load with,
// and the code page of its command line.
#pragma once

#include <string>

#include "platform/platform.h"

// A device that meshes and textures can be created on, or null with `error` set.
IDirect3DDevice9* CreateInspectionDevice(std::string& error);
void DestroyInspectionDevice(IDirect3DDevice9* device);

// The code page of command-line arguments.
UINT ArgumentCodePage();
