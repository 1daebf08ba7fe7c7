// Entity motion in single precision, its axes and its draw.
#include <cmath>
#include <cstring>

#include "assets/mesh.h"
#include "scene/entity.h"
#include "tests/system/system_fixture.h"

namespace {
void ExpectVec(const Vec3& v, float x, float y, float z, float tolerance = 1e-6f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

float Length(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
} // namespace

// Init makes a used entity afresh: it stays where it is put, facing +z.
TEST(Entity, AnInitialisedEntityStandsStillFacingPlusZ)
{
    Entity entity;
    entity.velocity = entity.acceleration = entity.angularVelocity = entity.forward = Vec3(7, 7, 7);
    entity.Init();
    entity.Integrate(10.0f);
    Vec3 right, up, forward;
    entity.GetAxes(right, up, forward);
    ExpectVec(entity.position, 0, 0, 0, 0);
    ExpectVec(entity.rotation, 0, 0, 0, 0);
    ExpectVec(right, 1, 0, 0, 0);
    ExpectVec(up, 0, 1, 0, 0);
    ExpectVec(forward, 0, 0, 1, 0);
}

TEST(Entity, PositiveYawTurnsForwardTowardsPlusX)
{
    Entity entity;
    entity.Init();
    entity.SetRotation(Vec3(1.5707964f, 0, 0));
    ExpectVec(entity.forward, 1, 0, 0);
    ExpectVec(entity.right, 0, 0, -1);
    ExpectVec(entity.up, 0, 1, 0, 0);
}

TEST(Entity, ConstantAccelerationStep)
{
    Entity entity;
    entity.Init();
    entity.acceleration = Vec3(0, -10, 0);
    entity.Integrate(1.0f);
    ExpectVec(entity.velocity, 0, -10, 0, 0);
    ExpectVec(entity.position, 0, -5, 0, 0);
    entity.Integrate(1.0f);
    ExpectVec(entity.velocity, 0, -20, 0, 0);
    ExpectVec(entity.position, 0, -20, 0, 0); // -5 - 10 - 5
}

TEST(Entity, IntegrationRoundsEveryStepToSinglePrecision)
{
    Entity entity;
    entity.Init();
    entity.position = Vec3(16777216.0f, 0, 0); // 2^24: adding 1 is lost in single precision
    entity.velocity = Vec3(1.0f, 0, 0);
    entity.Integrate(1.0f);
    EXPECT_EQ(entity.position.x, 16777216.0f);
    entity.velocity = Vec3(0.1f, 0, 0);
    entity.position = Vec3(0, 0, 0);
    entity.Integrate(0.1f);
    EXPECT_EQ(entity.position.x, 0.1f * 0.1f);
}

TEST(Entity, EightQuarterTurnsReachTwoPiWithoutWrapping)
{
    Entity entity;
    entity.Init();
    entity.angularVelocity = Vec3(0.78539819f, 0, 0);
    for (int i = 0; i < 8; ++i) entity.Integrate(1.0f);
    EXPECT_NEAR(entity.rotation.x, 6.2831855f, 1e-5f);
    ExpectVec(entity.forward, 0, 0, 1, 1e-5f);
}

TEST(Entity, ZeroStepChangesNothing)
{
    Entity entity;
    entity.Init();
    entity.position = Vec3(1, 2, 3);
    entity.velocity = Vec3(4, 5, 6);
    entity.acceleration = Vec3(7, 8, 9);
    entity.SetRotation(Vec3(0.3f, 0.2f, 0.1f));
    entity.angularVelocity = Vec3(1, 1, 1);
    const Entity before = entity;
    entity.Integrate(0.0f);
    EXPECT_EQ(entity.position, before.position);
    EXPECT_EQ(entity.velocity, before.velocity);
    EXPECT_EQ(entity.rotation, before.rotation);
    EXPECT_EQ(entity.angularVelocity, before.angularVelocity);
    EXPECT_EQ(entity.right, before.right);
    EXPECT_EQ(entity.up, before.up);
    EXPECT_EQ(entity.forward, before.forward);
}

TEST(Entity, GetAxesRenormalisesDriftedAxes)
{
    Entity entity;
    entity.Init();
    entity.right = Vec3(2, 0, 0);
    entity.up = Vec3(0, 0.5f, 0);
    entity.forward = Vec3(0, 0, 1.001f);
    Vec3 right, up, forward;
    entity.GetAxes(right, up, forward);
    EXPECT_FLOAT_EQ(Length(right), 1.0f);
    EXPECT_FLOAT_EQ(Length(up), 1.0f);
    EXPECT_FLOAT_EQ(Length(forward), 1.0f);
    EXPECT_FLOAT_EQ(Length(entity.right), 1.0f);
    EXPECT_FLOAT_EQ(Length(entity.forward), 1.0f);
}

class EntityDrawTest : public SystemTest {};

TEST_F(EntityDrawTest, DrawsRotationThenTranslationAndEverySubset)
{
    IDirect3D9* direct3d = Direct3DCreate9(D3D_SDK_VERSION);
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS parameters{};
    ASSERT_EQ(direct3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &parameters, &device), D3D_OK);
    fake::State().models[L"box.x"] = fake::Model{{MakeMaterial(1, 0, 0, 1), MakeMaterial(0, 1, 0, 1)}, {"", ""}};
    Application::Instance();
    {
        Mesh mesh(device);
        ASSERT_TRUE(mesh.LoadFromFile(L"box.x"));
        Entity entity;
        entity.visible = 0;
        entity.Init(); // shown again
        entity.mesh = &mesh;
        entity.position = Vec3(10, 0, 0);
        entity.SetRotation(Vec3(1.5707964f, 0, 0));

        const size_t mark = fake::State().calls.size();
        entity.Draw();
        EXPECT_EQ(fake::CallsSince(mark),
                  (std::vector<std::string>{"SetTransform(D3DTS_WORLD)", "SetMaterial", "SetTexture(0,null)",
                                            "DrawSubset(Mesh:box.x,0)", "SetMaterial", "SetTexture(0,null)",
                                            "DrawSubset(Mesh:box.x,1)"}));
        D3DXMATRIX world(fake::State().worldTransforms.back());
        const D3DXVECTOR3 ahead(0, 0, 1);
        D3DXVECTOR3 out;
        D3DXVec3TransformCoord(&out, &ahead, &world);
        ExpectVec(out, 11, 0, 0, 1e-5f); // turned about its own origin, then moved

        entity.visible = 0;
        const size_t hidden = fake::State().calls.size();
        entity.Draw();
        EXPECT_TRUE(fake::CallsSince(hidden).empty());
    }
    device->Release();
    direct3d->Release();
}
