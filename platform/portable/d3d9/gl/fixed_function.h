// Direct3D 9's fixed-function pipeline for the states the portable device
// supports, as a GLSL program: transform with Direct3D's clip conventions,
// ambient and emissive lighting, texture stage 0 modulating, alpha test.
#pragma once

#include "platform/portable/d3d9/gl/device_states.h"

namespace portable {

struct FixedFunctionProgram {
    unsigned program = 0;
    int worldViewProjection = -1;
    int pixelOffset = -1;
    int lighting = -1;
    int fromVertex = -1;
    int materialDiffuse = -1;
    int materialAmbient = -1;
    int materialEmissive = -1;
    int globalAmbient = -1;
    int textured = -1;
    int sampler = -1;
    int alphaFunc = -1;
    int alphaRef = -1;
};

// What one draw feeds the program, worked out from the device states.
struct FixedFunctionInputs {
    D3DMATRIX worldViewProjection;
    float pixelOffset[2]; // half a pixel in clip units: Direct3D 9 pixel centres lie on integers
    bool lighting;
    bool diffuseFromVertex; // material sources that take the vertex color
    bool ambientFromVertex;
    bool emissiveFromVertex;
    D3DCOLORVALUE materialDiffuse;
    D3DCOLORVALUE materialAmbient;
    D3DCOLORVALUE materialEmissive;
    D3DCOLORVALUE globalAmbient;
    bool textured;
    int alphaFunc;  // D3DCMP value, 0 when the alpha test is off or always passes
    float alphaRef; // 0..255
};

// renderWidth/renderHeight: the back buffer size. vertexHasDiffuse: the FVF carries D3DFVF_DIFFUSE.
FixedFunctionInputs ComputeFixedFunctionInputs(const DeviceStates& states, bool vertexHasDiffuse, bool textured,
                                               UINT renderWidth, UINT renderHeight);
D3DCOLORVALUE ColorValueOf(D3DCOLOR color);

// Needs a current context. `alphaTest`: the program applies the alpha test
// (inputs with alphaFunc 0 need the one without it).
bool CreateFixedFunctionProgram(FixedFunctionProgram& program, bool alphaTest);
void DestroyFixedFunctionProgram(FixedFunctionProgram& program);
// Uses the program and sets its uniforms.
void ApplyFixedFunctionInputs(const FixedFunctionProgram& program, const FixedFunctionInputs& inputs);

// Vertex attribute locations of the program.
constexpr unsigned kAttributePosition = 0;
constexpr unsigned kAttributeTexcoord = 1;
constexpr unsigned kAttributeDiffuse = 2;

} // namespace portable
