#include "tests/wine/d3dx_math_cases.h"

#include <limits>

#include "platform/platform.h"

namespace {
std::vector<float> Values(const D3DXMATRIX& m)
{
    std::vector<float> values;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) values.push_back(m.m[r][c]);
    return values;
}

std::vector<float> Values(const D3DXVECTOR3& v) { return {v.x, v.y, v.z}; }

std::string Label(const char* name, size_t index) { return std::string(name) + "#" + std::to_string(index); }

struct Angles {
    float yaw, pitch, roll;
};

const Angles kAngles[] = {
    {0.0f, 0.0f, 0.0f},         {1.5707964f, 0.0f, 0.0f}, {0.0f, 1.4959966f, 0.0f},   {0.0f, -1.4959966f, 0.0f},
    {0.0f, 0.0f, 0.7853982f},   {1.0471976f, 0.0f, 0.0f}, {0.62831855f, 0.0f, 0.0f},  {0.3f, -0.7f, 1.1f},
    {6.2831855f, 0.25f, -0.5f}, {-123.456f, 2.5f, 3.0f},  {1000.0f, 0.001f, -0.001f}, {0.1f, 0.2f, 0.3f},
};

const D3DXVECTOR3 kVectors[] = {
    {0.0f, 0.0f, 0.0f},    {1.0f, 0.0f, 0.0f},       {0.0f, 0.0f, 1.0f},    {3.0f, 4.0f, 12.0f},
    {-1.5f, 2.25f, -7.0f}, {1e-20f, 1e-20f, 1e-20f}, {1e18f, -1e18f, 0.5f}, {0.57735f, 0.57735f, 0.57735f},
};
} // namespace

std::vector<MathCase> ComputeMathCases()
{
    std::vector<MathCase> cases;

    for (size_t i = 0; i < std::size(kAngles); ++i) {
        D3DXMATRIX m;
        D3DXMatrixRotationYawPitchRoll(&m, kAngles[i].yaw, kAngles[i].pitch, kAngles[i].roll);
        cases.push_back({Label("RotationYawPitchRoll", i), Values(m)});
    }

    const float translations[][3] = {{0, 0, 0}, {0, 25, -250}, {10, 5, 20}, {-1e6f, 3.5f, 1e-7f}};
    for (size_t i = 0; i < std::size(translations); ++i) {
        D3DXMATRIX m;
        D3DXMatrixTranslation(&m, translations[i][0], translations[i][1], translations[i][2]);
        cases.push_back({Label("Translation", i), Values(m)});
    }

    for (size_t i = 0; i + 1 < std::size(kAngles); ++i) {
        D3DXMATRIX r, t, product;
        D3DXMatrixRotationYawPitchRoll(&r, kAngles[i].yaw, kAngles[i].pitch, kAngles[i].roll);
        D3DXMatrixTranslation(&t, kAngles[i + 1].yaw, kAngles[i + 1].pitch, kAngles[i + 1].roll);
        D3DXMatrixMultiply(&product, &r, &t);
        cases.push_back({Label("Multiply", i), Values(product)});
        D3DXMATRIX r2;
        D3DXMatrixRotationYawPitchRoll(&r2, kAngles[i + 1].roll, kAngles[i + 1].yaw, kAngles[i + 1].pitch);
        D3DXMatrixMultiply(&product, &r, &r2);
        D3DXMatrixMultiply(&product, &product, &product); // output aliasing both inputs
        cases.push_back({Label("MultiplyAliased", i), Values(product)});
    }

    for (size_t i = 0; i < std::size(kVectors); ++i) {
        D3DXVECTOR3 out;
        D3DXVec3Normalize(&out, &kVectors[i]);
        cases.push_back({Label("Normalize", i), Values(out)});
        for (size_t j = 0; j < std::size(kAngles); j += 3) {
            D3DXMATRIX m, t, p;
            D3DXMatrixRotationYawPitchRoll(&m, kAngles[j].yaw, kAngles[j].pitch, kAngles[j].roll);
            D3DXMatrixTranslation(&t, 1.0f, -2.0f, 3.0f);
            D3DXMatrixMultiply(&m, &m, &t);
            D3DXVec3TransformCoord(&out, &kVectors[i], &m);
            cases.push_back({Label("TransformCoord", i * 100 + j), Values(out)});
            D3DXMatrixPerspectiveFovLH(&p, 1.0471976f, 1.3333334f, 1.0f, 1500.0f);
            D3DXMatrixMultiply(&m, &m, &p);
            if (kVectors[i].z != 0.0f) {
                D3DXVec3TransformCoord(&out, &kVectors[i], &m);
                cases.push_back({Label("TransformCoordProjected", i * 100 + j), Values(out)});
            }
        }
    }

    const D3DXVECTOR3 eyes[] = {{0, 0, 0}, {0, 25, -250}, {3, -4, 5}, {-100, 55, 7}};
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    for (size_t i = 0; i < std::size(eyes); ++i) {
        for (size_t j = 0; j < std::size(kAngles); j += 2) {
            D3DXMATRIX r, view;
            D3DXMatrixRotationYawPitchRoll(&r, kAngles[j].yaw, kAngles[j].pitch, 0.0f);
            const D3DXVECTOR3 ahead(0.0f, 0.0f, 1.0f);
            D3DXVECTOR3 direction;
            D3DXVec3TransformCoord(&direction, &ahead, &r);
            const D3DXVECTOR3 at = eyes[i] + direction;
            D3DXMatrixLookAtLH(&view, &eyes[i], &at, &up);
            cases.push_back({Label("LookAtLH", i * 100 + j), Values(view)});
        }
    }

    const float projections[][4] = {
        {1.0471976f, 1.3333334f, 1.0f, 1500.0f},
        {1.0471976f, 1.7777778f, 1.0f, 1500.0f},
        {0.7853982f, 1.0f, 0.1f, 100.0f},
        {2.5f, 0.5f, 10.0f, 20.0f},
    };
    for (size_t i = 0; i < std::size(projections); ++i) {
        D3DXMATRIX m;
        D3DXMatrixPerspectiveFovLH(&m, projections[i][0], projections[i][1], projections[i][2], projections[i][3]);
        cases.push_back({Label("PerspectiveFovLH", i), Values(m)});
    }
    // Null pointers: the SDK's inline functions answer 0 or null.
    const D3DXVECTOR3 one(1.0f, 2.0f, 3.0f);
    D3DXVECTOR3 out(9.0f, 9.0f, 9.0f);
    const bool crossAnswersNull = D3DXVec3Cross(nullptr, &one, &one) == nullptr
        && D3DXVec3Cross(&out, nullptr, &one) == nullptr && D3DXVec3Cross(&out, &one, nullptr) == nullptr;
    cases.push_back({"NullPointers",
                     {D3DXVec3Length(nullptr), D3DXVec3Dot(nullptr, &one), D3DXVec3Dot(&one, nullptr),
                      crossAnswersNull ? 1.0f : 0.0f, out.x}});
    D3DXVec3Normalize(&out, nullptr);
    cases.push_back({"NormalizeNull", Values(out)});

    // Degenerate arguments: infinities, NaNs, zero lengths and spans, parallel
    // axes. Their answers may hold infinities and NaNs.
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const D3DXVECTOR3 odd[] = {{inf, 0, 0},    {nan, 1, 0},       {-inf, inf, 1},
                               {1e-30f, 0, 0}, {3e38f, 3e38f, 0}, {-0.0f, 0, 0}};
    for (size_t i = 0; i < std::size(odd); ++i) {
        D3DXVec3Normalize(&out, &odd[i]);
        cases.push_back({Label("DegenerateNormalize", i), Values(out)});
    }
    const D3DXVECTOR3 looks[][3] = {
        {{1, 2, 3}, {1, 2, 3}, {0, 1, 0}},   // eye at the target
        {{0, 0, 0}, {0, 5, 0}, {0, 1, 0}},   // looking along up
        {{0, 0, 0}, {0, 0, 1}, {0, 0, 0}},   // no up
        {{0, 0, 0}, {0, 0, 1}, {0, 7, 0}},   // up not of unit length
        {{0, 0, 0}, {inf, 0, 1}, {0, 1, 0}}, // a target at infinity
    };
    for (size_t i = 0; i < std::size(looks); ++i) {
        D3DXMATRIX m;
        D3DXMatrixLookAtLH(&m, &looks[i][0], &looks[i][1], &looks[i][2]);
        cases.push_back({Label("DegenerateLookAtLH", i), Values(m)});
    }
    const float frustums[][4] = {
        {1, 1, 5, 5},    {0, 1, 1, 100}, {1, 0, 1, 100},  {1, 1, 0, 100}, {3.1415927f, 1, 1, 100},
        {-1, 1, 1, 100}, {1, 1, 100, 1}, {1, -1, 1, inf},
    };
    for (size_t i = 0; i < std::size(frustums); ++i) {
        D3DXMATRIX m;
        D3DXMatrixPerspectiveFovLH(&m, frustums[i][0], frustums[i][1], frustums[i][2], frustums[i][3]);
        cases.push_back({Label("DegeneratePerspectiveFovLH", i), Values(m)});
    }
    D3DXMATRIX flat;
    D3DXMatrixIdentity(&flat);
    flat._44 = 0.0f; // every point at w = 0
    const D3DXVECTOR3 points[] = {{1, 2, 3}, {0, 0, 0}, {nan, 0, 0}};
    for (size_t i = 0; i < std::size(points); ++i) {
        D3DXVec3TransformCoord(&out, &points[i], &flat);
        cases.push_back({Label("DegenerateTransformCoord", i), Values(out)});
    }
    const Angles oddAngles[] = {{nan, 0, 0}, {inf, 0, 0}, {0, -inf, 0}, {1e30f, 0, 0}, {0, 0, 3e38f}};
    for (size_t i = 0; i < std::size(oddAngles); ++i) {
        D3DXMATRIX m;
        D3DXMatrixRotationYawPitchRoll(&m, oddAngles[i].yaw, oddAngles[i].pitch, oddAngles[i].roll);
        cases.push_back({Label("DegenerateRotationYawPitchRoll", i), Values(m)});
    }
    D3DXMATRIX moved, product;
    D3DXMatrixTranslation(&moved, inf, nan, -0.0f);
    cases.push_back({"DegenerateTranslation", Values(moved)});
    D3DXMatrixRotationYawPitchRoll(&product, 0.3f, 0.2f, 0.1f);
    D3DXMatrixTranslation(&moved, 1.0f, 2.0f, 3.0f);
    D3DXMatrixMultiply(&product, &product, &moved); // output aliasing the first input
    cases.push_back({"MultiplyAliasedFirst", Values(product)});
    D3DXMatrixMultiply(&moved, &product, &moved); // and the second
    cases.push_back({"MultiplyAliasedSecond", Values(moved)});
    const D3DXVECTOR3 parallel(2.0f, 4.0f, 6.0f);
    cases.push_back({"DegenerateLengthDotCross",
                     {D3DXVec3Length(&odd[0]), D3DXVec3Length(&odd[4]), D3DXVec3Dot(&odd[1], &one),
                      D3DXVec3Cross(&out, &one, &parallel)->x, out.y, out.z}});
    return cases;
}
