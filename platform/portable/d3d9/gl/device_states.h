// The state a Direct3D 9 device keeps: render states, sampler states,
// transforms and the material, with Direct3D's defaults.
#pragma once

#include "platform/portable/d3d9/api.h"

namespace portable {

constexpr DWORD kRenderStateCount = 210;  // one past D3DRS_BLENDOPALPHA
constexpr DWORD kSamplerCount = 16;
constexpr DWORD kSamplerStateCount = 14;  // one past D3DSAMP_DMAPOFFSET
constexpr DWORD kTextureTransformCount = 8;

// Render states the header does not name, by their Direct3D 9 numbers.
namespace render_state {
constexpr DWORD kLastPixel = 16;
constexpr DWORD kFogColor = 34;
constexpr DWORD kFogTableMode = 35;
constexpr DWORD kFogStart = 36;
constexpr DWORD kFogEnd = 37;
constexpr DWORD kFogDensity = 38;
constexpr DWORD kRangeFogEnable = 48;
constexpr DWORD kStencilFail = 53;
constexpr DWORD kStencilZFail = 54;
constexpr DWORD kStencilPass = 55;
constexpr DWORD kStencilFunc = 56;
constexpr DWORD kStencilRef = 57;
constexpr DWORD kStencilMask = 58;
constexpr DWORD kStencilWriteMask = 59;
constexpr DWORD kWrap0 = 128;
constexpr DWORD kClipping = 136;
constexpr DWORD kFogVertexMode = 140;
constexpr DWORD kVertexBlend = 151;
constexpr DWORD kClipPlaneEnable = 152;
constexpr DWORD kPointSize = 154;
constexpr DWORD kPointSizeMin = 155;
constexpr DWORD kPointSpriteEnable = 156;
constexpr DWORD kPointScaleEnable = 157;
constexpr DWORD kPointScaleA = 158;
constexpr DWORD kPointScaleB = 159;
constexpr DWORD kPointScaleC = 160;
constexpr DWORD kMultisampleAntialias = 161;
constexpr DWORD kMultisampleMask = 162;
constexpr DWORD kPatchEdgeStyle = 163;
constexpr DWORD kDebugMonitorToken = 165;
constexpr DWORD kPointSizeMax = 166;
constexpr DWORD kIndexedVertexBlendEnable = 167;
constexpr DWORD kTweenFactor = 170;
constexpr DWORD kPositionDegree = 172;
constexpr DWORD kNormalDegree = 173;
constexpr DWORD kSlopeScaleDepthBias = 175;
constexpr DWORD kAntialiasedLineEnable = 176;
constexpr DWORD kMinTessellationLevel = 178;
constexpr DWORD kMaxTessellationLevel = 179;
constexpr DWORD kAdaptiveTessX = 180;
constexpr DWORD kAdaptiveTessY = 181;
constexpr DWORD kAdaptiveTessZ = 182;
constexpr DWORD kAdaptiveTessW = 183;
constexpr DWORD kEnableAdaptiveTessellation = 184;
constexpr DWORD kTwoSidedStencilMode = 185;
constexpr DWORD kCcwStencilFail = 186;
constexpr DWORD kCcwStencilZFail = 187;
constexpr DWORD kCcwStencilPass = 188;
constexpr DWORD kCcwStencilFunc = 189;
constexpr DWORD kColorWriteEnable1 = 190;
constexpr DWORD kColorWriteEnable2 = 191;
constexpr DWORD kColorWriteEnable3 = 192;
constexpr DWORD kBlendFactor = 193;
constexpr DWORD kDepthBias = 195;
constexpr DWORD kWrap8 = 198;
constexpr DWORD kSeparateAlphaBlendEnable = 206;
constexpr DWORD kSrcBlendAlpha = 207;
constexpr DWORD kDestBlendAlpha = 208;
constexpr DWORD kBlendOpAlpha = 209;
} // namespace render_state

namespace sampler_state {
constexpr DWORD kSrgbTexture = 11;
constexpr DWORD kElementIndex = 12;
constexpr DWORD kDmapOffset = 13;
} // namespace sampler_state

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

} // namespace portable
