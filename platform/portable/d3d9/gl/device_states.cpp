#include "platform/portable/d3d9/gl/device_states.h"

#include <cstring>

namespace portable {

namespace {
DWORD FloatBits(float value)
{
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

D3DMATRIX Identity()
{
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

constexpr DWORD kShadeGouraud = 2;
constexpr DWORD kFillSolid = 3;
constexpr DWORD kStencilKeep = 1;
constexpr DWORD kBlendOpAdd = 1;
constexpr DWORD kDegreeCubic = 3;
constexpr DWORD kDegreeLinear = 1;
} // namespace

void SetDefaultDeviceStates(DeviceStates& states, bool hasDepthBuffer)
{
    namespace rs = render_state;
    DWORD* r = states.render;
    std::memset(r, 0, sizeof states.render);

    r[D3DRS_ZENABLE] = hasDepthBuffer ? D3DZB_TRUE : D3DZB_FALSE;
    r[D3DRS_FILLMODE] = kFillSolid;
    r[D3DRS_SHADEMODE] = kShadeGouraud;
    r[D3DRS_ZWRITEENABLE] = TRUE;
    r[rs::kLastPixel] = TRUE;
    r[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    r[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    r[D3DRS_CULLMODE] = D3DCULL_CCW;
    r[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    r[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    r[rs::kFogStart] = FloatBits(0.0f);
    r[rs::kFogEnd] = FloatBits(1.0f);
    r[rs::kFogDensity] = FloatBits(1.0f);
    r[rs::kStencilFail] = kStencilKeep;
    r[rs::kStencilZFail] = kStencilKeep;
    r[rs::kStencilPass] = kStencilKeep;
    r[rs::kStencilFunc] = D3DCMP_ALWAYS;
    r[rs::kStencilMask] = 0xFFFFFFFF;
    r[rs::kStencilWriteMask] = 0xFFFFFFFF;
    r[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
    r[rs::kClipping] = TRUE;
    r[D3DRS_LIGHTING] = TRUE;
    r[D3DRS_AMBIENT] = 0;
    r[D3DRS_COLORVERTEX] = TRUE;
    r[D3DRS_LOCALVIEWER] = TRUE;
    r[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    r[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    r[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    r[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    r[rs::kPointSize] = FloatBits(1.0f);
    r[rs::kPointSizeMin] = FloatBits(1.0f);
    r[rs::kPointScaleA] = FloatBits(1.0f);
    r[rs::kPointScaleB] = FloatBits(0.0f);
    r[rs::kPointScaleC] = FloatBits(0.0f);
    r[rs::kMultisampleAntialias] = TRUE;
    r[rs::kMultisampleMask] = 0xFFFFFFFF;
    r[rs::kDebugMonitorToken] = 0xBAADCAFE;
    r[rs::kPointSizeMax] = FloatBits(64.0f);
    r[D3DRS_COLORWRITEENABLE] = 0x0000000F;
    r[rs::kTweenFactor] = FloatBits(0.0f);
    r[D3DRS_BLENDOP] = kBlendOpAdd;
    r[rs::kPositionDegree] = kDegreeCubic;
    r[rs::kNormalDegree] = kDegreeLinear;
    r[rs::kMinTessellationLevel] = FloatBits(1.0f);
    r[rs::kMaxTessellationLevel] = FloatBits(1.0f);
    r[rs::kAdaptiveTessX] = FloatBits(0.0f);
    r[rs::kAdaptiveTessY] = FloatBits(0.0f);
    r[rs::kAdaptiveTessZ] = FloatBits(1.0f);
    r[rs::kAdaptiveTessW] = FloatBits(0.0f);
    r[rs::kCcwStencilFail] = kStencilKeep;
    r[rs::kCcwStencilZFail] = kStencilKeep;
    r[rs::kCcwStencilPass] = kStencilKeep;
    r[rs::kCcwStencilFunc] = D3DCMP_ALWAYS;
    r[rs::kColorWriteEnable1] = 0x0000000F;
    r[rs::kColorWriteEnable2] = 0x0000000F;
    r[rs::kColorWriteEnable3] = 0x0000000F;
    r[rs::kBlendFactor] = 0xFFFFFFFF;
    r[rs::kSrcBlendAlpha] = D3DBLEND_ONE;
    r[rs::kDestBlendAlpha] = D3DBLEND_ZERO;
    r[rs::kBlendOpAlpha] = kBlendOpAdd;

    for (DWORD s = 0; s < kSamplerCount; ++s) {
        DWORD* sampler = states.sampler[s];
        std::memset(sampler, 0, sizeof states.sampler[s]);
        sampler[D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
        sampler[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
        sampler[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        sampler[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
        sampler[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        sampler[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        sampler[D3DSAMP_MAXANISOTROPY] = 1;
    }

    states.world = states.view = states.projection = Identity();
    for (D3DMATRIX& m : states.textureTransforms) m = Identity();

    states.material = D3DMATERIAL9{};
    states.material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
}

} // namespace portable
