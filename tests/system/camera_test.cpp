// Mouse look, the pitch clamp and the view matrix.
#include <cmath>

#include "scene/camera.h"
#include "tests/system/system_fixture.h"

namespace {
// The elevation limit, about 85.7 degrees: never straight up or down.
constexpr float kLimit = 1.4959966f;
} // namespace

TEST(Camera, LookSteersTheTargetHeadingOnly)
{
    Entity player;
    player.Init();
    player.SetRotation(Vec3(0, 0.25f, 0.5f));
    Camera camera;
    camera.target = &player;
    Look(camera, 0.1f, 0.2f);
    EXPECT_EQ(camera.yaw, 0.1f);
    EXPECT_EQ(camera.pitch, 0.2f);
    EXPECT_EQ(player.rotation, Vec3(0.1f, 0.25f, 0.5f));
    EXPECT_NEAR(player.forward.x, std::sin(0.1f) * std::cos(0.25f), 1e-6f);
}

TEST(Camera, PitchClampsAtTheLimitAndComesBackAtOnce)
{
    Camera camera;
    Look(camera, 0, kLimit);
    EXPECT_EQ(camera.pitch, kLimit); // exactly at the limit is kept
    for (int i = 0; i < 100; ++i) Look(camera, 0, 1.0f);
    EXPECT_EQ(camera.pitch, kLimit);
    Look(camera, 0, -0.1f);
    EXPECT_EQ(camera.pitch, kLimit - 0.1f);
    Look(camera, 0, -10.0f);
    EXPECT_EQ(camera.pitch, -kLimit);
}

TEST(Camera, YawIsNeverWrappedAndWithoutTargetOnlyTheCameraTurns)
{
    Camera camera;
    camera.eye = Vec3(1, 2, 3);
    for (int i = 0; i < 1000; ++i) Look(camera, 0.1f, 0);
    EXPECT_GT(camera.yaw, 99.0f);
    EXPECT_EQ(camera.eye, Vec3(1, 2, 3));
}

TEST(Camera, ViewAtZeroAnglesLooksAlongPlusZFromTheEye)
{
    Camera camera;
    camera.eye = Vec3(0, 25, -250);
    const D3DXMATRIX view = BuildViewMatrix(camera);
    const D3DXVECTOR3 ahead(0, 25, -249), right(1, 25, -250), above(0, 26, -250);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &ahead, &view);
    EXPECT_NEAR(out.x, 0, 1e-5f);
    EXPECT_NEAR(out.y, 0, 1e-5f);
    EXPECT_NEAR(out.z, 1, 1e-5f);
    D3DXVec3TransformCoord(&out, &right, &view);
    EXPECT_NEAR(out.x, 1, 1e-5f);
    D3DXVec3TransformCoord(&out, &above, &view);
    EXPECT_NEAR(out.y, 1, 1e-5f);
}

TEST(Camera, PositivePitchLooksDownAndTheViewRepeatsEveryFullTurn)
{
    Camera camera;
    Look(camera, 0, 10.0f);
    const D3DXMATRIX view = BuildViewMatrix(camera);
    // The view's z axis (third column) is the look direction.
    EXPECT_NEAR(view._23, -std::sin(kLimit), 1e-5f);
    EXPECT_LT(view._23, -0.997f);

    camera.pitch = 0.3f;
    camera.yaw = 0.7f;
    const D3DXMATRIX once = BuildViewMatrix(camera);
    camera.yaw = 0.7f + 6.2831855f;
    const D3DXMATRIX again = BuildViewMatrix(camera);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(once.m[r][c], again.m[r][c], 1e-5f);
}
