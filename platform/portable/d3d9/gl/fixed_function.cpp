#include "platform/portable/d3d9/gl/fixed_function.h"

#include <string>

#include "platform/portable/d3d9/gl/api.h"
#include "platform/portable/d3d9/gl/shader.h"

namespace portable {

namespace {
const char* const kVertexSource = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec2 texcoord;
layout(location = 2) in vec4 diffuse;   // white when the vertices have no color

uniform mat4 worldViewProjection;       // row-vector matrix as stored, so it multiplies on the left here
uniform vec2 pixelOffset;
uniform bool lighting;
uniform bvec3 fromVertex;               // diffuse, ambient, emissive sources
uniform vec4 materialDiffuse;
uniform vec4 materialAmbient;
uniform vec4 materialEmissive;
uniform vec4 globalAmbient;

out vec4 color;
out vec2 uv;

void main()
{
    vec4 clip = worldViewProjection * vec4(position, 1.0);
    clip.xy += pixelOffset * clip.w;
    clip.z = 2.0 * clip.z - clip.w;     // Direct3D depth 0..w to OpenGL -w..w
    gl_Position = clip;

    if (lighting) {
        vec4 d = fromVertex.x ? diffuse : materialDiffuse;
        vec4 a = fromVertex.y ? diffuse : materialAmbient;
        vec4 e = fromVertex.z ? diffuse : materialEmissive;
        color = vec4(clamp(e.rgb + a.rgb * globalAmbient.rgb, 0.0, 1.0), clamp(d.a, 0.0, 1.0));
    } else {
        color = diffuse;
    }
    uv = texcoord;
}
)";

// Compiled with ALPHA_TEST defined or not: a program that may discard keeps
// the rasterizer from testing depth before it shades.
const char* const kFragmentSource = R"(
in vec4 color;
in vec2 uv;

uniform sampler2D stage0;
uniform bool textured;
out vec4 fragment;

#ifdef ALPHA_TEST
uniform int alphaFunc;
uniform float alphaRef;

bool Passes(float alpha)
{
    float a = floor(alpha * 255.0 + 0.5);
    if (alphaFunc == 1) return false;
    if (alphaFunc == 2) return a < alphaRef;
    if (alphaFunc == 3) return a == alphaRef;
    if (alphaFunc == 4) return a <= alphaRef;
    if (alphaFunc == 5) return a > alphaRef;
    if (alphaFunc == 6) return a != alphaRef;
    if (alphaFunc == 7) return a >= alphaRef;
    return true;
}
#endif

void main()
{
    vec4 result = color;
    if (textured) {
        vec4 texel = texture(stage0, uv);
        result = vec4(color.rgb * texel.rgb, texel.a);
    }
#ifdef ALPHA_TEST
    if (!Passes(result.a)) discard;
#endif
    fragment = result;
}
)";

void Multiply(const D3DMATRIX& a, const D3DMATRIX& b, D3DMATRIX& out)
{
    D3DMATRIX result;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.m[row][k] * b.m[k][column];
            result.m[row][column] = sum;
        }
    }
    out = result;
}

bool TakesVertexColor(const DeviceStates& states, D3DRENDERSTATETYPE source, bool vertexHasDiffuse)
{
    return states.render[D3DRS_COLORVERTEX] != FALSE && vertexHasDiffuse && states.render[source] == D3DMCS_COLOR1;
}
} // namespace

D3DCOLORVALUE ColorValueOf(D3DCOLOR color)
{
    return D3DCOLORVALUE{static_cast<float>((color >> 16) & 0xFF) / 255.0f,
                         static_cast<float>((color >> 8) & 0xFF) / 255.0f, static_cast<float>(color & 0xFF) / 255.0f,
                         static_cast<float>((color >> 24) & 0xFF) / 255.0f};
}

FixedFunctionInputs ComputeFixedFunctionInputs(const DeviceStates& states, bool vertexHasDiffuse, bool textured,
                                               UINT renderWidth, UINT renderHeight)
{
    FixedFunctionInputs inputs{};
    D3DMATRIX worldView;
    Multiply(states.world, states.view, worldView);
    Multiply(worldView, states.projection, inputs.worldViewProjection);
    inputs.pixelOffset[0] = renderWidth > 0 ? 1.0f / static_cast<float>(renderWidth) : 0.0f;
    inputs.pixelOffset[1] = renderHeight > 0 ? -1.0f / static_cast<float>(renderHeight) : 0.0f;

    inputs.lighting = states.render[D3DRS_LIGHTING] != FALSE;
    inputs.diffuseFromVertex = TakesVertexColor(states, D3DRS_DIFFUSEMATERIALSOURCE, vertexHasDiffuse);
    inputs.ambientFromVertex = TakesVertexColor(states, D3DRS_AMBIENTMATERIALSOURCE, vertexHasDiffuse);
    inputs.emissiveFromVertex = TakesVertexColor(states, D3DRS_EMISSIVEMATERIALSOURCE, vertexHasDiffuse);
    inputs.materialDiffuse = states.material.Diffuse;
    inputs.materialAmbient = states.material.Ambient;
    inputs.materialEmissive = states.material.Emissive;
    inputs.globalAmbient = ColorValueOf(states.render[D3DRS_AMBIENT]);

    inputs.textured = textured;
    const DWORD alphaFunc = states.render[D3DRS_ALPHAFUNC];
    inputs.alphaFunc =
        states.render[D3DRS_ALPHATESTENABLE] != FALSE && alphaFunc != D3DCMP_ALWAYS ? static_cast<int>(alphaFunc) : 0;
    inputs.alphaRef = static_cast<float>(states.render[D3DRS_ALPHAREF] & 0xFF);
    return inputs;
}

bool CreateFixedFunctionProgram(FixedFunctionProgram& made, bool alphaTest)
{
    FixedFunctionProgram p;
    const std::string fragment =
        std::string("#version 330 core\n") + (alphaTest ? "#define ALPHA_TEST\n" : "") + kFragmentSource;
    p.program = BuildGlProgram(kVertexSource, fragment.c_str());
    if (p.program == 0) return false;
    auto location = [&](const char* name) { return gl.GetUniformLocation(p.program, name); };
    p.worldViewProjection = location("worldViewProjection");
    p.pixelOffset = location("pixelOffset");
    p.lighting = location("lighting");
    p.fromVertex = location("fromVertex");
    p.materialDiffuse = location("materialDiffuse");
    p.materialAmbient = location("materialAmbient");
    p.materialEmissive = location("materialEmissive");
    p.globalAmbient = location("globalAmbient");
    p.textured = location("textured");
    p.sampler = location("stage0");
    p.alphaFunc = location("alphaFunc");
    p.alphaRef = location("alphaRef");
    gl.UseProgram(p.program);
    gl.Uniform1i(p.sampler, 0);
    made = p;
    return true;
}

void DestroyFixedFunctionProgram(FixedFunctionProgram& program)
{
    if (program.program != 0) gl.DeleteProgram(program.program);
    program = FixedFunctionProgram{};
}

void ApplyFixedFunctionInputs(const FixedFunctionProgram& p, const FixedFunctionInputs& inputs)
{
    gl.UseProgram(p.program);
    gl.UniformMatrix4fv(p.worldViewProjection, 1, GL_FALSE, &inputs.worldViewProjection.m[0][0]);
    gl.Uniform2f(p.pixelOffset, inputs.pixelOffset[0], inputs.pixelOffset[1]);
    gl.Uniform1i(p.lighting, inputs.lighting ? 1 : 0);
    gl.Uniform3i(p.fromVertex, inputs.diffuseFromVertex ? 1 : 0, inputs.ambientFromVertex ? 1 : 0,
                 inputs.emissiveFromVertex ? 1 : 0);
    gl.Uniform4fv(p.materialDiffuse, 1, &inputs.materialDiffuse.r);
    gl.Uniform4fv(p.materialAmbient, 1, &inputs.materialAmbient.r);
    gl.Uniform4fv(p.materialEmissive, 1, &inputs.materialEmissive.r);
    gl.Uniform4fv(p.globalAmbient, 1, &inputs.globalAmbient.r);
    gl.Uniform1i(p.textured, inputs.textured ? 1 : 0);
    gl.Uniform1i(p.alphaFunc, inputs.alphaFunc);
    gl.Uniform1f(p.alphaRef, inputs.alphaRef);
}

} // namespace portable
