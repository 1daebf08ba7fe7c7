// The model inspector on the portable layer: meshes and textures load
// without a display, so the device is a stand-in that is never drawn with.
#include "tools/xinfo_platform.h"

#include "platform/portable/d3d9/managed_resources.h"
#include "platform/portable/d3d9/null_device.h"

using namespace portable;

IDirect3DDevice9* CreateInspectionDevice(std::string&) { return new NullDevice; }

void DestroyInspectionDevice(IDirect3DDevice9* device) { delete static_cast<NullDevice*>(device); }

UINT ArgumentCodePage() { return CP_UTF8; }

bool ReadLevelZero(IDirect3DTexture9* texture, LevelTexels& level)
{
    const TextureData* data = TextureDataOf(texture);
    if (data == nullptr || data->levels.empty()) return false;
    level.width = data->width;
    level.height = data->height;
    level.format = data->format;
    level.bgra = true;
    level.bytes = data->levels[0];
    return true;
}
