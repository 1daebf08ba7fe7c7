// Direct3D 9's default states, and the render and sampler states as OpenGL state.
#include "platform/portable/d3d9/gl/device_states.h"

#include <cstring>

#include "platform/portable/d3d9/gl/api.h"
#include "platform/portable/d3d9/gl/fixed_function.h"

namespace portable {

namespace {
D3DMATRIX Identity()
{
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

constexpr DWORD kFillSolid = 3;
constexpr DWORD kStencilKeep = 1;
constexpr DWORD kBlendOpAdd = 1;

GLenum CompareOf(DWORD function)
{
    switch (function) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

constexpr DWORD kBlendDestAlpha = 7;
constexpr DWORD kBlendInvDestAlpha = 8;
constexpr DWORD kBlendDestColor = 9;
constexpr DWORD kBlendInvDestColor = 10;
constexpr DWORD kBlendSrcAlphaSat = 11;
constexpr DWORD kBlendBothSrcAlpha = 12;
constexpr DWORD kBlendBothInvSrcAlpha = 13;
constexpr DWORD kBlendFactor = 14;
constexpr DWORD kBlendInvFactor = 15;

GLenum BlendOf(DWORD blend)
{
    switch (blend) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case kBlendDestAlpha: return GL_DST_ALPHA;
    case kBlendInvDestAlpha: return GL_ONE_MINUS_DST_ALPHA;
    case kBlendDestColor: return GL_DST_COLOR;
    case kBlendInvDestColor: return GL_ONE_MINUS_DST_COLOR;
    case kBlendSrcAlphaSat: return GL_SRC_ALPHA_SATURATE;
    case kBlendFactor: return GL_CONSTANT_COLOR;
    case kBlendInvFactor: return GL_ONE_MINUS_CONSTANT_COLOR;
    default: return GL_ONE;
    }
}

// The pair of factors, with the two "both" modes that set the destination too.
void BlendPair(DWORD source, DWORD destination, GLenum& glSource, GLenum& glDestination)
{
    if (source == kBlendBothSrcAlpha) {
        glSource = GL_SRC_ALPHA;
        glDestination = GL_ONE_MINUS_SRC_ALPHA;
    } else if (source == kBlendBothInvSrcAlpha) {
        glSource = GL_ONE_MINUS_SRC_ALPHA;
        glDestination = GL_SRC_ALPHA;
    } else {
        glSource = BlendOf(source);
        glDestination = BlendOf(destination);
    }
}

GLenum BlendEquationOf(DWORD operation)
{
    switch (operation) {
    case 2: return GL_FUNC_SUBTRACT;
    case 3: return GL_FUNC_REVERSE_SUBTRACT;
    case 4: return GL_MIN;
    case 5: return GL_MAX;
    default: return GL_FUNC_ADD;
    }
}

GLenum StencilOpOf(DWORD operation)
{
    switch (operation) {
    case 2: return GL_ZERO;
    case 3: return GL_REPLACE;
    case 4: return GL_INCR;
    case 5: return GL_DECR;
    case 6: return GL_INVERT;
    case 7: return GL_INCR_WRAP;
    case 8: return GL_DECR_WRAP;
    default: return GL_KEEP;
    }
}

GLenum AddressOf(DWORD address)
{
    switch (address) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    case 5: return GL_CLAMP_TO_EDGE; // mirror once has no core equivalent
    default: return GL_REPEAT;
    }
}

GLenum MinFilterOf(DWORD minFilter, DWORD mipFilter)
{
    const bool linear = minFilter == D3DTEXF_LINEAR || minFilter == D3DTEXF_ANISOTROPIC;
    if (mipFilter == D3DTEXF_POINT) return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    if (mipFilter == D3DTEXF_LINEAR) return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    return linear ? GL_LINEAR : GL_NEAREST;
}

float FloatOf(DWORD bits)
{
    float value;
    static_assert(sizeof value == sizeof bits);
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void ApplySampler(unsigned sampler, const DWORD* s)
{
    gl.SamplerParameteri(sampler, GL_TEXTURE_WRAP_S, static_cast<GLint>(AddressOf(s[D3DSAMP_ADDRESSU])));
    gl.SamplerParameteri(sampler, GL_TEXTURE_WRAP_T, static_cast<GLint>(AddressOf(s[D3DSAMP_ADDRESSV])));
    gl.SamplerParameteri(sampler, GL_TEXTURE_WRAP_R, static_cast<GLint>(AddressOf(s[D3DSAMP_ADDRESSW])));
    const bool magLinear = s[D3DSAMP_MAGFILTER] == D3DTEXF_LINEAR || s[D3DSAMP_MAGFILTER] == D3DTEXF_ANISOTROPIC;
    gl.SamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, magLinear ? GL_LINEAR : GL_NEAREST);
    gl.SamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER,
                         static_cast<GLint>(MinFilterOf(s[D3DSAMP_MINFILTER], s[D3DSAMP_MIPFILTER])));
    const D3DCOLORVALUE border = ColorValueOf(s[D3DSAMP_BORDERCOLOR]);
    gl.SamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, &border.r);
    gl.SamplerParameterf(sampler, GL_TEXTURE_LOD_BIAS, FloatOf(s[D3DSAMP_MIPMAPLODBIAS]));
    gl.SamplerParameterf(sampler, GL_TEXTURE_MIN_LOD, static_cast<float>(s[D3DSAMP_MAXMIPLEVEL]));
}

} // namespace

void SetDefaultDeviceStates(DeviceStates& states, bool hasDepthBuffer)
{
    namespace rs = render_state;
    DWORD* r = states.render;
    std::memset(r, 0, sizeof states.render);

    r[D3DRS_ZENABLE] = hasDepthBuffer ? D3DZB_TRUE : D3DZB_FALSE;
    r[D3DRS_FILLMODE] = kFillSolid;
    r[D3DRS_ZWRITEENABLE] = TRUE;
    r[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    r[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    r[D3DRS_CULLMODE] = D3DCULL_CCW;
    r[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    r[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    r[rs::kStencilFail] = kStencilKeep;
    r[rs::kStencilZFail] = kStencilKeep;
    r[rs::kStencilPass] = kStencilKeep;
    r[rs::kStencilFunc] = D3DCMP_ALWAYS;
    r[rs::kStencilMask] = 0xFFFFFFFF;
    r[rs::kStencilWriteMask] = 0xFFFFFFFF;
    r[D3DRS_LIGHTING] = TRUE;
    r[D3DRS_COLORVERTEX] = TRUE;
    r[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    r[D3DRS_COLORWRITEENABLE] = 0x0000000F;
    r[D3DRS_BLENDOP] = kBlendOpAdd;
    r[rs::kBlendFactor] = 0xFFFFFFFF;
    r[rs::kSrcBlendAlpha] = D3DBLEND_ONE;
    r[rs::kDestBlendAlpha] = D3DBLEND_ZERO;

    for (DWORD s = 0; s < kSamplerCount; ++s) {
        DWORD* sampler = states.sampler[s];
        std::memset(sampler, 0, sizeof states.sampler[s]);
        sampler[D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
        sampler[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
        sampler[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        sampler[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
        sampler[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        sampler[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    }

    states.world = states.view = states.projection = Identity();
    for (D3DMATRIX& m : states.textureTransforms) m = Identity();

    states.material = D3DMATERIAL9{};
    states.material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
}

void ApplyRenderStates(const DeviceStates& states, const GlBackBuffer& backBuffer, unsigned sampler)
{
    const DWORD* r = states.render;
    namespace rs = render_state;

    gl.BindFramebuffer(GL_FRAMEBUFFER, backBuffer.framebuffer);
    gl.Viewport(0, 0, static_cast<GLsizei>(backBuffer.width), static_cast<GLsizei>(backBuffer.height));
    gl.Disable(GL_SCISSOR_TEST);

    if (backBuffer.hasDepth && r[D3DRS_ZENABLE] != D3DZB_FALSE) {
        gl.Enable(GL_DEPTH_TEST);
        gl.DepthFunc(CompareOf(r[D3DRS_ZFUNC]));
    } else {
        gl.Disable(GL_DEPTH_TEST);
    }
    gl.DepthMask(r[D3DRS_ZWRITEENABLE] != FALSE ? GL_TRUE : GL_FALSE);

    if (backBuffer.hasStencil && r[D3DRS_STENCILENABLE] != FALSE) {
        gl.Enable(GL_STENCIL_TEST);
        gl.StencilFunc(CompareOf(r[rs::kStencilFunc]), static_cast<GLint>(r[rs::kStencilRef]), r[rs::kStencilMask]);
        gl.StencilOp(StencilOpOf(r[rs::kStencilFail]), StencilOpOf(r[rs::kStencilZFail]),
                     StencilOpOf(r[rs::kStencilPass]));
        gl.StencilMask(r[rs::kStencilWriteMask]);
    } else {
        gl.Disable(GL_STENCIL_TEST);
    }

    // Direct3D's front faces are clockwise on screen; D3DCULL_CCW culls the others.
    gl.FrontFace(GL_CW);
    if (r[D3DRS_CULLMODE] == D3DCULL_CCW || r[D3DRS_CULLMODE] == D3DCULL_CW) {
        gl.Enable(GL_CULL_FACE);
        gl.CullFace(r[D3DRS_CULLMODE] == D3DCULL_CCW ? GL_BACK : GL_FRONT);
    } else {
        gl.Disable(GL_CULL_FACE);
    }

    const DWORD fill = r[D3DRS_FILLMODE];
    gl.PolygonMode(GL_FRONT_AND_BACK, fill == 1 ? GL_POINT : (fill == 2 ? GL_LINE : GL_FILL));

    if (r[D3DRS_ALPHABLENDENABLE] != FALSE) {
        GLenum source, destination, alphaSource, alphaDestination;
        BlendPair(r[D3DRS_SRCBLEND], r[D3DRS_DESTBLEND], source, destination);
        if (r[rs::kSeparateAlphaBlendEnable] != FALSE) {
            BlendPair(r[rs::kSrcBlendAlpha], r[rs::kDestBlendAlpha], alphaSource, alphaDestination);
        } else {
            alphaSource = source;
            alphaDestination = destination;
        }
        gl.Enable(GL_BLEND);
        gl.BlendFuncSeparate(source, destination, alphaSource, alphaDestination);
        gl.BlendEquation(BlendEquationOf(r[D3DRS_BLENDOP]));
        const D3DCOLORVALUE factor = ColorValueOf(r[rs::kBlendFactor]);
        gl.BlendColor(factor.r, factor.g, factor.b, factor.a);
    } else {
        gl.Disable(GL_BLEND);
    }

    const DWORD mask = r[D3DRS_COLORWRITEENABLE];
    gl.ColorMask((mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0);

    ApplySampler(sampler, states.sampler[0]);
    gl.BindSampler(0, sampler);
    // Vertices without a color read the generic value: opaque white.
    gl.VertexAttrib4f(kAttributeDiffuse, 1.0f, 1.0f, 1.0f, 1.0f);
}

} // namespace portable
