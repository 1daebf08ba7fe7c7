// The device's account of managed resources: which it has taken on and
// whether their objects exist. Also defines the device side of
// managed_resources.h.
#pragma once

#include "platform/portable/d3d9/managed_resources.h"

namespace portable {

struct Device;

// Takes a resource on for this device without uploading it yet (a bound texture).
void ClaimGpuObjects(Device& device, GpuObjects& gpu);
// Frees every object made for managed resources and forgets them.
void ReleaseAllUploads(Device& device);

} // namespace portable
