// Properties of the portable D3DX math that the program relies on.
#include <cmath>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/wine/d3dx_math_cases.h"

namespace {
void ExpectVector(const D3DXVECTOR3& v, float x, float y, float z, float tolerance = 1e-6f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}
} // namespace

TEST(D3dxMath, NormalizeKeepsZeroAndScalesToUnitLength)
{
    D3DXVECTOR3 zero(0, 0, 0), out;
    D3DXVec3Normalize(&out, &zero);
    ExpectVector(out, 0, 0, 0, 0);
    D3DXVECTOR3 v(3, 4, 12);
    D3DXVec3Normalize(&v, &v);
    ExpectVector(v, 3.0f / 13, 4.0f / 13, 12.0f / 13);
}

TEST(D3dxMath, YawTurnsForwardTowardsPlusXAndPitchLooksDown)
{
    D3DXMATRIX m;
    const D3DXVECTOR3 ahead(0, 0, 1);
    D3DXVECTOR3 out;
    D3DXMatrixRotationYawPitchRoll(&m, 1.5707964f, 0, 0);
    D3DXVec3TransformCoord(&out, &ahead, &m);
    ExpectVector(out, 1, 0, 0);
    D3DXMatrixRotationYawPitchRoll(&m, 0, 0.5f, 0);
    D3DXVec3TransformCoord(&out, &ahead, &m);
    ExpectVector(out, 0, -std::sin(0.5f), std::cos(0.5f));
}

TEST(D3dxMath, RotationAppliesRollThenPitchThenYaw)
{
    D3DXMATRIX combined, roll, pitch, yaw, expected;
    D3DXMatrixRotationYawPitchRoll(&combined, 0.3f, -0.7f, 1.1f);
    D3DXMatrixRotationYawPitchRoll(&roll, 0, 0, 1.1f);
    D3DXMatrixRotationYawPitchRoll(&pitch, 0, -0.7f, 0);
    D3DXMatrixRotationYawPitchRoll(&yaw, 0.3f, 0, 0);
    D3DXMatrixMultiply(&expected, &roll, &pitch);
    D3DXMatrixMultiply(&expected, &expected, &yaw);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(combined.m[r][c], expected.m[r][c], 1e-6f) << r << "," << c;
}

TEST(D3dxMath, MultiplyIsRowVectorOrderAndSafeWhenAliased)
{
    D3DXMATRIX rotation, translation, world;
    D3DXMatrixRotationYawPitchRoll(&rotation, 1.5707964f, 0, 0);
    D3DXMatrixTranslation(&translation, 10, 0, 0);
    D3DXMatrixMultiply(&world, &rotation, &translation);
    const D3DXVECTOR3 point(0, 0, 1);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &point, &world);
    ExpectVector(out, 11, 0, 0, 1e-5f); // turned first, then moved

    D3DXMATRIX copy = rotation;
    D3DXMatrixMultiply(&rotation, &rotation, &translation);
    EXPECT_EQ(rotation, world);
    D3DXMatrixMultiply(&copy, &translation, &copy);
    D3DXVec3TransformCoord(&out, &point, &copy);
    ExpectVector(out, 1, 0, -10, 1e-5f); // moved first, then turned
}

TEST(D3dxMath, TransformCoordDividesByW)
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    m._44 = 2.0f;
    m._14 = 1.0f;
    const D3DXVECTOR3 v(2, 4, 6);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &v, &m);
    ExpectVector(out, 0.5f, 1.0f, 1.5f);
}

TEST(D3dxMath, LookAtAlongPlusZIsATranslation)
{
    const D3DXVECTOR3 eye(0, 25, -250), at(0, 25, -249), up(0, 1, 0);
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXVECTOR3 out;
    const D3DXVECTOR3 ahead(0, 25, -240);
    D3DXVec3TransformCoord(&out, &ahead, &view);
    ExpectVector(out, 0, 0, 10, 1e-4f);
    const D3DXVECTOR3 right(1, 25, -250);
    D3DXVec3TransformCoord(&out, &right, &view);
    ExpectVector(out, 1, 0, 0, 1e-4f);
}

TEST(D3dxMath, PerspectiveMapsNearToZeroAndFarToOne)
{
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 1.0471976f, 4.0f / 3.0f, 1.0f, 1500.0f);
    const D3DXVECTOR3 nearPoint(0, 0, 1), farPoint(0, 0, 1500), edge(0, std::tan(1.0471976f / 2) * 10, 10);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &nearPoint, &projection);
    EXPECT_NEAR(out.z, 0.0f, 1e-6f);
    D3DXVec3TransformCoord(&out, &farPoint, &projection);
    EXPECT_NEAR(out.z, 1.0f, 1e-6f);
    D3DXVec3TransformCoord(&out, &edge, &projection);
    EXPECT_NEAR(out.y, 1.0f, 1e-5f);
    EXPECT_NEAR(projection._11 * (4.0f / 3.0f), projection._22, 1e-6f);
}

TEST(D3dxMath, SharedTableIsFiniteAndComplete)
{
    const auto cases = ComputeMathCases();
    EXPECT_GT(cases.size(), 100u);
    for (const MathCase& entry : cases) {
        EXPECT_FALSE(entry.values.empty()) << entry.name;
        if (entry.name.rfind("Degenerate", 0) == 0) continue; // may answer infinities and NaNs
        for (float value : entry.values) EXPECT_TRUE(std::isfinite(value)) << entry.name;
    }
}
