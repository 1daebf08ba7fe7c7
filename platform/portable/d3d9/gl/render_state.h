// Direct3D render and sampler states as OpenGL state.
#pragma once

#include "platform/portable/d3d9/gl/back_buffer.h"
#include "platform/portable/d3d9/gl/device_states.h"

namespace portable {

// Sets the OpenGL state for the Direct3D states, drawing into the back buffer
// with the sampler object for stage 0.
void ApplyRenderStates(const DeviceStates& states, const GlBackBuffer& backBuffer, unsigned sampler);

} // namespace portable
