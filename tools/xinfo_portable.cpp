// The model inspector on the portable layer: meshes and textures load
// without a display, so the device is a stand-in that is never drawn with.
#include "tools/xinfo_platform.h"

#include "platform/portable/d3d9/null_device.h"

using namespace portable;

IDirect3DDevice9* CreateInspectionDevice(std::string&) { return new NullDevice; }

void DestroyInspectionDevice(IDirect3DDevice9* device) { delete static_cast<NullDevice*>(device); }

UINT ArgumentCodePage() { return CP_UTF8; }
