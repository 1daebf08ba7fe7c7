// Transforms, material, render and sampler states, textures: stored, and
// applied to OpenGL at the next draw.
#include "platform/portable/win32/api_guard.h"
#include "platform/portable/d3d9/device.h"

namespace portable {

namespace {
constexpr DWORD kTexture0 = D3DTS_TEXTURE0;
constexpr DWORD kWorld0 = 256;
constexpr DWORD kLastWorld = 511;
// Displacement-map and vertex-texture samplers: accepted, never sampled here.
constexpr DWORD kFirstSpecialSampler = 256;
constexpr DWORD kLastSpecialSampler = 260;

bool IsSpecialSampler(DWORD sampler)
{
    return sampler >= kFirstSpecialSampler && sampler <= kLastSpecialSampler;
}
} // namespace

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix)
{
    if (matrix == nullptr) return D3DERR_INVALIDCALL;
    const DWORD which = static_cast<DWORD>(state);
    if (which == D3DTS_VIEW) {
        states.view = *matrix;
    } else if (which == D3DTS_PROJECTION) {
        states.projection = *matrix;
    } else if (which == kWorld0) {
        states.world = *matrix;
    } else if (which >= kTexture0 && which < kTexture0 + kTextureTransformCount) {
        states.textureTransforms[which - kTexture0] = *matrix;
    } else if (which <= kWorld0 || which > kLastWorld) {
        return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL9* material)
{
    if (material == nullptr) return D3DERR_INVALIDCALL;
    states.material = *material;
    return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value)
{
    const DWORD which = static_cast<DWORD>(state);
    if (which == 0 || which >= kRenderStateCount) return D3DERR_INVALIDCALL;
    if (states.render[which] != value) {
        states.render[which] = value;
        InvalidateGlState(*this);
    }
    return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD samplerIndex, D3DSAMPLERSTATETYPE type, DWORD value)
{
    const DWORD which = static_cast<DWORD>(type);
    if (which == 0 || which >= kSamplerStateCount) return D3DERR_INVALIDCALL;
    if (IsSpecialSampler(samplerIndex)) return D3D_OK;
    if (samplerIndex >= kSamplerCount) return D3DERR_INVALIDCALL;
    if (states.sampler[samplerIndex][which] != value) {
        states.sampler[samplerIndex][which] = value;
        if (samplerIndex == 0) InvalidateGlState(*this);
    }
    return D3D_OK;
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture)
{
    if (IsSpecialSampler(stage)) return D3D_OK;
    if (stage >= kSamplerCount) return D3DERR_INVALIDCALL;
    TextureData* data = texture != nullptr ? TextureDataOf(texture) : nullptr;
    // Known to the device from now on, so that the texture's end unbinds it.
    if (data != nullptr) {
        const HRESULT claimed = GuardedHresult([&] {
            ClaimGpuObjects(*this, data->gpu);
            return D3D_OK;
        });
        if (FAILED(claimed)) return claimed;
    }
    textureData[stage] = data;
    return D3D_OK;
}

} // namespace portable
