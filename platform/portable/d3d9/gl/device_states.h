// The state a Direct3D 9 device keeps (render states, sampler states,
// transforms and the material) with Direct3D's defaults, and its OpenGL form.
#pragma once

#include "platform/portable/d3d9/api.h"
#include "platform/portable/d3d9/gl/back_buffer.h"

namespace portable {

constexpr DWORD kRenderStateCount = 210; // one past D3DRS_BLENDOPALPHA
constexpr DWORD kSamplerCount = 16;
constexpr DWORD kSamplerStateCount = 14; // one past D3DSAMP_DMAPOFFSET
constexpr DWORD kTextureTransformCount = 8;

// Render states the header does not name, by their Direct3D 9 numbers.
namespace render_state {
constexpr DWORD kStencilFail = 53;
constexpr DWORD kStencilZFail = 54;
constexpr DWORD kStencilPass = 55;
constexpr DWORD kStencilFunc = 56;
constexpr DWORD kStencilRef = 57;
constexpr DWORD kStencilMask = 58;
constexpr DWORD kStencilWriteMask = 59;
constexpr DWORD kBlendFactor = 193;
constexpr DWORD kSeparateAlphaBlendEnable = 206;
constexpr DWORD kSrcBlendAlpha = 207;
constexpr DWORD kDestBlendAlpha = 208;
} // namespace render_state

// Every state a program may set is kept; those the device draws with start
// at Direct3D's defaults, the others at 0.
struct DeviceStates {
    DWORD render[kRenderStateCount];
    DWORD sampler[kSamplerCount][kSamplerStateCount];
    D3DMATRIX world;
    D3DMATRIX view;
    D3DMATRIX projection;
    D3DMATRIX textureTransforms[kTextureTransformCount];
    D3DMATERIAL9 material;
};

// Direct3D 9's state after CreateDevice and Reset; ZENABLE is on when the
// device has an automatic depth buffer.
void SetDefaultDeviceStates(DeviceStates& states, bool hasDepthBuffer);

// Sets the OpenGL state for the Direct3D states, drawing into the back buffer
// with the sampler object for stage 0.
void ApplyRenderStates(const DeviceStates& states, const GlBackBuffer& backBuffer, unsigned sampler);

} // namespace portable
